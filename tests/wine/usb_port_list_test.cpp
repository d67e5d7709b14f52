// The USB port list against Wine's real spooler, device setup and registry: the fixture
// registers a USBPRINT printer on USB001 below its USB device and adds the spooler port USB001
// on "Local Port" (AddPortExW level 1, as the installer's own port step does); the real
// BuildUsbPortRows pairs them, and the local port names come from the real MS-DOS device list.
// The fixture removes its devices and ports again, also those a run that died left behind.
// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/win32/win32_machine.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "tests/wine/log_reader.h"
#include "tests/wine/wine_devices.h"
// winspool.h maps EnumPorts to EnumPortsW; the spooler seam's method keeps its own name.
#undef EnumPorts
#include "platform/spooler.h"

namespace {

using winetest::kClassPrinter;
using winetest::kClassUsb;
using winetest::TestDevice;

// All ids carry "TAVROPL" so that nothing else in the prefix is touched.
const TestDevice kDevices[] = {
    {L"USB\\VID_4A7F&PID_0080\\TAVROPL0001", &kClassUsb, nullptr, L"USB\\VID_4A7F&PID_0080&REV_0100",
     L"USB Printing Support", L"(Standard USB Host Controller)", nullptr},
    {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E0A01&0&USB001", &kClassPrinter, L"USB\\VID_4A7F&PID_0080\\TAVROPL0001",
     L"USBPRINT\\TAVROTR-80_RECEIPTD2F1", L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROPL)"},
    {L"USB\\VID_4A7F&PID_0241\\TAVROPL0002", &kClassUsb, nullptr, L"USB\\VID_4A7F&PID_0241&REV_0100",
     L"USB Printing Support", L"(Standard USB Host Controller)", nullptr},
    {L"USBPRINT\\TAVROTL-241_LABEL\\7&5D1E0A02&0&USB002", &kClassPrinter, L"USB\\VID_4A7F&PID_0241\\TAVROPL0002",
     L"USBPRINT\\TAVROTL-241_LABEL77A0", L"Tavro TL-241 Label", L"Tavro", L"Tavro TL-241 (TAVROPL)"},
};
const wchar_t* const kPorts[] = {L"USB001", L"USB002"};

// Not declared by MinGW-w64: looked up in winspool.drv.
using AddPortExFn = BOOL(WINAPI*)(LPWSTR, DWORD, LPBYTE, LPWSTR);

// AddPortExW level 1 on the Local Port monitor; 0 on success, else the error.
DWORD AddLocalPort(const wchar_t* name) {
  HMODULE winspool = GetModuleHandleW(L"winspool.drv");
  auto add_port_ex = reinterpret_cast<AddPortExFn>(
      reinterpret_cast<void*>(winspool ? GetProcAddress(winspool, "AddPortExW") : nullptr));
  if (!add_port_ex) return ERROR_PROC_NOT_FOUND;
  PORT_INFO_1W info = {const_cast<wchar_t*>(name)};
  wchar_t monitor[] = L"Local Port";
  return add_port_ex(nullptr, 1, reinterpret_cast<BYTE*>(&info), monitor) ? 0 : GetLastError();
}

bool SpoolerLists(platform::Machine& machine, const wchar_t* name) {
  std::vector<platform::PortInfo> ports;
  if (!machine.spooler().EnumPorts(&ports)) return false;
  for (const auto& port : ports) {
    if (port.name == name) return true;
  }
  return false;
}

using winetest::LogFrom;
using winetest::LogSize;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

const UsbPortRow* RowNamed(const wchar_t* name) {
  for (const UsbPortRow& row : UsbPortRows) {
    if (std::wcscmp(row.Name, name) == 0) return &row;
  }
  return nullptr;
}

class UsbPortListWine : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveEverything();
    for (const wchar_t* port : kPorts) ASSERT_FALSE(SpoolerLists(machine_, port)) << "a leftover port stayed";
    LogAttachMachine(&machine_);
    std::memset(PrinterInfo, 0, sizeof(PrinterInfo));
    std::wcscpy(PrinterInfo[0].MODEL, L"Tavro TR-80");
    std::wcscpy(PrinterInfo[0].RecognizeName, L"TR-80");
    std::wcscpy(PrinterInfo[1].MODEL, L"Tavro TL-241");
    std::wcscpy(PrinterInfo[1].RecognizeName, L"TL-241");
    std::memset(UsbInfo, 0, sizeof(UsbInfo));
    ClearUsbPortRows();
    ClearAllPorts();
  }
  void TearDown() override {
    RemoveEverything();
    for (const TestDevice& device : kDevices) {
      EXPECT_TRUE(winetest::RemoveIfPresent(device.id)) << "a test device stayed";
    }
    for (const wchar_t* port : kPorts) EXPECT_FALSE(SpoolerLists(machine_, port)) << "a test port stayed";
    LogStop();
  }

  // The fixture's devices and ports, whether this run or an earlier one made them.
  void RemoveEverything() {
    for (const TestDevice& device : kDevices) winetest::RemoveIfPresent(device.id);
    for (const wchar_t* port : kPorts) {
      if (SpoolerLists(machine_, port)) DeletePortW(nullptr, nullptr, const_cast<wchar_t*>(port));
    }
  }

  void RegisterDevices(size_t count) {
    for (size_t i = 0; i < count; ++i) ASSERT_EQ(winetest::Register(kDevices[i]), "") << "registering a device failed";
  }

  platform::win32::Win32Machine machine_;
};

TEST_F(UsbPortListWine, ThePrinterOnUsb001IsPairedWithTheSpoolerPortUsb001) {
  RegisterDevices(2);
  ASSERT_EQ(AddLocalPort(L"USB001"), 0u);
  ASSERT_TRUE(SpoolerLists(machine_, L"USB001"));

  long offset = LogSize();
  BuildUsbPortRows(machine_);
  EXPECT_STREQ(UsbPortRows[0].Name, L"Tavro TR-80");
  EXPECT_STREQ(UsbPortRows[0].Port, L"USB001");
  EXPECT_EQ(UsbPortRows[0].Valid, 1);
  EXPECT_EQ(UsbPortRows[1].Port[0], L'\0');

  // Wine's configuration manager cannot walk up; the parent property lets pass 1 match.
  std::string log = LogFrom(offset);
  EXPECT_NE(log.find("[INFO] GetAllPortList - Fallback port USB001 parent=USB\\VID_4A7F&PID_0080\\TAVROPL0001, "
                     "USB instance=TAVROPL0001, expect=TAVROPL0001"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[INFO] GetAllPortList - Fallback matched by USB instance ID: port=USB001, device=" +
                     Narrow(kDevices[1].id)),
            std::string::npos);
  EXPECT_NE(log.find("[INFO] GetAllPortList - Port=USB001, PrinterName=Tavro TR-80"), std::string::npos);
}

TEST_F(UsbPortListWine, APrinterWhosePortTheSpoolerLacksKeepsItsOwnPortName) {
  RegisterDevices(4);
  ASSERT_EQ(AddLocalPort(L"USB001"), 0u);

  BuildUsbPortRows(machine_);
  const UsbPortRow* tr80 = RowNamed(L"Tavro TR-80");
  const UsbPortRow* tl241 = RowNamed(L"Tavro TL-241");
  ASSERT_NE(tr80, nullptr);
  ASSERT_NE(tl241, nullptr);
  EXPECT_STREQ(tr80->Port, L"USB001");
  EXPECT_STREQ(tl241->Port, L"USB002");
  EXPECT_EQ(tl241->Valid, 1);
}

TEST_F(UsbPortListWine, ParentOfAPortIsTheUsbDeviceOfItsPrinter) {
  RegisterDevices(4);
  wchar_t parent[200] = {};
  ASSERT_TRUE(GetUsbPrintPortParentInstanceId(machine_, L"USB002:", parent, 200));
  EXPECT_EQ(_wcsicmp(parent, kDevices[2].id), 0) << Narrow(parent);
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"USB077", parent, 200));
  EXPECT_STREQ(parent, L"");
}

TEST_F(UsbPortListWine, LocalPortNamesComeFromTheDosDevicesAndTheSpooler) {
  ASSERT_EQ(AddLocalPort(L"USB001"), 0u);
  wchar_t slots[64][kLocalPortChars] = {};
  int n = EnumLocalPorts(machine_, L"COM", slots, 64);
  ASSERT_GE(n, 1);
  std::vector<std::wstring> com(slots, slots + n);
  // Wine's only serial device is COM1 (from /dev/ttyS0).
  EXPECT_NE(std::find(com.begin(), com.end(), L"COM1:"), com.end());
  for (const auto& name : com) EXPECT_EQ(name.compare(0, 3, L"COM"), 0) << Narrow(name);

  CacheAllPorts(machine_.spooler());
  std::vector<std::wstring> table;
  for (int k = 0; k < kAllPortsCount && AllPorts[k][0]; ++k) table.push_back(AllPorts[k]);
  for (const wchar_t* name : {L"COM1:", L"LPT1:", L"FILE:", L"USB001"}) {
    EXPECT_NE(std::find(table.begin(), table.end(), name), table.end()) << Narrow(name);
  }
  // No DOS device begins with USB: the table alone answers, unchanged.
  n = EnumLocalPorts(machine_, L"USB", slots, 64);
  ASSERT_EQ(n, 1);
  EXPECT_STREQ(slots[0], L"USB001");
}

}  // namespace
