// The 32-bit host path's own monitor and port, run against Wine's real spooler: a TR-80 on USB001
// installed by the real installer through its dialogs, with the port monitor DLL this tree builds
// (payload_programs/tavrolm.c) lying in the install folder under its in-house name, as a payload
// that carried it would leave it there. The installer copies it into the system folder as
// TavroPrintMon.dll, registers it (AddMonitorW, "USB Printer Monitor"), adds the port
// "Tavro TR-80-Port:" on it (AddPortExW) and the printer on that port. This program then checks
// all of it from outside: the monitor's registry key and ports, EnumMonitorsW, EnumPortsW, the
// printer, and the monitor's own answers through the spooler (XcvData, a second AddPortExW).
//
// This build's payload carries no monitor DLL; without one the installer falls back to the
// selected port (tests/wine/install_test.cpp covers that). An installer under WOW64 takes the
// 64-bit host path, which registers no monitor: the tests skip there.
#include "tests/wine/install_flow.h"
#include "tests/wine/spooler_ports.h"
#include "tests/wine/wine_devices.h"

#include <string>
#include <vector>

#ifndef TAVRO_MONITOR_MODULE
#error "TAVRO_MONITOR_MODULE names this tree's port monitor DLL"
#endif

namespace {

using namespace flow;
using winetest::kClassPrinter;
using winetest::kClassUsb;
using winetest::TestDevice;

const TestDevice kUsb = {L"USB\\VID_4A7F&PID_0080\\TAVROMON0001", &kClassUsb, nullptr,
                         L"USB\\VID_4A7F&PID_0080&REV_0100", L"USB Printing Support",
                         L"(Standard USB Host Controller)", nullptr};
const TestDevice kPrinter = {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E2A11&0&USB001", &kClassPrinter,
                             L"USB\\VID_4A7F&PID_0080\\TAVROMON0001", L"USBPRINT\\TAVROTR-80_RECEIPTD2F1",
                             L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROMON)"};

const wchar_t kModel[] = L"Tavro TR-80";
const wchar_t kMonitor[] = L"USB Printer Monitor";
const wchar_t kMonitorDll[] = L"TavroPrintMon.dll";
const wchar_t kOwnPort[] = L"Tavro TR-80-Port:";
const wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\USB Printer Monitor";
const wchar_t kEnvironment[] = L"Windows NT x86";

std::wstring SystemMonitorDll() {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir) + L"\\" + kMonitorDll;
}

struct MonitorEntry {
  std::wstring name, environment, dll;
};

std::vector<MonitorEntry> Monitors() {
  std::vector<MonitorEntry> out;
  DWORD needed = 0, count = 0;
  EnumMonitorsW(nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return out;
  std::vector<BYTE> buffer(needed);
  if (!EnumMonitorsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return out;
  const MONITOR_INFO_2W* info = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    out.push_back({info[i].pName ? info[i].pName : L"", info[i].pEnvironment ? info[i].pEnvironment : L"",
                   info[i].pDLLName ? info[i].pDLLName : L""});
  }
  return out;
}

struct PortEntry {
  std::wstring name, monitor, description;
};

std::vector<PortEntry> Ports() {
  std::vector<PortEntry> out;
  DWORD needed = 0, count = 0;
  EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return out;
  std::vector<BYTE> buffer(needed);
  if (!EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return out;
  const PORT_INFO_2W* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    out.push_back({info[i].pPortName ? info[i].pPortName : L"", info[i].pMonitorName ? info[i].pMonitorName : L"",
                   info[i].pDescription ? info[i].pDescription : L""});
  }
  return out;
}

class OwnPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (IsWow64Self()) GTEST_SKIP() << "under WOW64 the installer takes the 64-bit host path: no monitor of its own";
    Remove();
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey, 0)) << "cannot remove the monitor a run that died left";
    ASSERT_EQ(winetest::Register(kUsb), "");
    ASSERT_EQ(winetest::Register(kPrinter), "");
    ASSERT_EQ(winetest::AddLocalPort(L"USB001"), 0u);
    RemoveInstallTextFiles();  // the monitor's name is the default "USB Printer Monitor"
    // The monitor DLL where the payload's files land, under the name the installer copies.
    const std::wstring folder = InstallFolder(kModel);
    ASSERT_TRUE(CreateDirectoryW(Expand(L"%ProgramFiles%\\USB Printer").c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CopyFileW(WindowsPath(TAVRO_MONITOR_MODULE).c_str(), (folder + L"\\tavrolm.dll").c_str(), FALSE))
        << GetLastError();
    // Where the installer registers its driver for an environment this process's spooler does
    // not look in (an x64 test program), the driver name is registered for its own too.
    if (_wcsicmp(OwnEnvironment(), kEnvironment) != 0) {
      std::wstring name = std::wstring(kModel) + L" Driver", env = OwnEnvironment(), path = L"Tavro TR-80Drv.dll",
                   data = L"Tavro TR-80GPC.pcd", config = L"Tavro TR-80UI.dll";
      DRIVER_INFO_2W info = {3, &name[0], &env[0], &path[0], &data[0], &config[0]};
      ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    }
    log_ = LogWatch();
  }

  void TearDown() override {
    if (IsWow64Self()) return;
    Remove();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey, 0)) << "the monitor stayed";
  }

  static void Remove() {
    RemoveInstallations(kModel);
    std::wstring port = kOwnPort, monitor = kMonitor, env = kEnvironment;
    DeletePortW(nullptr, nullptr, &port[0]);
    DeleteMonitorW(nullptr, &env[0], &monitor[0]);
    DeleteTree(HKEY_LOCAL_MACHINE, kMonitorKey, 0);
    DeleteFileW(SystemMonitorDll().c_str());
    winetest::RemoveIfPresent(kPrinter.id);
    winetest::RemoveIfPresent(kUsb.id);
    winetest::DeleteLocalPortIfPresent(L"USB001");
  }

  Installer installer_;
  LogWatch log_;
};

TEST_F(OwnPortTest, UsbPrinterGetsTheMonitorAndAPortOfItsOwn) {
  HWND main = OpenMainDialog(installer_, 2);
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(ComboSelectedText(GetDlgItem(main, IDC_MODEL_COMBO)), kModel) << "the TR-80 was not recognised";
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_EQ(list.Text(list.Selected(), 0), L"USB001");
  Click(main, IDOK);
  EXPECT_EQ(WaitForOutcome(installer_), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);

  // The monitor: its DLL in the system folder, its registry key, the spooler's list.
  EXPECT_TRUE(FileExists(SystemMonitorDll()));
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kMonitorKey, L"Driver"), kMonitorDll);
  bool listed = false;
  for (const MonitorEntry& monitor : Monitors())
    if (monitor.name == kMonitor) listed = _wcsicmp(monitor.dll.c_str(), kMonitorDll) == 0;
  EXPECT_TRUE(listed) << "EnumMonitorsW does not list USB Printer Monitor with TavroPrintMon.dll";

  // The own port: the monitor's key, the spooler's list, the printer on it.
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kMonitorKey) + L"\\Ports\\" + kOwnPort, 0));
  const PortEntry* own = nullptr;
  std::vector<PortEntry> ports = Ports();
  for (const PortEntry& port : ports)
    if (port.name == kOwnPort) own = &port;
  ASSERT_NE(own, nullptr) << "EnumPortsW does not list " << Narrow(kOwnPort);
  EXPECT_EQ(own->description, L"Tavro USB Printer Port");
  const std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->port, kOwnPort);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\") + kModel, L"PortName", KEY_WOW64_64KEY), kOwnPort);

  const std::string log = log_.Since();
  ExpectInOrder(log, {"[INFO] InstallPrinterDriver32 - CopyFile success: ",
                      "[ENTRY] AddPrinterMonitor - pszMonitorName=TavroPrintMon.dll",
                      "[EXIT] AddPrinterMonitor - Success",
                      "[INFO] InstallPrinterDriver32 - AddPrinterDriver success",
                      "[INFO] InstallPrinterDriver32 - AddPrinter success"});
  EXPECT_EQ(log.find("User selected port"), std::string::npos) << log;

  // The monitor answers through the spooler: the same port again is refused, a new one is taken
  // and shows in the list, a name it cannot keep is refused.
  std::wstring monitor = kMonitor, again = kOwnPort, extra = L"Tavro Extra-Port:", bad = L"a\\b";
  PORT_INFO_1W info = {&again[0]};
  EXPECT_FALSE(AddPortExW(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &monitor[0]));
  info.pName = &extra[0];
  EXPECT_TRUE(AddPortExW(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &monitor[0])) << GetLastError();
  EXPECT_TRUE(winetest::SpoolerHasPort(extra));
  info.pName = &bad[0];
  EXPECT_FALSE(AddPortExW(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &monitor[0]));
  EXPECT_TRUE(DeletePortW(nullptr, nullptr, &extra[0])) << GetLastError();
  EXPECT_FALSE(winetest::SpoolerHasPort(extra));
}

}  // namespace
