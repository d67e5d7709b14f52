// The simulated Bluetooth stack: the Winsock lookup with its buffer sizes, the radio, pairing and
// the serial service, whose port lands where Windows puts it (BTHENUM node, device map, spooler).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr uint64_t kPrinter = 0x001122AABBCCull;

SimBluetoothDevice Printer(const std::wstring& port = L"COM5") {
  SimBluetoothDevice device;
  device.address = kPrinter;
  device.name = L"TL-241 BT";
  device.port_name = port;
  return device;
}

std::vector<std::wstring> PortNames(SimMachine& m) {
  std::vector<PortInfo> ports;
  m.spooler().EnumPorts(&ports);
  std::vector<std::wstring> names;
  for (const auto& port : ports) names.push_back(port.name);
  return names;
}

bool Lists(SimMachine& m, const std::wstring& port) {
  for (const auto& name : PortNames(m)) {
    if (name == port) return true;
  }
  return false;
}

// The BTHENUM devices present now, with their "PortName" (empty when it cannot be read).
std::vector<std::pair<std::wstring, std::wstring>> BthEnumPorts(SimMachine& m) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  auto set = m.devices().OpenPresentDevices(L"BTHENUM");
  DeviceRef device;
  for (uint32_t i = 0; set && set->Enum(i, &device); ++i) {
    std::wstring id, port;
    set->InstanceId(device, &id);
    set->DeviceKeyValue(device, L"PortName", 64, &port);
    out.emplace_back(id, port);
  }
  return out;
}

TEST(SimBluetoothLookup, ListsTheKnownDevicesWithTheFieldsAsked) {
  SimMachine m;
  SimBluetoothDevice unnamed;
  unnamed.address = 0xA1B2C3D4E5F6ull;
  m.bluetooth().AddDevice(Printer());
  m.bluetooth().AddDevice(unnamed);
  SimBluetoothDevice hidden = Printer();
  hidden.address = 7;
  hidden.listed = false;
  m.bluetooth().AddDevice(hidden);

  int error = -1;
  auto winsock = m.bluetooth().StartWinsock(&error);
  ASSERT_NE(winsock, nullptr);
  EXPECT_EQ(m.bluetooth().OpenStartups(), 1);
  auto lookup = m.bluetooth().LookupBegin(wsa::kLookupFlags, &error);
  ASSERT_NE(lookup, nullptr);
  EXPECT_EQ(error, 0);
  ASSERT_TRUE(lookup->Reserve(4096));
  BluetoothLookupResult result;
  size_t needed = 0;
  ASSERT_EQ(lookup->Next(wsa::kLookupFlags, &result, &needed), 0);
  EXPECT_EQ(result.name, L"TL-241 BT");
  EXPECT_TRUE(result.has_address);
  EXPECT_EQ(result.address, kPrinter);
  ASSERT_EQ(lookup->Next(0x0100 /* LUP_RETURN_ADDR only */, &result, &needed), 0);
  EXPECT_EQ(result.name, L"");
  EXPECT_EQ(result.address, 0xA1B2C3D4E5F6ull);
  EXPECT_EQ(lookup->Next(wsa::kLookupFlags, &result, &needed), wsa::kENoMore);
  EXPECT_EQ(m.bluetooth().OpenLookups(), 1);
  lookup.reset();
  EXPECT_EQ(m.bluetooth().OpenLookups(), 0);
  winsock.reset();
  EXPECT_EQ(m.bluetooth().OpenStartups(), 0);
}

TEST(SimBluetoothLookup, ABufferTooSmallAsksForTheSizeAndKeepsTheDevice) {
  SimMachine m;
  SimBluetoothDevice big = Printer();
  big.lookup_bytes = 5000;
  m.bluetooth().AddDevice(big);
  int error = 0;
  auto winsock = m.bluetooth().StartWinsock(&error);
  ASSERT_NE(winsock, nullptr);
  auto lookup = m.bluetooth().LookupBegin(wsa::kLookupFlags, &error);
  ASSERT_NE(lookup, nullptr);
  ASSERT_TRUE(lookup->Reserve(4096));
  BluetoothLookupResult result;
  size_t needed = 0;
  EXPECT_EQ(lookup->Next(wsa::kLookupFlags, &result, &needed), wsa::kEFault);
  EXPECT_EQ(needed, 5000u);
  m.faults().Fail("realloc", 8, 1);
  EXPECT_FALSE(lookup->Reserve(5000));
  EXPECT_EQ(lookup->BufferBytes(), 4096u);
  ASSERT_TRUE(lookup->Reserve(5000));
  EXPECT_EQ(lookup->Next(wsa::kLookupFlags, &result, &needed), 0);
  EXPECT_EQ(result.name, L"TL-241 BT");
}

TEST(SimBluetoothLookup, FailsWithoutWinsockWithoutARadioAndOnRequest) {
  SimMachine m;
  int error = 0;
  EXPECT_EQ(m.bluetooth().LookupBegin(wsa::kLookupFlags, &error), nullptr);
  EXPECT_EQ(error, 10093);  // WSANOTINITIALISED
  auto winsock = m.bluetooth().StartWinsock(&error);
  ASSERT_NE(winsock, nullptr);
  m.bluetooth().SetRadio(false);
  EXPECT_EQ(m.bluetooth().LookupBegin(wsa::kLookupFlags, &error), nullptr);
  EXPECT_EQ(error, wsa::kServiceNotFound);
  m.bluetooth().SetRadio(true);
  m.faults().Fail("WSALookupServiceBeginW", 10050, 1);
  EXPECT_EQ(m.bluetooth().LookupBegin(wsa::kLookupFlags, &error), nullptr);
  EXPECT_EQ(error, 10050);
  winsock.reset();
  EXPECT_EQ(m.faults().Calls("WSACleanup"), 1);
  m.faults().Fail("WSAStartup", 10091, 1);
  EXPECT_EQ(m.bluetooth().StartWinsock(&error), nullptr);
  EXPECT_EQ(error, 10091);
  EXPECT_EQ(m.bluetooth().OpenStartups(), 0);
}

TEST(SimBluetoothRadio, NoRadioAnswers259AndARadioClosesItself) {
  SimMachine m;
  {
    auto radio = m.bluetooth().FindFirstRadio();
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(m.bluetooth().OpenRadios(), 1);
  }
  EXPECT_EQ(m.bluetooth().OpenRadios(), 0);
  EXPECT_EQ(m.faults().Calls("CloseHandle"), 1);
  m.bluetooth().SetRadio(false);
  EXPECT_EQ(m.bluetooth().FindFirstRadio(), nullptr);
  EXPECT_EQ(LastErrorCode(), 259u);
}

TEST(SimBluetoothDevice, PairingEndsAsScripted) {
  SimMachine m;
  SimBluetoothDevice cancelled = Printer();
  cancelled.pairing = SimPairing::kCancelled;
  SimBluetoothDevice stuck = Printer();
  stuck.address = 2;
  stuck.pairing = SimPairing::kNotCompleted;
  SimBluetoothDevice fine = Printer();
  fine.address = 3;
  m.bluetooth().AddDevice(cancelled);
  m.bluetooth().AddDevice(stuck);
  m.bluetooth().AddDevice(fine);
  auto radio = m.bluetooth().FindFirstRadio();
  ASSERT_NE(radio, nullptr);

  BluetoothDeviceInfo info;
  info.address = kPrinter;
  EXPECT_EQ(m.bluetooth().AuthenticateDevice(*radio, &info), 1223u);
  info.address = 2;
  EXPECT_EQ(m.bluetooth().AuthenticateDevice(*radio, &info), 0u);
  EXPECT_EQ(m.bluetooth().GetDeviceInfo(*radio, &info), 0u);
  EXPECT_FALSE(info.authenticated);
  info.address = 3;
  EXPECT_EQ(m.bluetooth().AuthenticateDevice(*radio, &info), 0u);
  BluetoothDeviceInfo again;
  again.address = 3;
  EXPECT_EQ(m.bluetooth().GetDeviceInfo(*radio, &again), 0u);
  EXPECT_TRUE(again.authenticated);
  EXPECT_TRUE(again.remembered);
  EXPECT_EQ(again.name, L"TL-241 BT");
  again.address = 99;
  EXPECT_EQ(m.bluetooth().GetDeviceInfo(*radio, &again), 1168u);
  EXPECT_EQ(m.bluetooth().UpdateDeviceRecord(again), 1168u);
}

TEST(SimBluetoothDevice, EnablingTheSerialServiceInstallsItsPortWhereWindowsDoes) {
  SimMachine m;
  m.bluetooth().AddDevice(Printer(L"COM7::"));
  auto radio = m.bluetooth().FindFirstRadio();
  BluetoothDeviceInfo info;
  info.address = kPrinter;
  EXPECT_TRUE(BthEnumPorts(m).empty());
  EXPECT_FALSE(Lists(m, L"COM7:"));

  EXPECT_EQ(m.bluetooth().EnableSerialPortService(radio.get(), info), 0u);
  auto nodes = BthEnumPorts(m);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].first, SimBluetooth::SerialNodeId(kPrinter));
  EXPECT_NE(nodes[0].first.find(L"001122AABBCC"), std::wstring::npos);
  EXPECT_EQ(nodes[0].second, L"COM7::");  // the value as the driver wrote it
  EXPECT_TRUE(Lists(m, L"COM7:"));
  RegValue mapped;
  ASSERT_TRUE(m.registry().QueryValue(kHklm, SimFiles::kSerialCommKey, L"\\Device\\BthModem0", RegView::k64, &mapped));
  EXPECT_EQ(mapped.AsString(), L"COM7");
  // Enabled once, the service answers "already running".
  EXPECT_EQ(m.bluetooth().EnableSerialPortService(nullptr, info), 1056u);
  EXPECT_EQ(BthEnumPorts(m).size(), 1u);
}

TEST(SimBluetoothDevice, ScriptedServiceAnswersAndALatePort) {
  SimMachine m;
  SimBluetoothDevice device = Printer();
  device.service_answers = {87, 1056};
  device.port_look = 3;
  m.bluetooth().AddDevice(device);
  auto radio = m.bluetooth().FindFirstRadio();
  BluetoothDeviceInfo info;
  info.address = kPrinter;
  EXPECT_EQ(m.bluetooth().EnableSerialPortService(radio.get(), info), 87u);
  EXPECT_FALSE(m.bluetooth().Find(kPrinter)->serial_service_enabled);
  EXPECT_EQ(m.bluetooth().EnableSerialPortService(nullptr, info), 1056u);
  EXPECT_TRUE(m.bluetooth().Find(kPrinter)->serial_service_enabled);
  // Looks one and two miss the node; the third finds it, with its port in the spooler.
  EXPECT_TRUE(BthEnumPorts(m).empty());
  EXPECT_FALSE(Lists(m, L"COM5:"));
  EXPECT_TRUE(BthEnumPorts(m).empty());
  EXPECT_EQ(BthEnumPorts(m).size(), 1u);
  EXPECT_TRUE(Lists(m, L"COM5:"));
}

TEST(SimBluetoothDevice, AnArrangedEnabledServiceHasItsPortAlready) {
  SimMachine m;
  SimBluetoothDevice device = Printer(L"COM9");
  device.authenticated = true;
  device.serial_service_enabled = true;
  m.bluetooth().AddDevice(device);
  auto nodes = BthEnumPorts(m);
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].second, L"COM9");
  EXPECT_TRUE(Lists(m, L"COM9:"));
}

TEST(SimDeviceKeyValue, MissingKeyMissingValueAndSmallBuffer) {
  SimMachine m;
  m.devices().AddOtherDevice(L"BTHENUM\\{0000}\\NOPARAMS");
  auto set = m.devices().OpenPresentDevices(L"BTHENUM");
  ASSERT_NE(set, nullptr);
  DeviceRef device;
  ASSERT_TRUE(set->Enum(0, &device));
  std::wstring value = L"stale";
  EXPECT_FALSE(set->DeviceKeyValue(device, L"PortName", 64, &value));
  EXPECT_EQ(LastErrorCode(), kErrorKeyDoesNotExist);
  EXPECT_EQ(value, L"");

  m.registry().SetValue(kHklm, SimDevices::EnumKey(L"BTHENUM\\{0000}\\NOPARAMS") + L"\\Device Parameters", L"Other",
                        RegView::k64, RegValue::Sz(L"x"));
  EXPECT_FALSE(set->DeviceKeyValue(device, L"PortName", 64, &value));
  EXPECT_EQ(LastErrorCode(), 2u);
  ASSERT_TRUE(m.devices().SetPortName(L"BTHENUM\\{0000}\\NOPARAMS", std::wstring(40, L'C')));
  EXPECT_FALSE(set->DeviceKeyValue(device, L"PortName", 64, &value));
  EXPECT_EQ(LastErrorCode(), 234u);
  EXPECT_TRUE(set->DeviceKeyValue(device, L"PortName", 82, &value));
  EXPECT_EQ(value, std::wstring(40, L'C'));

  m.faults().Fail("SetupDiOpenDevRegKey", 5, 1);
  EXPECT_FALSE(set->DeviceKeyValue(device, L"PortName", 82, &value));
  EXPECT_EQ(LastErrorCode(), 5u);
  m.faults().Fail("RegQueryValueExW", 1009, 1);
  EXPECT_FALSE(set->DeviceKeyValue(device, L"PortName", 82, &value));
  EXPECT_EQ(LastErrorCode(), 1009u);
}

}  // namespace
}  // namespace platform::sim
