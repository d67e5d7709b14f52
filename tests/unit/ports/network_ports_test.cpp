// Network ports: only the Standard TCP/IP monitor's ports are listed, the list owns copies of
// them, and deleting goes through the spooler by the exact name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"
#include "ports/network_ports.h"

namespace {

using platform::PortInfo;
using platform::sim::SimMachine;
using platform::sim::SimSpooler;

std::vector<std::wstring> Names(const NetworkPortList& list) {
  std::vector<std::wstring> names;
  for (const auto& record : list) names.push_back(record.PortName);
  return names;
}

bool SpoolerLists(SimMachine& m, const std::wstring& name) {
  std::vector<PortInfo> ports;
  m.spooler().EnumPorts(&ports);
  for (const auto& port : ports) {
    if (port.name == name) return true;
  }
  return false;
}

// The simulated spooler, but reporting whatever port records a test gives, as other Windows
// versions or third-party monitors might, and noting the ports it is asked to delete.
class ReportingSpooler : public SimSpooler {
 public:
  explicit ReportingSpooler(SimMachine& m)
      : SimSpooler(m.faults(), m.registry(), m.files(), m.system(), m.codepage()) {}
  bool EnumPorts(std::vector<PortInfo>* out) override {
    *out = ports;
    return true;
  }
  bool DeletePort(platform::DialogControls*, const std::wstring& port) override {
    deleted.push_back(port);
    return true;
  }
  std::vector<PortInfo> ports;
  std::vector<std::wstring> deleted;
};

TEST(NetworkPorts, ANewMachineHasNone) {
  SimMachine m;
  ASSERT_TRUE(m.spooler().AddUsbPort(L"USB001", L"path"));
  ASSERT_TRUE(m.spooler().AddPort(L"WSD Port", L"WSD-1234"));
  NetworkPortList list;
  EnumNetworkPorts(m.spooler(), &list);
  EXPECT_TRUE(list.empty());
}

TEST(NetworkPorts, OnlyTcpIpPortsAreCopiedInTheSpoolersOrderAndAppended) {
  SimMachine m;
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5"));
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"192.168.1.20", L"Kitchen printer"));
  ASSERT_TRUE(m.spooler().AddUsbPort(L"USB001", L"path"));
  NetworkPortList list;
  list.push_back(NetworkPortRecord{L"KEPT", L"x", L"", 0, 0});
  EnumNetworkPorts(m.spooler(), &list);
  // Monitor ports come in the order of their keys, as the registry enumerates them.
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"KEPT", L"192.168.1.20", L"IP_10.0.0.5"}));
  const NetworkPortRecord& kitchen = *std::next(list.begin());
  EXPECT_EQ(kitchen.MonitorName, L"TCPMON.DLL");
  EXPECT_EQ(kitchen.Description, L"Kitchen printer");
  EXPECT_EQ(kitchen.PortType, platform::porttype::kWrite | platform::porttype::kRead);
  EXPECT_EQ(list.back().Description, L"Standard TCP/IP Port");
}

TEST(NetworkPorts, TheMonitorNameIsComparedIgnoringCaseAndNothingElseMatches) {
  SimMachine m;
  ReportingSpooler spooler(m);
  spooler.ports = {
      PortInfo{L"A", L"tcpmon.dll", L"one", 3, 7},
      PortInfo{L"B", L"Standard TCP/IP Port", L"", 3, 0},  // the monitor's key name is not what ports report
      PortInfo{L"C", L"TcpMon.Dll", L"", 1, 0},
      PortInfo{L"D", L"tcpmon.dll.mui", L"", 1, 0},
      PortInfo{L"E", L"Local Monitor", L"Local Port", 1, 0},
  };
  NetworkPortList list;
  EnumNetworkPorts(spooler, &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"A", L"C"}));
  EXPECT_EQ(list.front().Reserved, 7u);
  EXPECT_EQ(list.front().PortType, 3u);
  EXPECT_EQ(list.front().MonitorName, L"tcpmon.dll");
}

TEST(NetworkPorts, ASpoolerThatCannotBeAskedLeavesTheList) {
  SimMachine m;
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5"));
  NetworkPortList list;
  list.push_back(NetworkPortRecord{L"OLD", L"TCPMON.DLL", L"", 0, 0});
  m.faults().Fail("EnumPortsW", 1722, 1);
  EnumNetworkPorts(m.spooler(), &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"OLD"}));
}

TEST(NetworkPorts, DeletingRemovesTheRecordAndThePortAndTheRebuiltListLacksIt) {
  SimMachine m;
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5"));
  ASSERT_TRUE(m.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.6"));
  NetworkPortList list;
  EnumNetworkPorts(m.spooler(), &list);
  DeleteNetworkPort(m.spooler(), nullptr, &list, L"IP_10.0.0.5");
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.6"}));
  EXPECT_FALSE(SpoolerLists(m, L"IP_10.0.0.5"));
  EXPECT_EQ(m.faults().Calls("DeletePortW"), 1);

  list.clear();
  EnumNetworkPorts(m.spooler(), &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.6"}));
}

TEST(NetworkPorts, ANameNotInTheListExactlyDeletesNothing) {
  SimMachine m;
  ReportingSpooler spooler(m);
  NetworkPortList list;
  list.push_back(NetworkPortRecord{L"IP_10.0.0.5", L"TCPMON.DLL", L"", 0, 0});
  DeleteNetworkPort(spooler, nullptr, &list, L"ip_10.0.0.5");  // case counts here
  DeleteNetworkPort(spooler, nullptr, &list, L"IP_10.0.0.9");
  EXPECT_EQ(list.size(), 1u);
  EXPECT_TRUE(spooler.deleted.empty());
  // Only the first of two equal records goes.
  list.push_back(NetworkPortRecord{L"IP_10.0.0.5", L"TCPMON.DLL", L"second", 0, 0});
  DeleteNetworkPort(spooler, nullptr, &list, L"IP_10.0.0.5");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.front().Description, L"second");
  EXPECT_EQ(spooler.deleted, (std::vector<std::wstring>{L"IP_10.0.0.5"}));
}

TEST(NetworkPorts, TheAddWizardsPortIsListedAndCancellingChangesNothing) {
  SimMachine m;
  m.spooler().AnswerPortDialog({false, L""});
  EXPECT_FALSE(m.spooler().AddPortUI(nullptr, kTcpIpMonitorName));
  EXPECT_EQ(platform::LastErrorCode(), 1223u);
  NetworkPortList list;
  EnumNetworkPorts(m.spooler(), &list);
  EXPECT_TRUE(list.empty());

  m.spooler().AnswerPortDialog({true, L"IP_10.0.0.5"});
  ASSERT_TRUE(m.spooler().AddPortUI(nullptr, kTcpIpMonitorName));
  EnumNetworkPorts(m.spooler(), &list);
  EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"IP_10.0.0.5"}));
}

}  // namespace
