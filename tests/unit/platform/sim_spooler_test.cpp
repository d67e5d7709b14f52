// The simulated spooler, device map and device parameters keep their facts in the simulated
// registry: whatever writes there is seen by the service, and the reverse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

constexpr Hive kHklm = Hive::kLocalMachine;

std::vector<std::wstring> Names(const std::vector<PortInfo>& ports) {
  std::vector<std::wstring> names;
  for (const auto& port : ports) names.push_back(port.name);
  return names;
}

TEST(SimSpooler, NewMachineListsTheLocalPortsOfWindows10) {
  SimMachine m;
  std::vector<PortInfo> ports;
  ASSERT_TRUE(m.spooler().EnumPorts(&ports));
  EXPECT_EQ(Names(ports), (std::vector<std::wstring>{L"COM1:", L"COM2:", L"COM3:", L"COM4:", L"FILE:", L"LPT1:",
                                                      L"LPT2:", L"LPT3:", L"PORTPROMPT:", L"nul:"}));
  for (const auto& port : ports) {
    EXPECT_EQ(port.monitor, L"Local Monitor");
    EXPECT_EQ(port.description, L"Local Port");
    EXPECT_EQ(port.type, porttype::kWrite);
  }
  RegValue settings;
  ASSERT_TRUE(m.registry().QueryValue(kHklm, SimSpooler::kPortsKey, L"COM1:", RegView::k64, &settings));
  EXPECT_EQ(settings.AsString(), L"9600,n,8,1");
  // The key is shared by both views, as on Windows.
  EXPECT_TRUE(m.registry().QueryValue(kHklm, SimSpooler::kPortsKey, L"FILE:", RegView::kDefault, &settings));
}

TEST(SimSpooler, PortsOfOtherMonitorsFollowTheLocalOnesFromTheirRegistryKeys) {
  SimMachine m;
  SimSpooler& spooler = m.spooler();
  ASSERT_TRUE(spooler.AddUsbPort(L"USB001", L"\\\\?\\usb#vid_4a7f&pid_0080#1"));
  ASSERT_TRUE(spooler.AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5", L"Label printer"));
  ASSERT_TRUE(spooler.AddPort(L"local port", L"COM9:"));
  EXPECT_FALSE(spooler.AddPort(L"No Such Monitor", L"X1"));
  // Written straight into the registry, as an installer or the monitor itself would.
  ASSERT_TRUE(m.registry().CreateKey(kHklm, std::wstring(SimSpooler::kMonitorsKey) + L"\\USB Monitor\\Ports\\USB002",
                                     RegView::kDefault));

  std::vector<PortInfo> ports;
  ASSERT_TRUE(spooler.EnumPorts(&ports));
  ASSERT_EQ(ports.size(), 14u);
  EXPECT_EQ(ports[10].name, L"COM9:");
  EXPECT_EQ(ports[10].monitor, L"Local Monitor");
  EXPECT_EQ(ports[11].name, L"IP_10.0.0.5");
  EXPECT_EQ(ports[11].monitor, L"TCPMON.DLL");  // tcpmon names itself by its DLL
  EXPECT_EQ(ports[11].description, L"Label printer");
  EXPECT_EQ(ports[12].name, L"USB001");
  EXPECT_EQ(ports[12].monitor, L"USB Monitor");
  EXPECT_EQ(ports[12].description, L"Virtual printer port for USB");
  EXPECT_EQ(ports[12].type, porttype::kWrite | porttype::kRead);
  EXPECT_EQ(ports[13].name, L"USB002");

  RegValue path;
  ASSERT_TRUE(m.registry().QueryValueA(kHklm, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\USB Monitor\\Ports\\USB001",
                                       "Device Path", RegView::kDefault, &path));
  EXPECT_EQ(std::string(path.data.begin(), path.data.end()), std::string("\\\\?\\usb#vid_4a7f&pid_0080#1\0", 28));

  EXPECT_TRUE(spooler.RemovePort(L"USB001"));
  EXPECT_TRUE(spooler.RemovePort(L"com9:"));
  EXPECT_FALSE(spooler.RemovePort(L"USB001"));
  ASSERT_TRUE(spooler.EnumPorts(&ports));
  EXPECT_EQ(ports.size(), 12u);
}

TEST(SimSpooler, EnumPortsFailsOnRequest) {
  SimMachine m;
  m.faults().Fail("EnumPortsW", 1722, 1);
  std::vector<PortInfo> ports = {PortInfo{}};
  EXPECT_FALSE(m.spooler().EnumPorts(&ports));
  EXPECT_EQ(LastErrorCode(), 1722u);
  EXPECT_TRUE(ports.empty());
  EXPECT_TRUE(m.spooler().EnumPorts(&ports));
}

TEST(SimDosDevices, DrivesAndTheDeviceMapMakeTheList) {
  SimMachine m;
  std::vector<std::wstring> names;
  ASSERT_TRUE(m.files().QueryDosDeviceNames(4096, &names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"GLOBALROOT", L"PIPE", L"MAILSLOT", L"C:", L"PhysicalDrive0", L"COM1",
                                              L"NUL"}));
  m.files().AddDrive(L"D:");
  m.registry().SetValue(kHklm, SimFiles::kSerialCommKey, L"\\Device\\BthModem0", RegView::k64, RegValue::Sz(L"COM5"));
  m.registry().SetValue(kHklm, SimFiles::kSerialCommKey, L"\\Device\\Odd", RegView::k64, RegValue::Dword(1));
  m.registry().SetValue(kHklm, SimFiles::kParallelPortsKey, L"\\Device\\Parallel0", RegView::k64,
                        RegValue::Sz(L"\\DosDevices\\LPT1"));
  ASSERT_TRUE(m.files().QueryDosDeviceNames(4096, &names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"GLOBALROOT", L"PIPE", L"MAILSLOT", L"C:", L"D:", L"PhysicalDrive0",
                                              L"COM1", L"COM5", L"LPT1", L"NUL"}));

  m.faults().Fail("QueryDosDeviceW", 5, 1);
  EXPECT_FALSE(m.files().QueryDosDeviceNames(4096, &names));
  EXPECT_EQ(LastErrorCode(), 5u);
}

TEST(SimDevicesRegistry, AUsbPrintersPortNameLivesUnderItsEnumKey) {
  SimMachine m;
  auto ids = m.devices().AddUsbPrinter(L"TAVROTR80", L"USB003", 0x4A7F, 0x0080);
  const std::wstring parameters = SimDevices::EnumKey(ids.printer) + L"\\Device Parameters";
  RegValue port;
  ASSERT_TRUE(m.registry().QueryValue(kHklm, parameters, L"PortName", RegView::kDefault, &port));
  EXPECT_EQ(port.AsString(), L"USB003");
  ASSERT_TRUE(m.devices().SetPortName(ids.printer, L"USB007"));
  ASSERT_TRUE(m.registry().QueryValue(kHklm, parameters, L"PortName", RegView::kDefault, &port));
  EXPECT_EQ(port.AsString(), L"USB007");
  EXPECT_FALSE(m.devices().SetPortName(L"USBPRINT\\NONE\\1", L"USB001"));

  // Removing the USB node takes the printer below it, and the printer's key with it.
  ASSERT_TRUE(m.devices().RemoveDevice(ids.parent));
  EXPECT_FALSE(m.registry().KeyExists(kHklm, SimDevices::EnumKey(ids.printer), RegView::kDefault));
}

TEST(SimRegistryAnsi, NamesAndTextsFollowTheAnsiCodePage) {
  SimMachine m;
  m.codepage().SetAnsiCodePage(936);
  SimRegistry& reg = m.registry();
  ASSERT_TRUE(reg.SetValue(kHklm, L"SYSTEM\\Tavro\\\u7aef\u53e3", L"\u540d", RegView::kDefault,
                           RegValue::MultiSz({L"\u4e2d", L"a"})));
  std::vector<std::string> names;
  ASSERT_TRUE(reg.EnumSubKeysA(kHklm, "SYSTEM\\Tavro", RegView::kDefault, &names));
  EXPECT_EQ(names, (std::vector<std::string>{"\xb6\xcb\xbf\xda"}));
  RegValue v;
  ASSERT_TRUE(reg.QueryValueA(kHklm, "SYSTEM\\Tavro\\\xb6\xcb\xbf\xda", "\xc3\xfb", RegView::kDefault, &v));
  EXPECT_EQ(v.type, regtype::kMultiSz);
  EXPECT_EQ(std::string(v.data.begin(), v.data.end()), std::string("\xd6\xd0\0a\0\0", 6));
}

TEST(SimRegistryAnsi, EachCallCanFail) {
  SimMachine m;
  SimRegistry& reg = m.registry();
  ASSERT_TRUE(reg.SetValue(kHklm, L"SYSTEM\\Tavro\\A", L"v", RegView::kDefault, RegValue::Sz(L"x")));
  ASSERT_TRUE(reg.CreateKey(kHklm, L"SYSTEM\\Tavro\\B", RegView::kDefault));
  std::vector<std::string> names;
  m.faults().Fail("RegOpenKeyExA", 5, 1);
  EXPECT_FALSE(reg.KeyExistsA(kHklm, "SYSTEM\\Tavro", RegView::kDefault));
  EXPECT_EQ(LastErrorCode(), 5u);
  // RegEnumKeyExA is asked once per subkey and once more for the end: A, B, then 259.
  ASSERT_TRUE(reg.EnumSubKeysA(kHklm, "SYSTEM\\Tavro", RegView::kDefault, &names));
  EXPECT_EQ(m.faults().Calls("RegEnumKeyExA"), 3);
  m.faults().Fail("RegEnumKeyExA", 1009, 1);
  EXPECT_FALSE(reg.EnumSubKeysA(kHklm, "SYSTEM\\Tavro", RegView::kDefault, &names));
  EXPECT_EQ(LastErrorCode(), 1009u);
  RegValue v;
  m.faults().Fail("RegQueryValueExA", 234, 1);
  EXPECT_FALSE(reg.QueryValueA(kHklm, "SYSTEM\\Tavro\\A", "v", RegView::kDefault, &v));
  EXPECT_EQ(LastErrorCode(), 234u);
  reg.DenyKey(kHklm, L"SYSTEM\\Tavro\\A", RegView::kDefault, 5);
  EXPECT_FALSE(reg.QueryValueA(kHklm, "SYSTEM\\Tavro\\A", "v", RegView::kDefault, &v));
  EXPECT_EQ(LastErrorCode(), 5u);
}

}  // namespace
}  // namespace platform::sim
