// Spooler: the ports EnumPortsW lists, and the Local Port monitor's ports as the values of the
// Windows Ports key, so that a port written there is listed at once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/spooler.h"
#include "tests/contract/contract_backend.h"

namespace {

using platform::Hive;
using platform::PortInfo;
using platform::RegValue;
using platform::RegView;

const wchar_t kPortsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const wchar_t kTestPort[] = L"TAVROCONTRACT1:";

const PortInfo* Find(const std::vector<PortInfo>& ports, const std::wstring& name) {
  for (const auto& port : ports) {
    if (port.name == name) return &port;
  }
  return nullptr;
}

class SpoolerContract : public ::testing::Test {
 protected:
  platform::Spooler& spooler() { return contract::TheMachine().spooler(); }
  platform::Registry& reg() { return contract::TheMachine().registry(); }
  void SetUp() override { reg().DeleteValue(Hive::kLocalMachine, kPortsKey, kTestPort, RegView::k64); }
  void TearDown() override { reg().DeleteValue(Hive::kLocalMachine, kPortsKey, kTestPort, RegView::k64); }
};

TEST_F(SpoolerContract, ListsTheLocalPortsWithTheirMonitor) {
  std::vector<PortInfo> ports;
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  for (const wchar_t* name : {L"COM1:", L"COM2:", L"COM3:", L"COM4:", L"FILE:", L"LPT1:", L"LPT2:", L"LPT3:"}) {
    EXPECT_NE(Find(ports, name), nullptr) << testing::PrintToString(std::wstring(name));
  }
  const PortInfo* com1 = Find(ports, L"COM1:");
  ASSERT_NE(com1, nullptr);
  // Windows reports the monitor as "Local Port"; Wine (and the simulation after it) "Local Monitor".
  EXPECT_EQ(com1->monitor, L"Local Monitor");
  EXPECT_EQ(com1->description, L"Local Port");
  EXPECT_TRUE(com1->type & platform::porttype::kWrite);
}

TEST_F(SpoolerContract, APortWrittenUnderThePortsKeyIsListedAtOnce) {
  std::vector<PortInfo> ports;
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  size_t before = ports.size();
  EXPECT_EQ(Find(ports, kTestPort), nullptr);

  ASSERT_TRUE(reg().SetValue(Hive::kLocalMachine, kPortsKey, kTestPort, RegView::k64, RegValue::Sz(L"")));
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  EXPECT_EQ(ports.size(), before + 1);
  const PortInfo* added = Find(ports, kTestPort);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->monitor, L"Local Monitor");

  ASSERT_TRUE(reg().DeleteValue(Hive::kLocalMachine, kPortsKey, kTestPort, RegView::k64));
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  EXPECT_EQ(Find(ports, kTestPort), nullptr);
  EXPECT_EQ(ports.size(), before);
}

}  // namespace
