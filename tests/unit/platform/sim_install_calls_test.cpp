// The simulated machine's installation calls where the contract cases cannot reach: a 32-bit
// Windows, faults by name, redirection per thread and its exempt folders, connections, services
// that start (how the manager reads a binary path, display-name clashes, a service whose key is
// gone), and the refusals Wine does not make.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/services.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

constexpr const wchar_t* kDriver = L"Tavro Driver";

class SimInstallCalls : public ::testing::Test {
 protected:
  // The driver record's files where the spooler looks for them, for either environment.
  void SetUp() override { PlaceDriverFiles(); }
  void PlaceDriverFiles() {
    for (const wchar_t* folder : {L"w32x86", L"x64"}) {
      const std::wstring dir = sim_.system().WindowsPath() + L"\\system32\\spool\\drivers\\" + folder;
      for (const wchar_t* name : {L"TavroDrv.dll", L"TavroGPC.pcd", L"TavroUI.dll"}) {
        sim_.files().PutFile(dir + L"\\" + name, "driver file");
      }
    }
  }
  Spooler& spooler() { return static_cast<Machine&>(sim_).spooler(); }
  Services& services() { return static_cast<Machine&>(sim_).services(); }
  Files& files() { return static_cast<Machine&>(sim_).files(); }

  DriverInfo Driver(const std::wstring& environment) {
    DriverInfo driver;
    driver.name = kDriver;
    driver.environment = environment;
    driver.driver_path = L"TavroDrv.dll";
    driver.data_file = L"TavroGPC.pcd";
    driver.config_file = L"TavroUI.dll";
    return driver;
  }
  PrinterInfo2 Printer(const std::wstring& name, const std::wstring& port = L"LPT1:") {
    PrinterInfo2 printer;
    printer.printer_name = name;
    printer.share_name = name;
    printer.port_name = port;
    printer.driver_name = kDriver;
    printer.print_processor = L"WinPrint";
    printer.datatype = L"RAW";
    return printer;
  }
  ServiceConfig Config(const std::wstring& name, const std::wstring& binary) {
    ServiceConfig config;
    config.name = name;
    config.display_name = name;
    config.service_type = 0x110;
    config.start_type = 2;
    config.error_control = 1;
    config.binary_path = binary;
    return config;
  }
  std::string Read(const std::string& ansi_path) {
    auto file = files().Open(ansi_path, "rb");
    if (!file) return "<missing>";
    std::string bytes;
    char buffer[64];
    for (size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
    return bytes;
  }

  SimMachine sim_;
};

TEST_F(SimInstallCalls, EachCallFailsByItsWin32Name) {
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(kEnvironmentX64)));
  std::unique_ptr<PrinterHandle> printer = spooler().AddPrinter(Printer(L"R710"));
  ASSERT_NE(printer, nullptr);
  std::unique_ptr<ServiceManager> manager = services().OpenManager();
  ASSERT_NE(manager, nullptr);
  std::unique_ptr<platform::Service> service = manager->Create(Config(L"Tavro", L"C:\\Tavro.exe"));
  ASSERT_NE(service, nullptr);
  sim_.files().PutFile(L"C:\\Windows\\System32\\TavroMon.dll", "monitor");
  sim_.files().PutFile(L"C:\\src.bin", "x");

  std::wstring wide;
  std::string ansi;
  std::vector<std::wstring> names;
  uint32_t needed = 0;
  const std::vector<std::pair<std::string, std::function<bool()>>> calls = {
      {"GetPrinterDriverDirectoryW", [&] { return spooler().DriverDirectoryW(L"", 256, &wide); }},
      {"GetPrinterDriverDirectoryA", [&] { return spooler().DriverDirectoryA("", 256, &ansi); }},
      {"AddPrinterDriverW", [&] { return spooler().AddPrinterDriver(Driver(kEnvironmentX86)); }},
      {"AddPrinterW", [&] { return spooler().AddPrinter(Printer(L"R711")) != nullptr; }},
      {"SetPrinterDataW", [&] { return printer->SetData(L"A", 4, RegValue::Dword(1).data) == 0; }},
      {"EnumPrintersW", [&] { return spooler().EnumPrinters(kPrinterEnumLocal, &names, &needed); }},
      {"AddMonitorW", [&] { return spooler().AddMonitor(L"Tavro Monitor", kEnvironmentX64, L"TavroMon.dll"); }},
      {"AddPortExW", [&] { return spooler().AddPortEx(L"Local Port", L"COM9:"); }},
      {"SetDefaultPrinterW", [&] { return spooler().SetDefaultPrinter(L"R710"); }},
      {"OpenSCManagerW", [&] { return services().OpenManager() != nullptr; }},
      {"CreateServiceW", [&] { return manager->Create(Config(L"Other", L"C:\\Other.exe")) != nullptr; }},
      {"ChangeServiceConfig2W", [&] { return service->SetDescription(L"d"); }},
      {"StartServiceW", [&] { return service->Start(); }},
      {"CopyFileA", [&] { return files().CopyA("C:\\src.bin", "C:\\dst.bin", false); }},
      {"DeleteFileA", [&] { return files().RemoveA("C:\\src.bin"); }},
      {"WritePrivateProfileStringW", [&] { return files().WriteProfileString(L"C:\\a.ini", L"S", L"K", L"V"); }},
      {"Wow64DisableWow64FsRedirection", [&] { return files().DisableWow64Redirection(); }},
      {"GetSystemDirectoryA", [&] { return sim_.system().SystemDirectoryA(256, &ansi); }},
      {"FormatMessageW", [&] { return sim_.system().ErrorMessageText(5, &wide); }},
      {"Wow64RevertWow64FsRedirection", [&] { return files().DisableWow64Redirection() && files().RevertWow64Redirection(); }},
  };
  for (const auto& [name, call] : calls) {
    sim_.faults().Fail(name, 1234, 1);
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(LastErrorCode(), 1234u) << name;
    EXPECT_EQ(sim_.faults().Calls(name), 1) << name;
    sim_.faults().ResetCalls();
  }
  // Nothing of the failed calls is left behind.
  EXPECT_EQ(sim_.files().Kind(L"C:\\dst.bin"), PathKind::kMissing);
  EXPECT_EQ(sim_.files().Kind(L"C:\\src.bin"), PathKind::kFile);
  EXPECT_FALSE(sim_.registry().KeyExists(Hive::kLocalMachine, SimSpooler::PrinterKey(L"R711"), RegView::k64));
}

TEST_F(SimInstallCalls, A32BitWindowsServesX86DriversAndMonitorsWithoutRedirection) {
  sim_.MakeX86Windows();
  std::wstring folder;
  ASSERT_TRUE(spooler().DriverDirectoryW(L"", 256, &folder));
  EXPECT_EQ(folder, L"C:\\Windows\\system32\\spool\\drivers\\w32x86");

  PlaceDriverFiles();  // the x64 folder went with the 64-bit Windows
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(kEnvironmentX64)));
  EXPECT_EQ(spooler().AddPrinter(Printer(L"R710")), nullptr);
  EXPECT_EQ(LastErrorCode(), 1797u);
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(kEnvironmentX86)));
  EXPECT_NE(spooler().AddPrinter(Printer(L"R710")), nullptr);

  sim_.files().PutFile(L"C:\\Windows\\System32\\TavroMon.dll", "monitor");
  EXPECT_FALSE(spooler().AddMonitor(L"Tavro Monitor", kEnvironmentX64, L"TavroMon.dll"));
  EXPECT_EQ(LastErrorCode(), 1805u);
  EXPECT_TRUE(spooler().AddMonitor(L"Tavro Monitor", kEnvironmentX86, L"TavroMon.dll"));
  RegValue driver;
  ASSERT_TRUE(sim_.registry().QueryValue(Hive::kLocalMachine, std::wstring(SimSpooler::kMonitorsKey) + L"\\Tavro Monitor",
                                         L"Driver", RegView::k64, &driver));
  EXPECT_EQ(driver.AsString(), L"TavroMon.dll");

  EXPECT_FALSE(files().DisableWow64Redirection());
  EXPECT_EQ(LastErrorCode(), 1u);
  sim_.files().PutFile(L"C:\\src.bin", "x86");
  ASSERT_TRUE(files().CopyA("C:\\src.bin", "C:\\Windows\\system32\\x.dll", false));
  EXPECT_EQ(sim_.files().FileBytes(L"C:\\Windows\\System32\\x.dll"), "x86");
}

TEST_F(SimInstallCalls, The64BitSpoolerLoadsMonitorsFromTheNativeSystem32) {
  sim_.files().PutFile(L"C:\\Windows\\SysWOW64\\TavroMon.dll", "32-bit monitor");
  EXPECT_FALSE(spooler().AddMonitor(L"Tavro Monitor", kEnvironmentX64, L"TavroMon.dll"));
  EXPECT_EQ(LastErrorCode(), 126u);
  // The caller's environment under WOW64 is x86, which the x64 spooler cannot load.
  sim_.files().PutFile(L"C:\\Windows\\System32\\TavroMon.dll", "64-bit monitor");
  EXPECT_FALSE(spooler().AddMonitor(L"Tavro Monitor", L"", L"TavroMon.dll"));
  EXPECT_EQ(LastErrorCode(), 1805u);
  EXPECT_TRUE(spooler().AddMonitor(L"Tavro Monitor", kEnvironmentX64, L"TavroMon.dll"));
  EXPECT_FALSE(spooler().AddMonitor(L"TAVRO MONITOR", kEnvironmentX64, L"TavroMon.dll"));
  EXPECT_EQ(LastErrorCode(), 3006u);
  // Its own port is listed under its name.
  EXPECT_TRUE(spooler().AddPortEx(L"Tavro Monitor", L"R710-Port:"));
  std::vector<PortInfo> ports;
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  auto port = std::find_if(ports.begin(), ports.end(), [](const PortInfo& p) { return p.name == L"R710-Port:"; });
  ASSERT_NE(port, ports.end());
  EXPECT_EQ(port->monitor, L"Tavro Monitor");
}

TEST_F(SimInstallCalls, RedirectionSparesTheExemptFoldersAndFollowsTheThread) {
  sim_.files().PutFile(L"C:\\src.bin", "x");
  sim_.files().MakeFolders(L"C:\\Windows\\System32\\drivers\\etc");
  sim_.files().MakeFolders(L"C:\\Windows\\SysWOW64\\drivers\\etc");
  ASSERT_TRUE(files().CopyA("C:\\src.bin", "C:\\Windows\\System32\\drivers\\tavro.sys", false));
  ASSERT_TRUE(files().CopyA("C:\\src.bin", "C:\\Windows\\System32\\drivers\\etc\\tavro", false));
  ASSERT_TRUE(files().CopyA("C:\\src.bin", "C:\\Windows\\Sysnative\\tavro.dll", false));
  EXPECT_EQ(sim_.files().Kind(L"C:\\Windows\\SysWOW64\\drivers\\tavro.sys"), PathKind::kFile);
  EXPECT_EQ(sim_.files().Kind(L"C:\\Windows\\System32\\drivers\\etc\\tavro"), PathKind::kFile);
  EXPECT_EQ(sim_.files().Kind(L"C:\\Windows\\System32\\tavro.dll"), PathKind::kFile);

  // Switched off on this thread only; nested disables undo one at a time.
  ASSERT_TRUE(files().DisableWow64Redirection());
  ASSERT_TRUE(files().DisableWow64Redirection());
  std::thread other([this] { EXPECT_TRUE(files().CopyA("C:\\src.bin", "C:\\Windows\\System32\\other.dll", false)); });
  other.join();
  EXPECT_EQ(sim_.files().Kind(L"C:\\Windows\\SysWOW64\\other.dll"), PathKind::kFile);
  ASSERT_TRUE(files().RevertWow64Redirection());
  EXPECT_EQ(Read("C:\\Windows\\System32\\tavro.dll"), "x");  // still off
  ASSERT_TRUE(files().RevertWow64Redirection());
  EXPECT_EQ(Read("C:\\Windows\\System32\\tavro.dll"), "<missing>");
}

TEST_F(SimInstallCalls, PrintersAreRefusedInWindowsOrderAndConnectionsAreListed) {
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(kEnvironmentX64)));
  EXPECT_EQ(spooler().AddPrinter(Printer(L"a,b")), nullptr);
  EXPECT_EQ(LastErrorCode(), 1801u);
  PrinterInfo2 processor = Printer(L"R710");
  processor.print_processor = L"NoSuchProcessor";
  EXPECT_EQ(spooler().AddPrinter(processor), nullptr);
  EXPECT_EQ(LastErrorCode(), 1798u);
  PrinterInfo2 datatype = Printer(L"R710");
  datatype.datatype = L"NOSUCHTYPE";
  EXPECT_EQ(spooler().AddPrinter(datatype), nullptr);
  EXPECT_EQ(LastErrorCode(), 1804u);
  EXPECT_EQ(spooler().AddPrinter(Printer(L"R710", L"LPT1:,LPT9:")), nullptr);
  EXPECT_EQ(LastErrorCode(), 1796u);
  EXPECT_NE(spooler().AddPrinter(Printer(L"R710", L"LPT1:,COM1:")), nullptr);

  sim_.registry().CreateKey(Hive::kCurrentUser, L"Printers\\Connections\\,,server,Label", RegView::kDefault);
  std::vector<std::wstring> names;
  uint32_t needed = 0;
  ASSERT_TRUE(spooler().EnumPrinters(kPrinterEnumLocal, &names, &needed));
  EXPECT_EQ(names, std::vector<std::wstring>{L"R710"});
  ASSERT_TRUE(spooler().EnumPrinters(kPrinterEnumLocal | kPrinterEnumConnections, &names, &needed));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"R710", L"\\\\server\\Label"}));
}

TEST_F(SimInstallCalls, AnEmptyDefaultPrinterNamePicksTheFirstPrinter) {
  EXPECT_FALSE(spooler().SetDefaultPrinter(L""));
  EXPECT_EQ(LastErrorCode(), 1801u);
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(kEnvironmentX64)));
  ASSERT_NE(spooler().AddPrinter(Printer(L"R710", L"COM1:")), nullptr);
  EXPECT_TRUE(spooler().SetDefaultPrinter(L""));
  RegValue device;
  ASSERT_TRUE(sim_.registry().QueryValue(Hive::kCurrentUser, SimSpooler::kWindowsKey, L"Device", RegView::kDefault,
                                         &device));
  EXPECT_EQ(device.AsString(), L"R710,winspool,COM1:");
}

TEST_F(SimInstallCalls, AUtf16ProfileStaysUtf16AndABareNameLivesInTheWindowsFolder) {
  sim_.files().PutFile(L"C:\\u.ini", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12));
  ASSERT_TRUE(files().WriteProfileString(L"C:\\u.ini", L"S", L"K", L"\u526f"));
  EXPECT_EQ(sim_.files().FileBytes(L"C:\\u.ini"),
            std::string("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\x6f\x52\r\0\n\0", 22));
  ASSERT_TRUE(files().WriteProfileString(L"tavro.ini", L"S", L"K", L"V"));
  EXPECT_EQ(sim_.files().FileBytes(L"C:\\Windows\\tavro.ini"), "[S]\r\nK=V\r\n");
}

TEST_F(SimInstallCalls, AServiceWithItsBinaryStartsOnce) {
  sim_.files().PutFile(L"C:\\Program Files\\Tavro\\Tavro Service.exe", "service");
  std::unique_ptr<ServiceManager> manager = services().OpenManager();
  ASSERT_NE(manager, nullptr);
  // An unquoted path with spaces is read as far as it names a file; arguments may follow.
  std::unique_ptr<Service> service =
      manager->Create(Config(L"Tavro", L"C:\\Program Files\\Tavro\\Tavro Service.exe -run"));
  ASSERT_NE(service, nullptr);
  EXPECT_FALSE(sim_.services().Running(L"Tavro"));
  EXPECT_TRUE(service->Start()) << LastErrorCode();
  EXPECT_TRUE(sim_.services().Running(L"Tavro"));
  EXPECT_FALSE(service->Start());
  EXPECT_EQ(LastErrorCode(), 1056u);

  std::unique_ptr<Service> quoted =
      manager->Create(Config(L"Quoted", L"\"C:\\Program Files\\Tavro\\Tavro Service.exe\" -run"));
  ASSERT_NE(quoted, nullptr);
  EXPECT_TRUE(quoted->Start());

  ServiceConfig clash = Config(L"Third", L"C:\\x.exe");
  clash.display_name = L"TAVRO";
  EXPECT_EQ(manager->Create(clash), nullptr);
  EXPECT_EQ(LastErrorCode(), 1078u);

  // A service whose key is gone is gone.
  sim_.registry().DeleteTree(Hive::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\Quoted", RegView::k64);
  EXPECT_FALSE(quoted->Start());
  EXPECT_EQ(LastErrorCode(), 1060u);
}

}  // namespace
}  // namespace platform::sim
