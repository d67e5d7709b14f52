// A Bluetooth printer from the scan to its printable port, on one simulated machine: the scanned
// device's address goes to CreateBluetoothVirtualComPort, which pairs it and enables its serial
// service; Windows installs the port a moment later, the spooler lists it as a Local Port, and
// the pair is recorded under the product's key.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "ports/bluetooth_ports.h"
#include "tests/support/fixture_support.h"

namespace {

using platform::sim::SimBluetoothDevice;
using platform::sim::SimMachine;

class BluetoothPrinterScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    tavro_test::BindLog(&machine_);
  }
  void TearDown() override {
    tavro_test::BindLog(nullptr);
  }

  const platform::PortInfo* Listed(const std::wstring& name) {
    ports_.clear();
    machine_.spooler().EnumPorts(&ports_);
    for (const auto& port : ports_) {
      if (port.name == name) return &port;
    }
    return nullptr;
  }

  SimMachine machine_;
  std::vector<platform::PortInfo> ports_;
};

TEST_F(BluetoothPrinterScenario, FromTheScannedMacToAPortTheSpoolerLists) {
  SimBluetoothDevice headset;
  headset.address = 0x5C0E8B112233ull;
  headset.name = L"Headset";
  SimBluetoothDevice printer;
  printer.address = 0x001122AABBCCull;
  printer.name = L"TL-241 BT";
  printer.port_name = L"COM6";
  printer.port_look = 2;
  machine_.bluetooth().AddDevice(headset);
  machine_.bluetooth().AddDevice(printer);

  auto table = std::make_unique<BluetoothDeviceTable>();
  ASSERT_EQ(ScanBluetoothDevices(machine_, table.get()), 2);
  const BluetoothDeviceEntry& chosen = table->Devices[1];
  ASSERT_STREQ(chosen.Name, L"TL-241 BT");
  EXPECT_EQ(Listed(L"COM6:"), nullptr);

  const std::wstring port = CreateBluetoothVirtualComPort(machine_, chosen.Mac);
  ASSERT_EQ(port, L"COM6:");
  const platform::PortInfo* listed = Listed(port);
  ASSERT_NE(listed, nullptr);
  EXPECT_EQ(listed->monitor, L"Local Monitor");
  platform::RegValue record;
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine, L"SOFTWARE\\TavroPrint\\BluetoothPorts",
                                             port, platform::RegView::k64, &record));
  EXPECT_EQ(record.AsString(), chosen.Mac);
  EXPECT_TRUE(machine_.bluetooth().Find(printer.address)->authenticated);

  // A second install on the same printer finds its port at once.
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, chosen.Mac), L"COM6:");
  EXPECT_EQ(machine_.faults().Calls("BluetoothAuthenticateDevice"), 1);
  EXPECT_EQ(machine_.faults().Calls("BluetoothSetServiceState"), 1);
}

}  // namespace
