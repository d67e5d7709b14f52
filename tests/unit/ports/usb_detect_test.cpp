#include "ports/usb_detect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "tests/unit/ports/ports_fixture.h"

namespace {

using portstest::CountOf;
using portstest::Narrow;
using platform::sim::SimDeviceSpec;
using platform::sim::SimDevices;
using platform::sim::SimMachine;

class UsbDetectTest : public portstest::PortsTest {
 protected:
  void SetUp() override {
    PortsTest::SetUp();
    // On the heap, exactly 32 slots: a write to a 33rd is caught by AddressSanitizer.
    paths_.reset(new wchar_t[kUsbInfoMaxDetected][kUsbDevicePathChars]());
  }

  long Detect() { return GetPrinterOnline(devices(), paths_.get()); }
  SimDevices& devices() { return machine_.devices(); }

  std::unique_ptr<wchar_t[][kUsbDevicePathChars]> paths_;
};

TEST_F(UsbDetectTest, RecognisesAPrinterAndFillsItsEntry) {
  AddModel(L"Tavro TL-241", L"TL-241");
  devices().AddOtherDevice(L"PCI\\VEN_8086&DEV_1237\\3&267A616A&0&00");
  auto ids = devices().AddUsbPrinter(L"TAVRO_TL-241_LABEL", L"USB003", 0x4A7F, 0x0241);

  ASSERT_EQ(Detect(), 1);
  const UsbInfoRecord& entry = UsbInfo[0];
  EXPECT_STREQ(entry.Name, L"Tavro TL-241");
  EXPECT_EQ(std::wstring(entry.InstanceId), ids.printer);
  EXPECT_EQ(std::wstring(entry.DevicePath), ids.printer);
  EXPECT_EQ(std::wstring(paths_[0]), ids.printer);
  EXPECT_STREQ(entry.HardwareId, L"USBPRINT\\TAVRO_TL-241_LABEL");
  EXPECT_STREQ(entry.Desc, L"TAVRO_TL-241_LABEL");
  EXPECT_STREQ(entry.Mfg, L"Tavro");
  EXPECT_STREQ(entry.Friendly, L"TAVRO_TL-241_LABEL (USB003)");
  EXPECT_STREQ(entry.VidPid, L"");  // ordinary ids carry no lower-case vid_/pid_
  EXPECT_EQ(std::wstring(entry.Bus), ids.parent);
  EXPECT_STREQ(entry.Port, L"USB003");
  EXPECT_EQ(UsbInfo[1].InstanceId[0], L'\0');
  EXPECT_EQ(devices().OpenSets(), 0);
  EXPECT_EQ(machine_.faults().Calls("SetupDiDestroyDeviceInfoList"), 1);

  std::string log = Log();
  std::string id = Narrow(ids.printer);
  EXPECT_EQ(CountOf(log, "[ENTRY] GetPrinterOnline - szDevicePath="), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - SetupDiGetClassDevs success, hDevInfo="), 1);
  // Only USBPRINT devices are logged; the index counts every device of the set.
  EXPECT_EQ(CountOf(log, "Device #"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - Device #2: InstanceId=" + id + "\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline -   Model=TAVRO_TL-241_LABEL, HardwareId=USBPRINT\\TAVRO_TL-241_LABEL\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline -   Desc=TAVRO_TL-241_LABEL, Mfg=Tavro, "
                         "Friendly=TAVRO_TL-241_LABEL (USB003), VidPid=, Bus=" + Narrow(ids.parent) + "\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - nRecognizeName=TL-241\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - Comparing model=TAVRO_TL-241_LABEL (stripped=TAVROTL241LABEL "
                         "lower=tavrotl241label) with PrinterInfo[0].MatchName=TL-241 (stripped=TL241 lower=tl241)\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - Matching printer found, idx=0, Model=TAVRO_TL-241_LABEL, "
                         "Name=Tavro TL-241, InstanceId=" + id + ", Port=USB003\n"), 1);
  EXPECT_EQ(CountOf(log, "[EXIT] GetPrinterOnline - Found 1 printer(s)\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - UsbInfo[0]: InstanceId=" + id + ", Name=Tavro TL-241\n"), 1);
  EXPECT_EQ(CountOf(log, "[WARN]"), 0);
}

TEST_F(UsbDetectTest, IgnoresOtherDevicesAbsentPrintersAndUnknownModels) {
  AddModel(L"TR-80");
  devices().AddOtherDevice(L"USB\\ROOT_HUB30\\4&2A1B&0&0");
  devices().AddOtherDevice(L"USBSTOR\\DISK&VEN_TAVRO&PROD_TR-80\\1");  // names the model, not a printer
  auto unplugged = devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);
  devices().SetPresent(unplugged.printer, false);
  auto other = devices().AddUsbPrinter(L"OTHERBRANDP58", L"USB002", 0x0416, 0x5011);

  EXPECT_EQ(Detect(), 0);
  EXPECT_EQ(UsbInfo[0].InstanceId[0], L'\0');
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "Device #"), 1);
  EXPECT_EQ(CountOf(log, "[WARN] GetPrinterOnline - No PrinterInfo matched for model=OTHERBRANDP58, InstanceId=" +
                             Narrow(other.printer) + "\n"),
            1);
  EXPECT_EQ(CountOf(log, "[EXIT] GetPrinterOnline - Found 0 printer(s)\n"), 1);
}

TEST_F(UsbDetectTest, LowerCasePrefixIsAccepted) {
  AddModel(L"TR-80");
  SimDeviceSpec device;
  device.instance_id = L"usbprint\\tavrotr80\\7&1a&0&usb004";
  devices().AddDevice(device);
  ASSERT_EQ(Detect(), 1);
  EXPECT_STREQ(UsbInfo[0].Name, L"TR-80");
  EXPECT_STREQ(UsbInfo[0].Port, L"usb004");
  // No properties at all: the fields stay empty; a top-level device's parent is the root.
  EXPECT_STREQ(UsbInfo[0].HardwareId, L"");
  EXPECT_STREQ(UsbInfo[0].Friendly, L"");
  EXPECT_STREQ(UsbInfo[0].Bus, SimDevices::kRootId);
}

TEST_F(UsbDetectTest, RecognizeNameReplacesModelAndFirstMatchingRecordWins) {
  AddModel(L"Tavro TL241", L"NOMATCH");  // MODEL would match, but RecognizeName alone counts
  AddModel(L"TL-24");                    // a substring of the next one's name: order decides
  AddModel(L"TL-241");
  devices().AddUsbPrinter(L"TAVROTL241", L"USB001", 0x4A7F, 0x0241);

  ASSERT_EQ(Detect(), 1);
  EXPECT_STREQ(UsbInfo[0].Name, L"TL-24");
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "nRecognizeName=NOMATCH\n"), 1);
  EXPECT_EQ(CountOf(log, "nRecognizeName=\n"), 1);
  EXPECT_EQ(CountOf(log, "PrinterInfo[0].MatchName=NOMATCH (stripped=NOMATCH lower=nomatch)"), 1);
  EXPECT_EQ(CountOf(log, "PrinterInfo[1].MatchName=TL-24 (stripped=TL24 lower=tl24)"), 1);
  EXPECT_EQ(CountOf(log, "PrinterInfo[2]"), 0);
}

TEST_F(UsbDetectTest, SeparatorsAreIgnoredAndOnlyAsciiLettersFolded) {
  AddModel(L"AB-12");
  AddModel(L"\u00C4Z");  // capital A with diaeresis
  devices().AddUsbPrinter(L"xAB_12y", L"USB001", 1, 1);
  devices().AddUsbPrinter(L"Q\u00E4zQ", L"USB002", 1, 2);  // small a with diaeresis: no match
  devices().AddUsbPrinter(L"Q\u00C4zQ", L"USB003", 1, 3);

  ASSERT_EQ(Detect(), 2);
  EXPECT_STREQ(UsbInfo[0].Name, L"AB-12");
  EXPECT_STREQ(UsbInfo[0].Port, L"USB001");
  EXPECT_STREQ(UsbInfo[1].Name, L"\u00C4Z");
  EXPECT_STREQ(UsbInfo[1].Port, L"USB003");
}

TEST_F(UsbDetectTest, ANameOfSeparatorsOnlyRecognisesNothing) {
  AddModel(L"--");
  AddModel(L"TR-80");
  devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 1, 1);
  ASSERT_EQ(Detect(), 1);
  EXPECT_STREQ(UsbInfo[0].Name, L"TR-80");
}

TEST_F(UsbDetectTest, ThirtyThirdPrinterIsSkippedAsFull) {
  AddModel(L"TR-80");
  std::wstring last;
  for (int k = 1; k <= 33; ++k) {
    wchar_t port[16];
    std::swprintf(port, 16, L"USB%03d", k);
    last = devices().AddUsbPrinter(L"TAVROTR80", port, 0x4A7F, 0x0080).printer;
  }
  UsbInfo[32].Name[0] = L'!';  // beyond the count: left as it was

  ASSERT_EQ(Detect(), 32);
  EXPECT_STREQ(UsbInfo[31].Port, L"USB032");
  EXPECT_STREQ(UsbInfo[32].Name, L"!");
  EXPECT_STREQ(paths_[31] + std::wcslen(paths_[31]) - 6, L"USB032");
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[WARN] GetPrinterOnline - UsbInfo array full (32 >= 32), skipping\n"), 1);
  EXPECT_EQ(CountOf(log, "[WARN] GetPrinterOnline - No PrinterInfo matched for model=TAVROTR80, InstanceId=" +
                             Narrow(last) + "\n"),
            1);
  EXPECT_EQ(CountOf(log, "[EXIT] GetPrinterOnline - Found 32 printer(s)\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetPrinterOnline - UsbInfo["), 32);
}

TEST_F(UsbDetectTest, BusFallsBackToTheParentPropertyWhenTheConfigManagerFails) {
  AddModel(L"TR-80");
  auto ids = devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);
  machine_.faults().Fail("CM_Get_Parent", platform::cr::kCallNotImplemented);  // as under Wine
  ASSERT_EQ(Detect(), 1);
  EXPECT_EQ(std::wstring(UsbInfo[0].Bus), ids.parent);

  // Neither way answers: Bus stays empty and the printer is still recognised.
  machine_.faults().Fail("SetupDiGetDevicePropertyW", 5);
  std::memset(UsbInfo, 0, sizeof(UsbInfo));
  ASSERT_EQ(Detect(), 1);
  EXPECT_STREQ(UsbInfo[0].Bus, L"");
  EXPECT_STREQ(UsbInfo[0].Name, L"TR-80");
}

TEST_F(UsbDetectTest, FailingCallsAreLoggedOrSkipTheirDevice) {
  AddModel(L"TR-80");
  SimDeviceSpec first;
  first.instance_id = L"USBPRINT\\TAVROTR80\\7&1&0&USB009";
  devices().AddDevice(first);
  auto second = devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);

  machine_.faults().Fail("SetupDiGetClassDevsW", 5, 1);
  EXPECT_EQ(Detect(), 0);
  EXPECT_EQ(CountOf(Log(), "[ERROR] GetPrinterOnline - SetupDiGetClassDevs failed, Error=5\n"), 1);

  machine_.faults().Fail("SetupDiEnumDeviceInfo", 1784, 1);
  EXPECT_EQ(Detect(), 0);
  EXPECT_EQ(CountOf(Log(), "[WARN] GetPrinterOnline - SetupDiEnumDeviceInfo failed at device #0, Error=1784\n"), 1);
  EXPECT_EQ(devices().OpenSets(), 0);

  // The first device's id cannot be read: it is skipped, the next one is found.
  machine_.faults().Fail("SetupDiGetDeviceInstanceIdW", 122, 1);
  ASSERT_EQ(Detect(), 1);
  EXPECT_EQ(std::wstring(UsbInfo[0].InstanceId), second.printer);

  // Properties that cannot be read leave their fields empty.
  machine_.faults().Fail("SetupDiGetDeviceRegistryPropertyW", 13);
  ASSERT_EQ(Detect(), 2);
  EXPECT_STREQ(UsbInfo[1].Mfg, L"");
  EXPECT_STREQ(UsbInfo[1].HardwareId, L"");
  // Only the end of the set ended the walks that succeeded.
  EXPECT_EQ(CountOf(Log(), "SetupDiEnumDeviceInfo failed"), 1);
}

TEST_F(UsbDetectTest, OverLongTextsAreCutToTheirFields) {
  std::wstring segment(100, L'M');  // the model segment is cut to 63 before comparing
  AddModel(std::wstring(63, L'M').c_str());
  std::wstring id = L"USBPRINT\\" + segment + L"\\" + std::wstring(300, L'7') + L"&0&USB001";
  SimDeviceSpec device;
  device.instance_id = id;
  device.hardware_ids = {std::wstring(700, L'H')};
  device.friendly_name = std::wstring(300, L'F');
  device.parent_id = L"USB\\VID_1&PID_1\\" + std::wstring(300, L'P');
  SimDeviceSpec parent;
  parent.instance_id = device.parent_id;
  devices().AddDevice(parent);
  devices().AddDevice(device);

  ASSERT_EQ(Detect(), 1);
  const UsbInfoRecord& entry = UsbInfo[0];
  EXPECT_EQ(std::wstring(entry.InstanceId), id.substr(0, kUsbInstanceIdChars - 1));
  EXPECT_EQ(std::wstring(entry.DevicePath), id.substr(0, kUsbDevicePathChars - 1));
  EXPECT_EQ(std::wstring(paths_[0]), id.substr(0, kUsbDevicePathChars - 1));
  EXPECT_EQ(std::wstring(entry.HardwareId), std::wstring(kUsbHardwareIdChars - 1, L'H'));
  EXPECT_EQ(std::wstring(entry.Friendly), std::wstring(kUsbTextChars - 1, L'F'));
  EXPECT_EQ(std::wstring(entry.Bus), device.parent_id.substr(0, kUsbBusChars - 1));
  EXPECT_STREQ(entry.Port, L"USB001");  // taken from the whole id
  EXPECT_EQ(std::wstring(entry.Name), std::wstring(63, L'M'));
  EXPECT_EQ(CountOf(Log(), "InstanceId=" + Narrow(id) + "\n"), 1);
}

TEST_F(UsbDetectTest, AnEmptyCatalogRecognisesNothing) {
  devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);
  EXPECT_EQ(Detect(), 0);
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "Comparing"), 0);
  EXPECT_EQ(CountOf(log, "[WARN] GetPrinterOnline - No PrinterInfo matched for model=TAVROTR80"), 1);
}

TEST_F(UsbDetectTest, TheShippedCatalogRecognisesEachModelByTheIdWindowsGivesIt) {
  const std::string json = tavro_test::ShippedFile("Modules.json");
  ASSERT_FALSE(json.empty());
  const std::wstring path = L"C:\\Config\\Modules.json";
  ASSERT_TRUE(machine_.files().MakeDirectoryW(L"C:\\Config"));
  {
    auto file = machine_.files().OpenW(path, "wb");
    ASSERT_TRUE(file);
    ASSERT_EQ(file->Write(json.data(), json.size()), json.size());
  }
  LoadModelCatalog(machine_, path, nullptr);
  ASSERT_EQ(CountCatalogModels(), 6);

  // The USB printing stack names a printer after its IEEE 1284 maker and model strings, joined,
  // with every space turned into "_"; a match name holding a space could never be found there.
  struct Plugged {
    const wchar_t* segment;
    const wchar_t* model;
  };
  const Plugged plugged[] = {
      {L"TAVROTL-241_LABEL", L"Tavro TL-241"},  {L"TAVROTL-341_LABEL", L"Tavro TL-341"},
      {L"TAVROTR-80_RECEIPT", L"Tavro TR-80"},  {L"TAVROTM-220_MOBILE", L"Tavro TM-220"},
      {L"TAVROTL-308", L"Tavro TL-308"},        {L"TAVROTL-243C_COLOR", L"Tavro TL-243C"},
  };
  uint16_t pid = 1;
  for (const Plugged& p : plugged) {
    wchar_t port[8];
    std::swprintf(port, 8, L"USB%03u", static_cast<unsigned>(pid));
    devices().AddUsbPrinter(p.segment, port, 0x4A7F, pid++);
  }
  ASSERT_EQ(Detect(), 6);
  for (int k = 0; k < 6; ++k) {
    const std::wstring id = UsbInfo[k].InstanceId;
    const Plugged* expected = nullptr;
    for (const Plugged& p : plugged) {
      if (id.find(std::wstring(L"\\") + p.segment + L"\\") != std::wstring::npos) expected = &p;
    }
    ASSERT_NE(expected, nullptr) << Narrow(id);
    EXPECT_STREQ(UsbInfo[k].Name, expected->model) << Narrow(id);
  }
}

}  // namespace
