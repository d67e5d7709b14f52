// USB printer recognition against Wine's real device setup: the fixture registers USBPRINT
// printers, their USB parents and other devices in the prefix, the real GetPrinterOnline walks
// them through the real devices layer, and the fixture removes them again, also after a failure.
// The models come from the installer's own payload, which this program carries as INSTALL 142:
// start-up's loading and extraction write the catalog to LocalAppData, the catalog loader reads it.
// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
#include <shlobj.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "payload/extract_config.h"
#include "payload/load_data.h"
#include "platform/window_framework.h"
#include "platform/win32/win32_devices.h"
#include "platform/win32/win32_machine.h"
#include "ports/usb_detect.h"
#include "tests/wine/wine_devices.h"

namespace {

using winetest::kClassDisk;
using winetest::kClassPrinter;
using winetest::kClassUsb;
using winetest::Register;
using winetest::RemoveIfPresent;
using winetest::TestDevice;

// Every device the tests register; all ids carry "TAVROWT" so that nothing else is touched.
const TestDevice kDevices[] = {
    {L"USB\\VID_4A7F&PID_0080\\TAVROWT0001", &kClassUsb, nullptr, L"USB\\VID_4A7F&PID_0080&REV_0100",
     L"USB Printing Support", L"(Standard USB Host Controller)", nullptr},
    {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&2C1A6A9A&0&USB001", &kClassPrinter, L"USB\\VID_4A7F&PID_0080\\TAVROWT0001",
     L"USBPRINT\\TAVROTR-80_RECEIPTD2F1", L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROWT)"},
    {L"USB\\VID_4A7F&PID_0241\\TAVROWT0002", &kClassUsb, nullptr, L"USB\\VID_4A7F&PID_0241&REV_0100",
     L"USB Printing Support", L"(Standard USB Host Controller)", nullptr},
    {L"USBPRINT\\TAVROTL-241_LABEL\\7&3B2E0F11&0&USB002", &kClassPrinter, L"USB\\VID_4A7F&PID_0241\\TAVROWT0002",
     L"USBPRINT\\TAVROTL-241_LABEL77A0", L"Tavro TL-241 Label", L"Tavro", L"Tavro TL-241 (TAVROWT)"},
    {L"USB\\VID_4A7F&PID_0243\\TAVROWT0004", &kClassUsb, nullptr, L"USB\\VID_4A7F&PID_0243&REV_0100",
     L"USB Printing Support", L"(Standard USB Host Controller)", nullptr},
    {L"USBPRINT\\TAVROTL-243C_COLOR\\7&19A0C3E2&0&USB004", &kClassPrinter, L"USB\\VID_4A7F&PID_0243\\TAVROWT0004",
     L"USBPRINT\\TAVROTL-243C_COLOR5B10", L"Tavro TL-243C Color", L"Tavro", L"Tavro TL-243C (TAVROWT)"},
    // A printer of another maker, and a disk whose id names a catalog model: neither is recognised.
    {L"USBPRINT\\OTHERP58\\7&1111&0&USB003", &kClassPrinter, nullptr, L"USBPRINT\\OTHERP58", L"P58", L"Other",
     L"TAVROWT other"},
    {L"USBSTOR\\DISK&VEN_TAVRO&PROD_TR-80\\TAVROWT0003", &kClassDisk, nullptr, L"USBSTOR\\DiskTavro", L"Disk",
     L"Tavro", nullptr},
};

// The model combo box the catalog loader fills.
class ModelCombo : public platform::DialogControls {
 public:
  int ComboAddString(int, const std::wstring& text) override {
    items.push_back(text);
    return static_cast<int>(items.size()) - 1;
  }
  bool ControlExists(int) override { return true; }
  std::vector<std::wstring> items;
};

// Start-up's steps for the catalog: the payload from this program's resource, the configuration
// files into LocalAppData\Temp\TavroPrint\Config, then the catalog the main dialog loads.
// Empty on success, else the failing step.
std::string LoadShippedCatalog(platform::Machine& machine) {
  wchar_t local[MAX_PATH];
  if (!SHGetSpecialFolderPathW(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE)) return "no LocalAppData";
  const std::wstring catalog = BuildModelCatalogPath(local);
  DeleteFileW(catalog.c_str());
  int32_t length = 0;
  uint8_t* payload = LoadData(machine, 142, L"INSTALL", &length);
  if (!payload) return "LoadData";
  ExtractConfigFiles(machine, payload, length);
  FreeLoadedData(payload);
  if (GetFileAttributesW(catalog.c_str()) == INVALID_FILE_ATTRIBUTES) return "the catalog was not extracted";
  std::memset(PrinterInfo, 0, sizeof(PrinterInfo));
  ModelCombo combo;
  LoadModelCatalog(machine, combo, catalog);
  if (combo.items.size() != static_cast<size_t>(CountCatalogModels())) return "combo and catalog differ";
  return "";
}

const UsbInfoRecord* EntryFor(long count, const std::wstring& id) {
  for (long k = 0; k < count; ++k) {
    if (_wcsicmp(UsbInfo[k].InstanceId, id.c_str()) == 0) return &UsbInfo[k];
  }
  return nullptr;
}

class UsbDetectWine : public ::testing::Test {
 protected:
  void SetUp() override {
    // Leftovers of a run that died before its TearDown.
    for (const TestDevice& device : kDevices) ASSERT_TRUE(RemoveIfPresent(device.id)) << "cannot remove a leftover";
    for (const TestDevice& device : kDevices) {
      std::string failure = Register(device);
      ASSERT_EQ(failure, "") << "registering a test device failed";
    }
    LogAttachMachine(&machine_);
    ASSERT_EQ(LoadShippedCatalog(machine_), "");
    ASSERT_EQ(CountCatalogModels(), 6);
    std::memset(UsbInfo, 0, sizeof(UsbInfo));
  }
  void TearDown() override {
    for (const TestDevice& device : kDevices) EXPECT_TRUE(RemoveIfPresent(device.id)) << "a test device stayed";
    LogStop();
  }

  platform::win32::Win32Machine machine_;
  platform::win32::Win32Devices devices_;
  wchar_t paths_[kUsbInfoMaxDetected][kUsbDevicePathChars] = {};
};

TEST_F(UsbDetectWine, RecognisesRegisteredPrintersAndIgnoresOtherDevices) {
  long count = GetPrinterOnline(devices_, paths_);
  ASSERT_EQ(count, 3);

  const UsbInfoRecord* tr80 = EntryFor(count, kDevices[1].id);
  ASSERT_NE(tr80, nullptr);
  EXPECT_STREQ(tr80->Name, L"Tavro TR-80");
  EXPECT_STREQ(tr80->HardwareId, L"USBPRINT\\TAVROTR-80_RECEIPTD2F1");
  EXPECT_STREQ(tr80->Desc, L"Tavro TR-80 Receipt");
  EXPECT_STREQ(tr80->Mfg, L"Tavro");
  EXPECT_STREQ(tr80->Friendly, L"Tavro TR-80 (TAVROWT)");
  EXPECT_STREQ(tr80->Port, L"USB001");
  EXPECT_STREQ(tr80->VidPid, L"");
  // Found through the parent property: Wine's configuration manager cannot walk up.
  EXPECT_EQ(_wcsicmp(tr80->Bus, kDevices[0].id), 0) << "Bus=" << testing::PrintToString(std::wstring(tr80->Bus));
  EXPECT_EQ(_wcsicmp(tr80->DevicePath, kDevices[1].id), 0);

  const UsbInfoRecord* tl241 = EntryFor(count, kDevices[3].id);
  ASSERT_NE(tl241, nullptr);
  EXPECT_STREQ(tl241->Name, L"Tavro TL-241");
  EXPECT_STREQ(tl241->Port, L"USB002");
  EXPECT_EQ(_wcsicmp(tl241->Bus, kDevices[2].id), 0);

  // The catalog's TL-241 comes before the TL-243C: the letter after the number tells them apart.
  const UsbInfoRecord* tl243c = EntryFor(count, kDevices[5].id);
  ASSERT_NE(tl243c, nullptr);
  EXPECT_STREQ(tl243c->Name, L"Tavro TL-243C");
  EXPECT_STREQ(tl243c->Port, L"USB004");

  for (long k = 0; k < count; ++k) EXPECT_EQ(_wcsicmp(paths_[k], UsbInfo[k].InstanceId), 0);
}

TEST_F(UsbDetectWine, ParentLookupFallsBackToTheParentProperty) {
  auto set = devices_.OpenPresentDevices(L"USBPRINT");
  ASSERT_NE(set, nullptr);
  platform::DeviceRef ref;
  bool seen = false;
  for (uint32_t n = 0; set->Enum(n, &ref); ++n) {
    std::wstring id;
    ASSERT_TRUE(set->InstanceId(ref, &id));
    if (_wcsicmp(id.c_str(), kDevices[1].id) != 0) continue;
    seen = true;
    platform::ParentLookup parent;
    ASSERT_TRUE(set->Parent(ref, &parent));
    EXPECT_EQ(_wcsicmp(parent.instance_id.c_str(), kDevices[0].id), 0);
    // Wine differs from Windows here: CM_Get_Parent fails for every device.
    EXPECT_TRUE(parent.used_parent_property);
    EXPECT_NE(parent.get_parent_cr, static_cast<uint32_t>(CR_SUCCESS));
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_TRUE(seen);

  platform::ParentLookup step;
  ASSERT_TRUE(devices_.ParentOfInstanceId(kDevices[3].id, &step));
  EXPECT_EQ(_wcsicmp(step.instance_id.c_str(), kDevices[2].id), 0);
  // A device registered without a parent property has none to report under Wine.
  EXPECT_FALSE(devices_.ParentOfInstanceId(L"USB\\VID_0000&PID_0000\\TAVROWTNONE", &step));
}

TEST_F(UsbDetectWine, RemovedPrintersAreNoLongerFound) {
  ASSERT_TRUE(RemoveIfPresent(kDevices[1].id));
  ASSERT_TRUE(RemoveIfPresent(kDevices[5].id));
  long count = GetPrinterOnline(devices_, paths_);
  ASSERT_EQ(count, 1);
  EXPECT_STREQ(UsbInfo[0].Name, L"Tavro TL-241");
}

}  // namespace
