// The network port list against Wine's real spooler. Wine has no Standard TCP/IP Port monitor:
// without one the list is empty and the add-port wizard cannot open. The fixture then installs
// the tests' own monitor under that name (AddMonitorW; tavro_test_tcpmon.dll and its UI module
// beside this program), and listing, the add-port wizard, configuring and deleting run through
// the spooler into the monitor and its UI module, whose dialogs answer without a window. The
// fixture removes the monitor and its ports again, also those of a run that died.
// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_dialog_controls.h"
#include "platform/win32/win32_machine.h"
#include "ports/network_ports.h"
// winspool.h maps these to their W functions; the spooler seam's methods keep their own names.
#undef EnumPorts
#undef ConfigurePort
#undef DeletePort
#include "platform/spooler.h"
#include "tests/wine/test_monitor/test_monitor.h"

namespace {

std::vector<std::wstring> Names(const NetworkPortList& list) {
  std::vector<std::wstring> names;
  for (const auto& record : list) names.push_back(record.PortName);
  return names;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring Environment(const wchar_t* name) {
  wchar_t value[4096] = L"";
  GetEnvironmentVariableW(name, value, 4096);
  return value;
}

class NetworkPortsWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testmon::Remove()) << "a leftover monitor stayed";
    SetEnvironmentVariableW(L"TAVRO_TESTMON_ANSWER", nullptr);
    SetEnvironmentVariableW(L"TAVRO_TESTMON_CALLS", nullptr);
    window_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    owner_.Attach(window_);
  }
  void TearDown() override {
    owner_.Detach();
    if (window_) DestroyWindow(window_);
    EXPECT_TRUE(testmon::Remove()) << "the test monitor stayed";
  }

  // The owner window as the UI module saw it.
  std::wstring OwnerText() {
    wchar_t text[32];
    std::swprintf(text, 32, L"%08lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window_)));
    return text;
  }

  platform::win32::Win32Machine machine_;
  platform::win32::Win32DialogControls owner_{GetModuleHandleW(nullptr)};
  HWND window_ = nullptr;
};

TEST_F(NetworkPortsWine, WithoutTheMonitorTheListIsEmptyAndTheWizardCannotOpen) {
  NetworkPortList list;
  EnumNetworkPorts(machine_.spooler(), &list);
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(machine_.spooler().AddPortUI(&owner_, kTcpIpMonitorName));
  // Windows has the monitor; Wine has none and refuses the wizard as for any unknown monitor.
  EXPECT_EQ(platform::LastErrorCode(), 50u);
}

TEST_F(NetworkPortsWine, TheHostedMonitorsPortsAreListedWithTheMonitorNameWindowsReports) {
  ASSERT_EQ(testmon::Install(), "");
  ASSERT_TRUE(testmon::AddPortKey(L"IP_10.0.0.9"));
  NetworkPortList list;
  EnumNetworkPorts(machine_.spooler(), &list);
  ASSERT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.9"}));
  EXPECT_EQ(list.front().MonitorName, L"TCPMON.DLL");
  EXPECT_EQ(list.front().Description, L"Standard TCP/IP Port");
  EXPECT_EQ(list.front().PortType, static_cast<uint32_t>(PORT_TYPE_WRITE | PORT_TYPE_READ));
}

TEST_F(NetworkPortsWine, TheAddPortWizardOfTheMonitorAddsItsPortThroughTheSpooler) {
  ASSERT_EQ(testmon::Install(), "");
  ASSERT_TRUE(machine_.spooler().AddPortUI(&owner_, kTcpIpMonitorName)) << platform::LastErrorCode();
  NetworkPortList list;
  EnumNetworkPorts(machine_.spooler(), &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.5"}));
  std::wstring calls = Environment(L"TAVRO_TESTMON_CALLS");
  EXPECT_EQ(calls, L"AddPortUI|" + OwnerText() + L"|Standard TCP/IP Port;") << Narrow(calls);
}

TEST_F(NetworkPortsWine, CancellingTheWizardLeavesTheList) {
  ASSERT_EQ(testmon::Install(), "");
  ASSERT_TRUE(testmon::AddPortKey(L"IP_10.0.0.9"));
  SetEnvironmentVariableW(L"TAVRO_TESTMON_ANSWER", L"cancel");
  EXPECT_FALSE(machine_.spooler().AddPortUI(&owner_, kTcpIpMonitorName));
  EXPECT_EQ(platform::LastErrorCode(), 1223u);
  NetworkPortList list;
  EnumNetworkPorts(machine_.spooler(), &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.9"}));
}

TEST_F(NetworkPortsWine, ConfigureReachesTheMonitorsDialogForThatPort) {
  ASSERT_EQ(testmon::Install(), "");
  ASSERT_TRUE(testmon::AddPortKey(L"IP_10.0.0.9"));
  EXPECT_TRUE(machine_.spooler().ConfigurePort(&owner_, L"IP_10.0.0.9")) << platform::LastErrorCode();
  EXPECT_EQ(testmon::Configured(L"IP_10.0.0.9"), 1u);
  std::wstring calls = Environment(L"TAVRO_TESTMON_CALLS");
  EXPECT_EQ(calls, L"ConfigurePortUI|" + OwnerText() + L"|IP_10.0.0.9;") << Narrow(calls);
}

TEST_F(NetworkPortsWine, DeletingRemovesThePortFromTheMonitorAndTheList) {
  ASSERT_EQ(testmon::Install(), "");
  ASSERT_TRUE(testmon::AddPortKey(L"IP_10.0.0.9"));
  ASSERT_TRUE(testmon::AddPortKey(L"IP_10.0.0.10"));
  NetworkPortList list;
  EnumNetworkPorts(machine_.spooler(), &list);
  ASSERT_EQ(list.size(), 2u);
  DeleteNetworkPort(machine_.spooler(), &owner_, &list, L"IP_10.0.0.9");
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.10"}));
  std::wstring calls = Environment(L"TAVRO_TESTMON_CALLS");
  EXPECT_EQ(calls, L"DeletePortUI|" + OwnerText() + L"|IP_10.0.0.9;") << Narrow(calls);
  list.clear();
  EnumNetworkPorts(machine_.spooler(), &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.10"}));
}

}  // namespace
