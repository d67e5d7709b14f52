// The simulated spooler's port monitor dialogs: a scripted user adds, configures or cancels;
// monitors without dialogs and ports nobody serves answer 50 as on Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

bool Lists(SimMachine& m, const std::wstring& name, std::wstring* monitor = nullptr) {
  std::vector<PortInfo> ports;
  m.spooler().EnumPorts(&ports);
  for (const auto& port : ports) {
    if (port.name != name) continue;
    if (monitor) *monitor = port.monitor;
    return true;
  }
  return false;
}

// The dialog that owns the monitors' dialogs: only its identity matters.
using OwnerDialog = SimDialogControls;

TEST(SimPortDialogs, TheAddWizardMakesThePortTheUserTyped) {
  SimMachine m;
  OwnerDialog owner;
  m.spooler().AnswerPortDialog({true, L"IP_10.0.0.5"});
  ASSERT_TRUE(m.spooler().AddPortUI(&owner, L"Standard TCP/IP Port"));
  std::wstring monitor;
  ASSERT_TRUE(Lists(m, L"IP_10.0.0.5", &monitor));
  EXPECT_EQ(monitor, L"TCPMON.DLL");
  ASSERT_EQ(m.spooler().PortDialogRuns().size(), 1u);
  EXPECT_EQ(m.spooler().PortDialogRuns()[0].call, "AddPortW");
  EXPECT_EQ(m.spooler().PortDialogRuns()[0].target, L"Standard TCP/IP Port");
  EXPECT_EQ(m.spooler().PortDialogRuns()[0].owner, &owner);

  // The local monitor's dialog asks for a name too.
  m.spooler().AnswerPortDialog({true, L"C:\\out.prn"});
  ASSERT_TRUE(m.spooler().AddPortUI(nullptr, L"local port"));
  ASSERT_TRUE(Lists(m, L"C:\\out.prn", &monitor));
  EXPECT_EQ(monitor, L"Local Monitor");
}

TEST(SimPortDialogs, CancelNoAnswerAndATakenNameAddNothing) {
  SimMachine m;
  std::vector<PortInfo> before;
  m.spooler().EnumPorts(&before);
  m.spooler().AnswerPortDialog({false, L"IP_1"});
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, L"Standard TCP/IP Port"));
  EXPECT_EQ(LastErrorCode(), 1223u);
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, L"Standard TCP/IP Port"));  // nobody answers: Cancel
  EXPECT_EQ(LastErrorCode(), 1223u);
  m.spooler().AnswerPortDialog({true, L"com1:"});
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, L"Standard TCP/IP Port"));
  EXPECT_EQ(LastErrorCode(), 1223u);
  std::vector<PortInfo> after;
  m.spooler().EnumPorts(&after);
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(m.spooler().PortDialogRuns().size(), 3u);
}

TEST(SimPortDialogs, MonitorsWithoutDialogsAndUnknownNamesAnswer50) {
  SimMachine m;
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, L"USB Monitor"));
  EXPECT_EQ(LastErrorCode(), 50u);
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, L"No Such Monitor"));
  EXPECT_EQ(LastErrorCode(), 50u);
  EXPECT_FALSE(m.spooler().ConfigurePort(nullptr, L"IP_10.9.9.9"));
  EXPECT_EQ(LastErrorCode(), 50u);
  EXPECT_FALSE(m.spooler().DeletePort(nullptr, L"IP_10.9.9.9"));
  EXPECT_EQ(LastErrorCode(), 50u);
  EXPECT_TRUE(m.spooler().PortDialogRuns().empty());
}

TEST(SimPortDialogs, ConfigureShowsTheMonitorsDialogAndDeleteRemovesThePort) {
  SimMachine m;
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.7"));
  OwnerDialog owner;
  m.spooler().AnswerPortDialog({true, L""});
  EXPECT_TRUE(m.spooler().ConfigurePort(&owner, L"ip_10.0.0.7"));
  EXPECT_FALSE(m.spooler().ConfigurePort(&owner, L"IP_10.0.0.7"));  // cancelled
  EXPECT_EQ(LastErrorCode(), 1223u);
  ASSERT_EQ(m.spooler().PortDialogRuns().size(), 2u);
  EXPECT_EQ(m.spooler().PortDialogRuns()[1].call, "ConfigurePortW");
  EXPECT_EQ(m.spooler().PortDialogRuns()[1].target, L"IP_10.0.0.7");

  EXPECT_TRUE(m.spooler().DeletePort(&owner, L"IP_10.0.0.7"));
  EXPECT_FALSE(Lists(m, L"IP_10.0.0.7"));
  EXPECT_FALSE(m.spooler().DeletePort(&owner, L"IP_10.0.0.7"));
  EXPECT_EQ(LastErrorCode(), 50u);
}

TEST(SimPortDialogs, EachCallFailsOnRequest) {
  SimMachine m;
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.7"));
  m.faults().Fail("AddPortW", 5, 1);
  m.spooler().AnswerPortDialog({true, L"IP_10.0.0.8"});
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, L"Standard TCP/IP Port"));
  EXPECT_EQ(LastErrorCode(), 5u);
  m.faults().Fail("ConfigurePortW", 1722, 1);
  EXPECT_FALSE(m.spooler().ConfigurePort(nullptr, L"IP_10.0.0.7"));
  EXPECT_EQ(LastErrorCode(), 1722u);
  m.faults().Fail("DeletePortW", 5, 1);
  EXPECT_FALSE(m.spooler().DeletePort(nullptr, L"IP_10.0.0.7"));
  EXPECT_EQ(LastErrorCode(), 5u);
  EXPECT_TRUE(Lists(m, L"IP_10.0.0.7"));
  // The answer was not used by the failed call.
  EXPECT_TRUE(m.spooler().AddPortUI(nullptr, L"Standard TCP/IP Port"));
  EXPECT_TRUE(Lists(m, L"IP_10.0.0.8"));
}

}  // namespace
}  // namespace platform::sim
