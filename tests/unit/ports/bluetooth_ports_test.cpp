// Bluetooth printers: the scan of the devices the stack knows, the search for a device's COM
// port, and the virtual COM port made for it, each against the simulated Bluetooth stack.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/last_error.h"
#include "ports/bluetooth_ports.h"
#include "tests/unit/ports/ports_fixture.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;
using platform::sim::SimBluetooth;
using platform::sim::SimBluetoothDevice;
using platform::sim::SimPairing;
using portstest::CountOf;

constexpr uint64_t kPrinterAddress = 0x001122AABBCCull;
constexpr const wchar_t* kPrinterMac = L"00:11:22:AA:BB:CC";
constexpr const wchar_t* kRecordKey = L"SOFTWARE\\TavroPrint\\BluetoothPorts";

class BluetoothPortsTest : public portstest::PortsTest {
 protected:
  void SetUp() override {
    PortsTest::SetUp();
    table_ = std::make_unique<BluetoothDeviceTable>();
    ClearBluetoothDevices(table_.get());
  }

  SimBluetooth& bluetooth() { return machine_.bluetooth(); }

  // A printer the stack knows, not yet paired, whose serial port will be COM5.
  SimBluetoothDevice Printer() {
    SimBluetoothDevice device;
    device.address = kPrinterAddress;
    device.name = L"TL-241 BT";
    device.port_name = L"COM5";
    return device;
  }

  // The "BluetoothPorts" record of a port, read in the 64-bit view; empty when there is none.
  std::wstring Record(const std::wstring& port) {
    RegValue value;
    if (!machine_.registry().QueryValue(Hive::kLocalMachine, kRecordKey, port, RegView::k64, &value)) return L"";
    EXPECT_EQ(value.type, platform::regtype::kSz);
    return value.AsString();
  }

  // Every Winsock start matched, every lookup ended, every radio closed.
  void ExpectNothingLeftOpen() {
    EXPECT_EQ(bluetooth().OpenStartups(), 0);
    EXPECT_EQ(bluetooth().OpenLookups(), 0);
    EXPECT_EQ(bluetooth().OpenRadios(), 0);
  }

  std::unique_ptr<BluetoothDeviceTable> table_;
};

// ---- ScanBluetoothDevices --------------------------------------------------------------------

TEST_F(BluetoothPortsTest, ScanListsKnownDevicesWithAndWithoutNames) {
  bluetooth().AddDevice(Printer());
  SimBluetoothDevice unnamed;
  unnamed.address = 0xA1B2C3D4E5F6ull;
  bluetooth().AddDevice(unnamed);
  SimBluetoothDevice empty_name;
  empty_name.address = 0x0000000000FFull;
  empty_name.name = L"";
  bluetooth().AddDevice(empty_name);
  SimBluetoothDevice long_name;
  long_name.address = 0x010203040506ull;
  long_name.name = std::wstring(300, L'n');
  bluetooth().AddDevice(long_name);
  table_->Devices[10].IsBle = 1;  // stale entries go

  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 4);
  EXPECT_EQ(table_->Count, 4);
  EXPECT_STREQ(table_->Devices[0].Name, L"TL-241 BT");
  EXPECT_STREQ(table_->Devices[0].Mac, kPrinterMac);
  EXPECT_EQ(table_->Devices[0].IsBle, 0);
  EXPECT_STREQ(table_->Devices[1].Name, L"Unknown Bluetooth Device");
  EXPECT_STREQ(table_->Devices[1].Mac, L"A1:B2:C3:D4:E5:F6");
  EXPECT_STREQ(table_->Devices[2].Name, L"Unknown Bluetooth Device");
  EXPECT_STREQ(table_->Devices[2].Mac, L"00:00:00:00:00:FF");
  EXPECT_EQ(std::wstring(table_->Devices[3].Name), std::wstring(255, L'n'));
  EXPECT_EQ(table_->Devices[10].IsBle, 0);
  ExpectNothingLeftOpen();
  // The scan never asks for the radio.
  EXPECT_EQ(machine_.faults().Calls("BluetoothFindFirstRadio"), 0);

  std::string log = Log();
  EXPECT_NE(log.find("[InstallDlg.cpp:CInstallDlg::ScanBluetoothDevices:"), std::string::npos) << log;
  EXPECT_NE(log.find("[ENTRY] ScanBluetoothDevices\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[INFO] ScanBluetoothDevices - Found BT device[0]: TL-241 BT (MAC=00:11:22:AA:BB:CC)\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Found BT device[1]: Unknown Bluetooth Device (MAC=A1:B2:C3:D4:E5:F6)\n"), std::string::npos);
  EXPECT_NE(log.find("[EXIT] ScanBluetoothDevices - count=4\n"), std::string::npos) << log;
}

TEST_F(BluetoothPortsTest, ScanStopsAt64AndEndsTheLookup) {
  for (uint64_t i = 0; i < 70; ++i) {
    SimBluetoothDevice device;
    device.address = 0x100000000000ull + i;
    device.name = L"P" + std::to_wstring(i);
    bluetooth().AddDevice(device);
  }
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 64);
  EXPECT_STREQ(table_->Devices[63].Name, L"P63");
  EXPECT_STREQ(table_->Devices[63].Mac, L"10:00:00:00:00:3F");
  EXPECT_EQ(machine_.faults().Calls("WSALookupServiceNextW"), 64);
  ExpectNothingLeftOpen();
  EXPECT_NE(Log().find("[EXIT] ScanBluetoothDevices - count=64\n"), std::string::npos);
}

TEST_F(BluetoothPortsTest, ScanGrowsTheBufferOnWsaefaultAndRetries) {
  SimBluetoothDevice big = Printer();
  big.lookup_bytes = 9000;
  bluetooth().AddDevice(big);
  SimBluetoothDevice small;
  small.address = 5;
  small.name = L"Small";
  bluetooth().AddDevice(small);
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 2);
  EXPECT_STREQ(table_->Devices[0].Name, L"TL-241 BT");
  EXPECT_STREQ(table_->Devices[1].Name, L"Small");
  EXPECT_EQ(machine_.faults().Calls("realloc"), 1);
  std::string log = Log();
  EXPECT_EQ(CountOf(log, "[INFO] ScanBluetoothDevices - WSAEFAULT, need size=9000, retrying\n"), 1) << log;
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, ScanKeepsWhatItHasWhenGrowingOrTheNextResultFails) {
  bluetooth().AddDevice(Printer());
  SimBluetoothDevice big;
  big.address = 6;
  big.lookup_bytes = 70000;
  bluetooth().AddDevice(big);
  machine_.faults().Fail("realloc", 8, 1);
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 1);
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] ScanBluetoothDevices - realloc failed for 70000 bytes\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[EXIT] ScanBluetoothDevices - count=1\n"), std::string::npos);
  ExpectNothingLeftOpen();

  machine_.faults().Fail("WSALookupServiceNextW", 10108, 1);
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
  EXPECT_NE(Log().find("[INFO] ScanBluetoothDevices - WSALookupServiceNext error=10108\n"), std::string::npos);
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, AStackThatAsksForNoMoreRoomThanTheBufferHasDoesNotKeepTheScanForever) {
  bluetooth().AddDevice(Printer());
  machine_.faults().Fail("WSALookupServiceNextW", 10014);  // WSAEFAULT without a size, every time
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
  machine_.faults().Clear("WSALookupServiceNextW");
  EXPECT_EQ(machine_.faults().Calls("WSALookupServiceNextW"), 1);
  EXPECT_NE(Log().find("[INFO] ScanBluetoothDevices - WSAEFAULT, need size=0, retrying\n"), std::string::npos);
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, ScanReturnsZeroWhenWinsockTheLookupOrTheBufferCannotStart) {
  bluetooth().AddDevice(Printer());
  machine_.faults().Fail("WSAStartup", 10091, 1);
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
  EXPECT_NE(Log().find("[ERROR] ScanBluetoothDevices - WSAStartup failed, Error=10091\n"), std::string::npos);

  bluetooth().SetRadio(false);
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
  EXPECT_NE(Log().find("[ERROR] ScanBluetoothDevices - WSALookupServiceBegin failed, Error=10108\n"),
            std::string::npos);
  EXPECT_EQ(machine_.faults().Calls("WSACleanup"), 1);
  EXPECT_EQ(machine_.faults().Calls("BluetoothFindFirstRadio"), 0);
  bluetooth().SetRadio(true);

  machine_.faults().Fail("malloc", 8, 1);
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
  EXPECT_NE(Log().find("[ERROR] ScanBluetoothDevices - malloc failed for 4096 bytes\n"), std::string::npos);
  EXPECT_EQ(machine_.faults().Calls("WSALookupServiceNextW"), 0);
  ExpectNothingLeftOpen();
}

// ---- The BLE placeholders ----------------------------------------------------------------------

TEST_F(BluetoothPortsTest, ABleRowCannotBePairedAndTheBleScanFindsNothing) {
  BluetoothDeviceEntry& row = table_->Devices[0];
  std::wcscpy(row.Name, L"BLE printer");
  std::wcscpy(row.Mac, L"C0:FF:EE:00:00:01");
  row.IsBle = 1;
  table_->Count = 1;
  EXPECT_FALSE(PairBleDevice(row.Mac));
  EXPECT_EQ(ScanBleDevices(), 0);
  std::string log = Log();
  EXPECT_NE(log.find("[ENTRY] PairBleDevice - C0:FF:EE:00:00:01\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[WARN] PairBleDevice - built with old toolchain (no C++/WinRT), BLE disabled\n"),
            std::string::npos);
  EXPECT_NE(log.find("CInstallDlg::ScanBleDevices:"), std::string::npos);
  EXPECT_NE(log.find("[WARN] ScanBleDevices - built with old toolchain (no C++/WinRT), BLE disabled\n"),
            std::string::npos);
  EXPECT_EQ(table_->Count, 1);
  EXPECT_EQ(machine_.faults().Calls("BluetoothFindFirstRadio"), 0);
}

// ---- FindBthComPortByMac -----------------------------------------------------------------------

TEST_F(BluetoothPortsTest, FindMatchesTheMacCaseSensitivelyAndNeedsAPortName) {
  SimBluetoothDevice paired = Printer();
  paired.authenticated = true;
  paired.serial_service_enabled = true;
  paired.port_name = L"COM7::";
  bluetooth().AddDevice(paired);
  // A BTHENUM node of the same device without a port, listed first, is passed over.
  machine_.devices().AddOtherDevice(L"BTHENUM\\{00001124-0000-1000-8000-00805F9B34FB}\\7&1&0&001122AABBCC_C0");
  std::wstring port = L"unchanged";
  EXPECT_FALSE(FindBthComPortByMac(machine_.devices(), L"001122aabbcc", &port));
  EXPECT_EQ(port, L"unchanged");
  EXPECT_TRUE(FindBthComPortByMac(machine_.devices(), L"001122AABBCC", &port));
  EXPECT_EQ(port, L"COM7:");
  std::string log = Log();
  EXPECT_NE(log.find("[ENTRY] FindBthComPortByMac - MAC=001122AABBCC\n"), std::string::npos);
  EXPECT_NE(log.find("[INFO] FindBthComPortByMac - Found COM port COM7: for BTHENUM device " +
                     portstest::Narrow(SimBluetooth::SerialNodeId(kPrinterAddress)) + "\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(CountOf(log, "[EXIT] FindBthComPortByMac - Found=0\n"), 1);
  EXPECT_EQ(CountOf(log, "[EXIT] FindBthComPortByMac - Found=1\n"), 1);
  EXPECT_EQ(machine_.devices().OpenSets(), 0);
}

TEST_F(BluetoothPortsTest, FindWithoutAMacOrDevicesFindsNothing) {
  std::wstring port;
  EXPECT_FALSE(FindBthComPortByMac(machine_.devices(), L"", &port));
  EXPECT_FALSE(FindBthComPortByMac(machine_.devices(), nullptr, &port));
  EXPECT_EQ(machine_.faults().Calls("SetupDiGetClassDevsW"), 0);
  machine_.faults().Fail("SetupDiGetClassDevsW", 13, 1);
  EXPECT_FALSE(FindBthComPortByMac(machine_.devices(), L"001122AABBCC", &port));
  std::string log = Log();
  EXPECT_NE(log.find("[WARN] FindBthComPortByMac - SetupDiGetClassDevs failed, Error=13\n"), std::string::npos);
  EXPECT_EQ(CountOf(log, "[EXIT] FindBthComPortByMac"), 0);
}

// ---- CreateBluetoothVirtualComPort -------------------------------------------------------------

TEST_F(BluetoothPortsTest, AnUnpairedDeviceIsPairedItsServiceEnabledAndItsPortRecorded) {
  bluetooth().AddDevice(Printer());
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"COM5:");
  EXPECT_TRUE(bluetooth().Find(kPrinterAddress)->authenticated);
  EXPECT_EQ(Record(L"COM5:"), kPrinterMac);
  // Not in the 32-bit view of a 32-bit process.
  RegValue value;
  EXPECT_FALSE(machine_.registry().QueryValue(Hive::kLocalMachine, kRecordKey, L"COM5:", RegView::kDefault, &value));
  ExpectNothingLeftOpen();

  const std::string log = Log();
  const char* lines[] = {
      "[ENTRY] CreateBluetoothVirtualComPort - BTAddress=00:11:22:AA:BB:CC\n",
      "[INFO] CreateBluetoothVirtualComPort - Local radio handle acquired\n",
      "[INFO] CreateBluetoothVirtualComPort - Device TL-241 BT, fAuthenticated=0, fRemembered=0\n",
      "[INFO] CreateBluetoothVirtualComPort - Device not paired, launching pairing wizard\n",
      "[INFO] CreateBluetoothVirtualComPort - Pairing succeeded\n",
      "[INFO] CreateBluetoothVirtualComPort - BluetoothUpdateDeviceRecord ret=0\n",
      "[INFO] CreateBluetoothVirtualComPort - Looking for BTHENUM device with MAC=001122AABBCC\n",
      "[INFO] CreateBluetoothVirtualComPort - BluetoothSetServiceState(hRadio) ret=0\n",
      "[INFO] CreateBluetoothVirtualComPort - SPP service enabled (ret=0)\n",
      "[EXIT] CreateBluetoothVirtualComPort - COM5:\n",
  };
  size_t at = 0;
  for (const char* line : lines) {
    size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << log;
    at = found;
  }
  EXPECT_EQ(CountOf(log, "BluetoothSetServiceState(NULL)"), 0);
  EXPECT_NE(log.find("[InstallDlg.cpp:CInstallDlg::CreateBluetoothVirtualComPort:"), std::string::npos);
}

TEST_F(BluetoothPortsTest, APairedDeviceWithItsPortNeedsNoPairingAndNoServiceChange) {
  SimBluetoothDevice paired = Printer();
  paired.authenticated = true;
  paired.remembered = true;
  paired.serial_service_enabled = true;
  bluetooth().AddDevice(paired);
  machine_.faults().ResetCalls();
  machine_.registry().SetValue(Hive::kLocalMachine, kRecordKey, L"COM5:", RegView::k64, RegValue::Sz(L"old"));

  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, L"00:11:22:aa:bb:cc"), L"COM5:");
  EXPECT_EQ(machine_.faults().Calls("BluetoothAuthenticateDevice"), 0);
  EXPECT_EQ(machine_.faults().Calls("BluetoothSetServiceState"), 0);
  EXPECT_EQ(machine_.clock().SleptMilliseconds(), 0);
  // The address is recorded as given; the search used the upper-cased digits.
  EXPECT_EQ(Record(L"COM5:"), L"00:11:22:aa:bb:cc");
  ExpectNothingLeftOpen();
  std::string log = Log();
  EXPECT_NE(log.find("Device TL-241 BT, fAuthenticated=1, fRemembered=1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Looking for BTHENUM device with MAC=001122AABBCC\n"), std::string::npos);
  EXPECT_EQ(CountOf(log, "pairing wizard"), 0);
}

TEST_F(BluetoothPortsTest, ACancelledPairingEndsWithoutAPort) {
  SimBluetoothDevice device = Printer();
  device.pairing = SimPairing::kCancelled;
  bluetooth().AddDevice(device);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"");
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] CreateBluetoothVirtualComPort - BluetoothAuthenticateDevice failed, Error=1223\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(machine_.faults().Calls("BluetoothSetServiceState"), 0);
  EXPECT_EQ(Record(L"COM5:"), L"");
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, APairingThatDoesNotCompleteEndsWithoutAPort) {
  SimBluetoothDevice device = Printer();
  device.pairing = SimPairing::kNotCompleted;
  bluetooth().AddDevice(device);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"");
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] CreateBluetoothVirtualComPort - Pairing did not complete\n"), std::string::npos) << log;
  EXPECT_EQ(CountOf(log, "Pairing succeeded"), 0);
  EXPECT_EQ(machine_.faults().Calls("BluetoothUpdateDeviceRecord"), 0);
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, AServiceAnswering87IsAskedAgainWithoutTheRadioAnd1056CountsAsEnabled) {
  SimBluetoothDevice device = Printer();
  device.authenticated = true;
  device.service_answers = {87, 1056};
  device.port_look = 3;  // Windows needs a while to install the port
  bluetooth().AddDevice(device);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"COM5:");
  std::string log = Log();
  EXPECT_NE(log.find("[INFO] CreateBluetoothVirtualComPort - BluetoothSetServiceState(hRadio) ret=87\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[INFO] CreateBluetoothVirtualComPort - BluetoothSetServiceState(NULL) ret=1056\n"),
            std::string::npos);
  EXPECT_NE(log.find("[INFO] CreateBluetoothVirtualComPort - SPP service enabled (ret=1056)\n"), std::string::npos);
  // Found at the third look after enabling: two waits of 300 ms.
  EXPECT_EQ(machine_.clock().SleptMilliseconds(), 600);
  EXPECT_EQ(CountOf(log, "[EXIT] FindBthComPortByMac - Found=0\n"), 3);  // once before enabling
  EXPECT_EQ(Record(L"COM5:"), kPrinterMac);
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, APortThatNeverComesEndsAfterTenLooks) {
  SimBluetoothDevice device = Printer();
  device.authenticated = true;
  device.port_look = 11;
  bluetooth().AddDevice(device);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"");
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] CreateBluetoothVirtualComPort - Failed to find COM port for BT device after retries\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(machine_.clock().SleptMilliseconds(), 2700);
  EXPECT_EQ(CountOf(log, "[EXIT] FindBthComPortByMac - Found=0\n"), 11);
  EXPECT_EQ(bluetooth().OpenRadios(), 0);
  EXPECT_EQ(Record(L"COM5:"), L"");
}

TEST_F(BluetoothPortsTest, AFailingServiceFallsBackToAnExistingPortOnce) {
  SimBluetoothDevice device = Printer();
  device.authenticated = true;
  device.service_answers = {5};
  bluetooth().AddDevice(device);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"");
  std::string log = Log();
  EXPECT_NE(log.find("[WARN] CreateBluetoothVirtualComPort - BluetoothSetServiceState failed, Error=5, will try "
                     "existing port\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(CountOf(log, "[EXIT] FindBthComPortByMac - Found=0\n"), 2);
  EXPECT_NE(log.find("[ERROR] CreateBluetoothVirtualComPort - No existing COM port for BT device, Error=5\n"),
            std::string::npos)
      << "the refusal's log ends on an error";
  EXPECT_EQ(machine_.clock().SleptMilliseconds(), 0);
  ExpectNothingLeftOpen();

  // A port that turns up between the two looks is taken.
  device.service_answers = {5};
  device.serial_service_enabled = false;
  bluetooth().AddDevice(device);
  platform::sim::SimDeviceSpec node;
  node.instance_id = L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}\\7&9&0&001122AABBCC_C00000000";
  machine_.devices().AddArrivingDevice(node, 2, [this, id = node.instance_id]() {
    machine_.devices().SetPortName(id, L"COM12");
  });
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"COM12:");
  EXPECT_EQ(Record(L"COM12:"), kPrinterMac);
}

TEST_F(BluetoothPortsTest, NoRadioMeansNoOtherBluetoothCall) {
  bluetooth().AddDevice(Printer());
  bluetooth().SetRadio(false);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"");
  EXPECT_NE(Log().find("[ERROR] CreateBluetoothVirtualComPort - No Bluetooth radio found, Error=259\n"),
            std::string::npos);
  for (const char* call : {"BluetoothGetDeviceInfo", "BluetoothAuthenticateDevice", "BluetoothUpdateDeviceRecord",
                           "BluetoothSetServiceState", "SetupDiGetClassDevsW"}) {
    EXPECT_EQ(machine_.faults().Calls(call), 0) << call;
  }
}

TEST_F(BluetoothPortsTest, AnAddressWithFiveFieldsIsRefusedBeforeTheRadio) {
  bluetooth().AddDevice(Printer());
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, L"00:11:22:AA:BB"), L"");
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, L""), L"");
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] CreateBluetoothVirtualComPort - Invalid BT address: 00:11:22:AA:BB\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(machine_.faults().Calls("BluetoothFindFirstRadio"), 0);
}

TEST_F(BluetoothPortsTest, AnUnknownDeviceEndsAfterItsInformationIsAskedFor) {
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"");
  EXPECT_NE(Log().find("[ERROR] CreateBluetoothVirtualComPort - BluetoothGetDeviceInfo failed, Error=1168\n"),
            std::string::npos);
  ExpectNothingLeftOpen();
}

TEST_F(BluetoothPortsTest, APortNameWithTwoColonsComesBackWithOne) {
  SimBluetoothDevice device = Printer();
  device.authenticated = true;
  device.port_name = L"COM7::";
  bluetooth().AddDevice(device);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"COM7:");
  EXPECT_EQ(Record(L"COM7:"), kPrinterMac);
}

TEST_F(BluetoothPortsTest, ARecordThatCannotBeWrittenStillGivesThePort) {
  SimBluetoothDevice device = Printer();
  device.authenticated = true;
  device.serial_service_enabled = true;
  bluetooth().AddDevice(device);
  machine_.faults().Fail("RegCreateKeyExW", 5, 1);
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, kPrinterMac), L"COM5:");
  EXPECT_EQ(Record(L"COM5:"), L"");
  EXPECT_NE(Log().find("[EXIT] CreateBluetoothVirtualComPort - COM5:\n"), std::string::npos);
}

}  // namespace
