#include "ports/usb_port_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "tests/unit/ports/ports_fixture.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;
using platform::sim::SimDeviceSpec;
using platform::sim::SimSpooler;
using portstest::CountOf;
using portstest::Narrow;

constexpr const wchar_t* kUsbMonitorPorts = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\USB Monitor\\Ports";

class UsbPortListTest : public portstest::PortsTest {
 protected:
  void SetUp() override {
    PortsTest::SetUp();
    AddModel(L"Tavro TR-80", L"TR-80");
    AddModel(L"Tavro TL-241", L"TL-241");
  }

  platform::sim::SimDevices& devices() { return machine_.devices(); }
  SimSpooler& spooler() { return machine_.spooler(); }
  void AddUsbPort(const std::wstring& port) { ASSERT_TRUE(spooler().AddPort(SimSpooler::kUsbMonitor, port)); }

  // A printer on a hub that names no VID/PID, so that no USB instance can be found for it.
  std::wstring AddPrinterOnHub(const std::wstring& model_segment, const std::wstring& tail) {
    devices().AddOtherDevice(L"USB\\ROOT_HUB30\\4&2A1B&0&0");
    SimDeviceSpec printer;
    printer.instance_id = L"USBPRINT\\" + model_segment + L"\\" + tail;
    printer.parent_id = L"USB\\ROOT_HUB30\\4&2A1B&0&0";
    devices().AddDevice(printer);
    return printer.instance_id;
  }

  std::wstring Row(int i) { return std::wstring(UsbPortRows[i].Name) + L"|" + UsbPortRows[i].Port; }
};

// ---- the pairing -----------------------------------------------------------------------------

TEST_F(UsbPortListTest, OnePrinterOnUsb001IsMatchedByItsPortName) {
  std::wstring id = AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&2C1A6A9A&0&USB001");
  AddUsbPort(L"USB001");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(Row(0), L"Tavro TR-80|USB001");
  EXPECT_EQ(UsbPortRows[0].Valid, 1);
  EXPECT_EQ(UsbPortRows[1].Port[0], L'\0');

  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[InstallDlg.cpp:CInstallDlg::GetAllPortList:"), CountOf(log, "GetAllPortList - "));
  // The spooler's USB port is the USB Monitor's: its key has no "Device Path" here.
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Enumerated 1 USB monitors\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Enumerated 1 USB printers\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback: found 1 USB ports via EnumPorts\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Enumerated USB printer: " + Narrow(id) + "\n"), 1);
  // Pass 1 finds the port's device but no node with a VID and a PID above it.
  EXPECT_EQ(CountOf(log, "[WARN] GetAllPortList - GetUsbPrintPortParentInstanceId failed for port USB001, skipping\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback port USB001, USB port=USB001\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback matched by USB port: port=USB001, device=" + Narrow(id) +
                             "\n"),
            1);
  EXPECT_EQ(CountOf(log, "Fallback matched by UsbInfo port name"), 0);
  EXPECT_EQ(CountOf(log, "assigned by order"), 0);
  EXPECT_EQ(CountOf(log, "not matched"), 0);
}

TEST_F(UsbPortListTest, TwoPrintersClaimingUsb001GetUsb001AndByOrderUsb002) {
  std::wstring first = AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&1&0&USB001");
  std::wstring second = AddPrinterOnHub(L"TAVROTL-241_LABEL", L"7&2&0&USB001");
  AddUsbPort(L"USB001");
  AddUsbPort(L"USB002");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(Row(0), L"Tavro TR-80|USB001");
  EXPECT_EQ(Row(1), L"Tavro TL-241|USB002");
  EXPECT_EQ(UsbPortRows[1].Valid, 1);
  // How each row got its port, for the service: the id's port, then a guess.
  EXPECT_EQ(UsbPortRowMatch[0], UsbPortMatch::kByUsbPort);
  EXPECT_EQ(UsbPortRowMatch[1], UsbPortMatch::kByOrder);

  std::string log = Log();
  EXPECT_EQ(CountOf(log, "Fallback matched by USB port: port=USB001, device=" + Narrow(first) + "\n"), 1);
  // For the second, USB001 is taken: pass 2 compares only USB002, pass 3 cannot take USB001 again.
  EXPECT_EQ(CountOf(log, "[WARN] GetAllPortList - port USB002 not match USB port USB001, skipping\n"), 1);
  EXPECT_EQ(CountOf(log, "Fallback port USB001, USB port=USB001\n"), 1);
  EXPECT_EQ(CountOf(log, "Fallback matched by UsbInfo port name"), 0);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback assigned by order (model hidden): port=USB002, device=" +
                             Narrow(second) + "\n"),
            1);
}

TEST_F(UsbPortListTest, APortTheSpoolerDoesNotListIsStillAssigned) {
  std::wstring id = AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&1&0&USB003");
  AddUsbPort(L"USB001");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(Row(0), L"Tavro TR-80|USB003");
  EXPECT_EQ(UsbPortRows[0].Valid, 1);
  EXPECT_EQ(UsbPortRowMatch[0], UsbPortMatch::kByName);
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[WARN] GetUsbPrintPortParentInstanceId - no USBPRINT device found for port=USB001\n"), 1);
  EXPECT_EQ(CountOf(log, "[WARN] GetAllPortList - port USB001 not match USB port USB003, skipping\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback matched by UsbInfo port name (port not in EnumPorts): "
                         "port=USB003, device=" + Narrow(id) + "\n"),
            1);
  EXPECT_EQ(CountOf(log, "assigned by order"), 0);
}

TEST_F(UsbPortListTest, WithoutUsbPortsNoPrinterIsPaired) {
  std::wstring id = AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&1&0&USB001");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(UsbPortRows[0].Port[0], L'\0');
  EXPECT_EQ(UsbPortRows[0].Name[0], L'\0');
  EXPECT_EQ(UsbPortRows[0].Valid, 0);
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback: found 0 USB ports via EnumPorts\n"), 1);
  // Not even its own port name: with no port listed at all, no pass runs.
  EXPECT_EQ(CountOf(log, "Fallback matched"), 0);
  EXPECT_EQ(CountOf(log, "[WARN] GetAllPortList - USB device not matched: " + Narrow(id) + "\n"), 1);
}

TEST_F(UsbPortListTest, ATrailingColonIsComparedAndStoredWithout) {
  AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&1&0&USB003");
  AddUsbPort(L"USB003:");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(Row(0), L"Tavro TR-80|USB003");
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPortsFromEnumPorts - Found USB port: USB003:\n"), 1);
  EXPECT_EQ(CountOf(log, "Fallback matched by USB port: port=USB003, device="), 1);
}

TEST_F(UsbPortListTest, PassOnePairsByTheUsbInstanceOfThePortsDevice) {
  // Windows moved the printer to USB007: its id still ends in USB001, its PortName says USB007.
  auto moved = devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB001", 0x4A7F, 0x0080, L"SERIAL80");
  ASSERT_TRUE(devices().SetPortName(moved.printer, L"USB007"));
  auto other = devices().AddUsbPrinter(L"TAVROTL-241_LABEL", L"USB002", 0x4A7F, 0x0241, L"SERIAL241");
  AddUsbPort(L"USB002");
  AddUsbPort(L"USB007");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(Row(0), L"Tavro TR-80|USB007");
  EXPECT_EQ(Row(1), L"Tavro TL-241|USB002");
  EXPECT_EQ(UsbPortRows[0].Valid, 1);
  EXPECT_EQ(UsbPortRowMatch[0], UsbPortMatch::kByInstance);
  ClearUsbPortRows();
  EXPECT_EQ(UsbPortRowMatch[0], UsbPortMatch::kNone);

  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback port USB002 parent=" + Narrow(other.parent) +
                             ", USB instance=SERIAL241, expect=SERIAL80\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPrintPortParentInstanceId - PortName=USB007 matched via registry fallback\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback port USB007 parent=" + Narrow(moved.parent) +
                             ", USB instance=SERIAL80, expect=SERIAL80\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback matched by USB instance ID: port=USB007, device=" +
                             Narrow(moved.printer) + "\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Port=USB007, PrinterName=Tavro TR-80\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Port=USB002, PrinterName=Tavro TL-241\n"), 1);
  EXPECT_EQ(CountOf(log, "Fallback matched by USB port"), 0);
}

TEST_F(UsbPortListTest, RebuildingClearsStaleRowsAndNoPrinterLeavesThemEmpty) {
  UsbPortRows[3] = UsbPortRow{L"Old", L"USB009", 1};
  AddUsbPort(L"USB001");

  BuildUsbPortRows(machine_);
  EXPECT_EQ(UsbPortRows[3].Port[0], L'\0');
  EXPECT_EQ(UsbPortRows[3].Valid, 0);
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - No USB printer found\n"), 1);
  EXPECT_EQ(CountOf(log, "GetUsbPortsFromEnumPorts"), 0);
}

TEST_F(UsbPortListTest, FailingSpoolerAndDeviceCallsAreLogged) {
  AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&1&0&USB001");
  AddUsbPort(L"USB001");
  machine_.faults().Fail("EnumPortsW", 1722, 1);
  BuildUsbPortRows(machine_);
  EXPECT_EQ(UsbPortRows[0].Port[0], L'\0');
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[ERROR] GetUsbPortsFromEnumPorts - EnumPorts failed, Error=1722\n"), 1);
  EXPECT_EQ(CountOf(log, "USB device not matched"), 1);

  // The device walk of GetPrinterOnline fails: nothing is recognised, so nothing is paired.
  machine_.faults().Fail("SetupDiGetClassDevsW", 5, 1);
  BuildUsbPortRows(machine_);
  log = Log();
  EXPECT_EQ(CountOf(log, "[ERROR] GetPrinterOnline - SetupDiGetClassDevs failed, Error=5\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - No USB printer found\n"), 1);
  EXPECT_EQ(devices().OpenSets(), 0);
}

// ---- GetUsbPortsFromEnumPorts ----------------------------------------------------------------

TEST_F(UsbPortListTest, UsbPortsAreTakenInOrderUpToMaxAndOverLongNamesSkipped) {
  const std::wstring longest(L"USB" + std::wstring(124, L'7'));   // 127 characters: fits
  const std::wstring too_long(L"usb" + std::wstring(125, L'8'));  // 128 characters: would be cut
  AddUsbPort(L"USB001");
  ASSERT_TRUE(spooler().AddPort(SimSpooler::kLocalPortMonitor, L"usb005"));
  ASSERT_TRUE(spooler().AddPort(SimSpooler::kLocalPortMonitor, too_long));
  ASSERT_TRUE(spooler().AddPort(SimSpooler::kLocalPortMonitor, longest));
  ASSERT_TRUE(spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5"));

  auto names = std::make_unique<wchar_t[][kEnumPortsUsbChars]>(kEnumPortsUsbMax);
  ASSERT_EQ(GetUsbPortsFromEnumPorts(spooler(), names.get(), kEnumPortsUsbMax), 3);
  // Local ports come first, then the USB Monitor's.
  EXPECT_STREQ(names[0], L"usb005");
  EXPECT_EQ(std::wstring(names[1]), longest);
  EXPECT_STREQ(names[2], L"USB001");
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[WARN] GetUsbPortsFromEnumPorts - Port name of 128 characters does not fit 127, "
                         "skipping: " + Narrow(too_long) + "\n"),
            1);
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPortsFromEnumPorts - Total 3 USB ports found\n"), 1);

  // Exactly two slots: a third name must not be written.
  auto two = std::make_unique<wchar_t[][kEnumPortsUsbChars]>(2);
  EXPECT_EQ(GetUsbPortsFromEnumPorts(spooler(), two.get(), 2), 2);
  EXPECT_EQ(CountOf(Log(), "[INFO] GetUsbPortsFromEnumPorts - Total 2 USB ports found\n"), 1);
}

// ---- GetUsbPrintPortParentInstanceId ---------------------------------------------------------

TEST_F(UsbPortListTest, ParentLookupWalksUpToTheNodeWithVidAndPid) {
  // A composite device: printer below an interface node below the USB device.
  SimDeviceSpec usb;
  usb.instance_id = L"USB\\VID_4A7F&PID_0080\\SER1";
  devices().AddDevice(usb);
  SimDeviceSpec function;
  function.instance_id = L"USBCOMPOSITE\\FUNC\\8&1";
  function.parent_id = usb.instance_id;
  devices().AddDevice(function);
  SimDeviceSpec printer;
  printer.instance_id = L"USBPRINT\\TAVROTR80\\9&1&0&USB004";
  printer.parent_id = function.instance_id;
  devices().AddDevice(printer);
  devices().AddUsbPrinter(L"TAVROTL241", L"USB005", 0x4A7F, 0x0241);

  wchar_t parent[200] = L"junk";
  ASSERT_TRUE(GetUsbPrintPortParentInstanceId(machine_, L"USB004:", parent, 200));
  EXPECT_STREQ(parent, L"USB\\VID_4A7F&PID_0080\\SER1");
  wchar_t small[8];
  ASSERT_TRUE(GetUsbPrintPortParentInstanceId(machine_, L"USB004", small, 8));
  EXPECT_STREQ(small, L"USB\\VID");

  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPrintPortParentInstanceId - USBPRINT device #1: USBPRINT\\TAVROTR80\\9&1&0&USB004 "
                         "(checking port=USB004)\n"),
            2);
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPrintPortParentInstanceId - parent candidate=USBCOMPOSITE\\FUNC\\8&1, cr=0\n"), 2);
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPrintPortParentInstanceId - matched port=USB004, parent=USB\\VID_4A7F&PID_0080"
                         "\\SER1\n"),
            1);
  // The walk goes on past the find: the second printer is scanned too.
  EXPECT_EQ(CountOf(log, "[INFO] GetUsbPrintPortParentInstanceId - scanned 2 USBPRINT devices total, found=1 for "
                         "port=USB004\n"),
            2);
  EXPECT_EQ(devices().OpenSets(), 0);
}

TEST_F(UsbPortListTest, ParentLookupRefusesMissingArgumentsSilently) {
  wchar_t parent[16] = L"x";
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, nullptr, parent, 16));
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"", parent, 16));
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"USB001", nullptr, 16));
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"USB001", parent, 0));
  EXPECT_EQ(machine_.faults().Calls("SetupDiGetClassDevsW"), 0);
  EXPECT_EQ(CountOf(Log(), "GetUsbPrintPortParentInstanceId"), 0);
  // A lone colon names no port; it would otherwise be found in every id.
  devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L":", parent, 16));
  EXPECT_STREQ(parent, L"");
}

TEST_F(UsbPortListTest, ParentLookupUsesTheParentPropertyWhenTheConfigManagerFails) {
  auto ids = devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);
  machine_.faults().Fail("CM_Get_Parent", platform::cr::kCallNotImplemented);  // as under Wine
  wchar_t parent[200];
  ASSERT_TRUE(GetUsbPrintPortParentInstanceId(machine_, L"USB001", parent, 200));
  EXPECT_EQ(std::wstring(parent), ids.parent);
}

TEST_F(UsbPortListTest, ParentLookupFailuresAreLogged) {
  devices().AddUsbPrinter(L"TAVROTR80", L"USB001", 0x4A7F, 0x0080);
  wchar_t parent[200];
  machine_.faults().Fail("SetupDiGetClassDevsW", 1784, 1);
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"USB001", parent, 200));
  machine_.faults().Fail("SetupDiEnumDeviceInfo", 1784, 1);
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"USB001", parent, 200));
  // The registry fallback cannot be read: a device whose id lacks the port does not belong.
  machine_.faults().Fail("RegQueryValueExW", 5);
  EXPECT_FALSE(GetUsbPrintPortParentInstanceId(machine_, L"USB009", parent, 200));
  machine_.faults().ClearAll();
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[ERROR] GetUsbPrintPortParentInstanceId - SetupDiGetClassDevs failed, Error=1784\n"), 1);
  EXPECT_EQ(CountOf(log, "[WARN] GetUsbPrintPortParentInstanceId - SetupDiEnumDeviceInfo failed at device #0, "
                         "Error=1784\n"),
            1);
  EXPECT_EQ(CountOf(log, "[WARN] GetUsbPrintPortParentInstanceId - no USBPRINT device found for port=USB001\n"), 1);
  EXPECT_EQ(CountOf(log, "[WARN] GetUsbPrintPortParentInstanceId - no USBPRINT device found for port=USB009\n"), 1);
  EXPECT_EQ(CountOf(log, "matched via registry fallback"), 0);
  EXPECT_EQ(devices().OpenSets(), 0);
}

// ---- FoundUsbMonitor -------------------------------------------------------------------------

TEST_F(UsbPortListTest, UsbMonitorPortsAreReadWithTheirDevicePaths) {
  const std::wstring path1 = L"\\\\?\\usb#vid_4a7f&pid_0080#ser80#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
  ASSERT_TRUE(spooler().AddUsbPort(L"USB001", path1));
  ASSERT_TRUE(spooler().AddUsbPort(L"USB002", L"caf\u00e9"));
  AddUsbPort(L"USB003");  // no Device Path
  AddUsbPort(L"USB004");
  machine_.registry().SetValue(Hive::kLocalMachine, std::wstring(kUsbMonitorPorts) + L"\\USB004", L"Device Path",
                               RegView::kDefault, RegValue::Dword(7));
  ASSERT_TRUE(spooler().AddUsbPort(L"USB005", std::wstring(254, L'p')));  // 255 bytes with the NUL: fits
  ASSERT_TRUE(spooler().AddUsbPort(L"USB006", std::wstring(255, L'q')));  // 256 bytes: does not

  EXPECT_EQ(FoundUsbMonitor(machine_), 6);
  EXPECT_EQ(std::wstring(UsbMonitor[0].DevicePath), path1);
  EXPECT_STREQ(UsbMonitor[0].PortName, L"USB001");
  EXPECT_STREQ(UsbMonitor[1].DevicePath, L"caf\u00e9");  // through the ANSI code page and back
  EXPECT_STREQ(UsbMonitor[1].PortName, L"USB002");
  EXPECT_STREQ(UsbMonitor[2].PortName, L"");
  EXPECT_STREQ(UsbMonitor[3].PortName, L"");
  EXPECT_EQ(std::wstring(UsbMonitor[4].DevicePath), std::wstring(254, L'p'));
  EXPECT_STREQ(UsbMonitor[5].PortName, L"");

  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[InstallDlg.cpp:CInstallDlg::FoundUsbMonitor:"), 20);
  EXPECT_EQ(CountOf(log, "[ENTRY] FoundUsbMonitor\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - Enum USB subkey: USB00"), 6);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - RegOpenKeyExA success, result=0\n"), 6);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - Device Path: " + Narrow(path1) + "\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - Device Path query failed\n"), 2);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbFormContainerID - dwType is not REG_SZ (4)\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - No more USB subkeys, total enumerated: 6\n"), 1);

  // The same ports are the spooler's: GetAllPortList's pairing sees them through EnumPorts.
  auto names = std::make_unique<wchar_t[][kEnumPortsUsbChars]>(kEnumPortsUsbMax);
  EXPECT_EQ(GetUsbPortsFromEnumPorts(spooler(), names.get(), kEnumPortsUsbMax), 6);
}

TEST_F(UsbPortListTest, UsbMonitorWithoutPortsKeyOrWithFailingCalls) {
  EXPECT_EQ(FoundUsbMonitor(machine_), 0);  // a new machine has the monitor but no port
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[ENTRY] FoundUsbMonitor\n"), 1);
  EXPECT_EQ(CountOf(log, "FoundUsbMonitor - "), 0);

  AddUsbPort(L"USB001");
  AddUsbPort(L"USB002");
  machine_.faults().Fail("RegEnumKeyExA", 1009, 1);
  EXPECT_EQ(FoundUsbMonitor(machine_), 0);
  EXPECT_EQ(CountOf(Log(), "[ERROR] FoundUsbMonitor - RegEnumKeyExA failed, result=1009\n"), 1);

  // The key opens, then one subkey does not, then one value cannot be read.
  ASSERT_TRUE(spooler().AddUsbPort(L"USB001", L"path1"));
  machine_.registry().DenyKey(Hive::kLocalMachine, std::wstring(kUsbMonitorPorts) + L"\\USB002", RegView::kDefault, 5);
  EXPECT_EQ(FoundUsbMonitor(machine_), 2);
  log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - Failed to open subkey, result=5\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] FoundUsbMonitor - Device Path: path1\n"), 1);
  machine_.faults().Fail("RegQueryValueExA", 5, 1);
  EXPECT_EQ(FoundUsbMonitor(machine_), 2);
  EXPECT_EQ(CountOf(Log(), "[INFO] FoundUsbMonitor - Device Path query failed\n"), 1);

  machine_.faults().Fail("RegOpenKeyExA", 5, 1);
  EXPECT_EQ(FoundUsbMonitor(machine_), 0);
  EXPECT_EQ(CountOf(Log(), "[ENTRY] FoundUsbMonitor\n"), 5);
}

TEST_F(UsbPortListTest, UsbMonitorTableHoldsTheFirst256Ports) {
  for (int i = 0; i < 257; ++i) {
    wchar_t port[16];
    std::swprintf(port, 16, L"USB%03d", i);
    ASSERT_TRUE(spooler().AddUsbPort(port, std::wstring(L"path") + port));
  }
  AddPrinterOnHub(L"TAVROTR-80_RECEIPT", L"7&1&0&USB000");

  BuildUsbPortRows(machine_);
  EXPECT_STREQ(UsbMonitor[255].PortName, L"USB255");
  EXPECT_STREQ(UsbMonitor[255].DevicePath, L"pathUSB255");
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[WARN] FoundUsbMonitor - UsbMonitor array full (256 >= 256), skipping write for USB256\n"), 1);
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Enumerated 257 USB monitors\n"), 1);
  EXPECT_EQ(CountOf(log, "[WARN] GetAllPortList - usbMonitorCount 257 > 256, clamped\n"), 1);
  // The pairing takes only the first 32 USB ports the spooler lists.
  EXPECT_EQ(CountOf(log, "[INFO] GetAllPortList - Fallback: found 32 USB ports via EnumPorts\n"), 1);
  EXPECT_EQ(Row(0), L"Tavro TR-80|USB000");
}

}  // namespace
