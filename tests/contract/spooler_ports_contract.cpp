// The spooler's network ports and the monitors' dialogs, as far as a machine without Standard
// TCP/IP ports can show them: none is listed, and dialogs for a monitor or a port nobody serves
// are refused with 50 before any window opens.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/spooler.h"
#include "tests/contract/contract_backend.h"

namespace {

bool IsTcpMon(const std::wstring& monitor) {
  const std::wstring expected = L"tcpmon.dll";
  if (monitor.size() != expected.size()) return false;
  for (size_t i = 0; i < monitor.size(); ++i) {
    if (static_cast<wchar_t>(std::towlower(monitor[i])) != expected[i]) return false;
  }
  return true;
}

TEST(SpoolerPortsContract, ANewMachineHasNoStandardTcpIpPorts) {
  std::vector<platform::PortInfo> ports;
  ASSERT_TRUE(contract::TheMachine().spooler().EnumPorts(&ports));
  ASSERT_FALSE(ports.empty());
  for (const auto& port : ports) {
    EXPECT_FALSE(IsTcpMon(port.monitor)) << testing::PrintToString(port.name);
  }
}

TEST(SpoolerPortsContract, DialogsNobodyCanShowAreRefusedWith50) {
  platform::Spooler& spooler = contract::TheMachine().spooler();
  EXPECT_FALSE(spooler.AddPortUI(nullptr, L"Tavro No Such Monitor"));
  EXPECT_EQ(platform::LastErrorCode(), 50u);
  EXPECT_FALSE(spooler.ConfigurePort(nullptr, L"TAVRONOPORT:"));
  EXPECT_EQ(platform::LastErrorCode(), 50u);
  EXPECT_FALSE(spooler.DeletePort(nullptr, L"TAVRONOPORT:"));
  EXPECT_EQ(platform::LastErrorCode(), 50u);
}

// PORT_DATA_1 holds a port name of 63 characters and a host of 48: longer ones, and empty ones, are
// refused before the monitor is asked, whatever monitors the machine has.
TEST(SpoolerPortsContract, AStandardTcpIpPortThatDoesNotFitIsRefusedWith87) {
  platform::Spooler& spooler = contract::TheMachine().spooler();
  EXPECT_FALSE(spooler.AddStandardTcpIpPort(std::wstring(64, L'P'), L"10.0.0.9", 9100));
  EXPECT_EQ(platform::LastErrorCode(), 87u);
  EXPECT_FALSE(spooler.AddStandardTcpIpPort(L"IP_TAVRO", std::wstring(49, L'1'), 9100));
  EXPECT_EQ(platform::LastErrorCode(), 87u);
  EXPECT_FALSE(spooler.AddStandardTcpIpPort(L"", L"10.0.0.9", 9100));
  EXPECT_EQ(platform::LastErrorCode(), 87u);
  std::vector<platform::PortInfo> ports;
  ASSERT_TRUE(spooler.EnumPorts(&ports));
  for (const auto& port : ports) EXPECT_NE(port.name, L"IP_TAVRO");
}

}  // namespace
