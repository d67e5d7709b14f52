// Spooler: what the installation registers. Driver directories per environment, drivers per
// environment, printers with their keys and data, the printer list, monitors, ports added on a
// monitor, and the default printer; each where Windows keeps it in the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "tests/contract/contract_backend.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;

const wchar_t kDriver[] = L"Tavro Contract Driver";
const wchar_t kPrinter[] = L"Tavro Contract Printer";
const wchar_t kOtherPrinter[] = L"Tavro Contract Printer 2";
const wchar_t kMonitor[] = L"Tavro Contract Monitor";
const wchar_t kPort[] = L"TAVROCONTRACT2:";
const wchar_t kPrintKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print";
const wchar_t kPortsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const wchar_t kWindowsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const wchar_t* const kDriverFiles[] = {L"ContractDrv.dll", L"ContractGPC.pcd", L"ContractUI.dll"};

// The size of a PRINTER_INFO_2W for a 32-bit process; a 64-bit one's is larger.
constexpr uint32_t kPrinterInfo2Bytes = 84;

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return s;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == Lower(tail);
}

class SpoolerInstallContract : public ::testing::Test {
 protected:
  platform::Machine& m() { return contract::TheMachine(); }
  platform::Spooler& spooler() { return m().spooler(); }
  platform::Registry& reg() { return m().registry(); }

  // The environment of this program (a 32-bit one under WOW64 is an x86 client) and the one the
  // spooler itself runs.
  std::wstring CallerEnvironment() { return m().system().IsWow64() ? platform::kEnvironmentX86 : ServerEnvironment(); }
  std::wstring ServerEnvironment() {
    return m().system().NativeInfo().processor_architecture == 9 ? platform::kEnvironmentX64
                                                                 : platform::kEnvironmentX86;
  }
  std::wstring OtherEnvironment() {
    return ServerEnvironment() == platform::kEnvironmentX64 ? platform::kEnvironmentX86 : platform::kEnvironmentX64;
  }

  std::wstring DriverKey(const std::wstring& environment) {
    return std::wstring(kPrintKey) + L"\\Environments\\" + environment + L"\\Drivers\\Version-3\\" + kDriver;
  }
  std::wstring PrinterKey(const std::wstring& printer) { return std::wstring(kPrintKey) + L"\\Printers\\" + printer; }

  platform::DriverInfo Driver(const std::wstring& environment) {
    platform::DriverInfo driver;
    driver.name = kDriver;
    driver.environment = environment;
    driver.driver_path = L"ContractDrv.dll";
    driver.data_file = L"ContractGPC.pcd";
    driver.config_file = L"ContractUI.dll";
    return driver;
  }

  platform::PrinterInfo2 Printer(const std::wstring& name, const std::wstring& port) {
    platform::PrinterInfo2 printer;
    printer.printer_name = name;
    printer.share_name = name;
    printer.port_name = port;
    printer.driver_name = kDriver;
    printer.print_processor = L"WinPrint";
    printer.datatype = L"RAW";
    printer.attributes = platform::kPrinterAttributeDefault;
    return printer;
  }

  // The record's files where the spooler looks for bare names: the driver directory of the
  // driver's environment (Windows refuses the driver without them).
  void PlaceDriverFiles(const std::wstring& environment) {
    std::wstring dir;
    ASSERT_TRUE(spooler().DriverDirectoryW(environment, 256, &dir)) << platform::LastErrorCode();
    for (const wchar_t* name : kDriverFiles) {
      std::unique_ptr<platform::File> file = m().files().OpenW(dir + L"\\" + name, "wb");
      ASSERT_NE(file, nullptr) << platform::LastErrorCode();
      ASSERT_EQ(file->Write("x", 1), 1u);
    }
  }
  void RemoveDriverFiles() {
    for (const wchar_t* environment : {platform::kEnvironmentX86, platform::kEnvironmentX64}) {
      std::wstring dir;
      if (!spooler().DriverDirectoryW(environment, 256, &dir)) continue;
      for (const wchar_t* name : kDriverFiles) m().files().Remove(dir + L"\\" + name);
    }
  }

  // Wine's spooler runs inside the calling process and takes drivers of that process's
  // environment; Windows takes the server's. Registering both serves either.
  void RegisterDriverForBothEnvironments() {
    PlaceDriverFiles(platform::kEnvironmentX86);
    PlaceDriverFiles(platform::kEnvironmentX64);
    ASSERT_TRUE(spooler().AddPrinterDriver(Driver(platform::kEnvironmentX86))) << platform::LastErrorCode();
    ASSERT_TRUE(spooler().AddPrinterDriver(Driver(platform::kEnvironmentX64))) << platform::LastErrorCode();
  }

  std::vector<std::wstring> Printers() {
    std::vector<std::wstring> names;
    uint32_t needed = 0;
    EXPECT_TRUE(spooler().EnumPrinters(platform::kPrinterEnumLocal | platform::kPrinterEnumConnections, &names, &needed));
    return names;
  }

  bool Listed(const std::wstring& name) {
    std::vector<std::wstring> names = Printers();
    return std::find(names.begin(), names.end(), name) != names.end();
  }

  void CleanUp() {
    contract::RemovePrinter(kPrinter);
    contract::RemovePrinter(kOtherPrinter);
    for (const wchar_t* env : {platform::kEnvironmentX86, platform::kEnvironmentX64}) {
      contract::RemovePrinterDriver(kDriver, env);
      contract::RemoveMonitor(kMonitor, env);
    }
    reg().DeleteValue(Hive::kLocalMachine, kPortsKey, kPort, RegView::k64);
    RemoveDriverFiles();
  }
  void SetUp() override { CleanUp(); }
  void TearDown() override { CleanUp(); }
};

TEST_F(SpoolerInstallContract, DriverDirectoryNamesTheEnvironmentsFolder) {
  std::wstring windows;
  ASSERT_TRUE(m().system().WindowsFolder(&windows));
  const std::wstring caller_folder =
      CallerEnvironment() == platform::kEnvironmentX86 ? L"\\spool\\drivers\\w32x86" : L"\\spool\\drivers\\x64";
  std::wstring wide;
  ASSERT_TRUE(spooler().DriverDirectoryW(L"", 256, &wide)) << platform::LastErrorCode();
  EXPECT_EQ(Lower(wide), Lower(windows + L"\\system32" + caller_folder));
  std::string ansi;
  ASSERT_TRUE(spooler().DriverDirectoryA("", 256, &ansi)) << platform::LastErrorCode();
  EXPECT_EQ(ansi, m().codepage().ToAnsi(wide));

  // Environments are named without regard to case.
  ASSERT_TRUE(spooler().DriverDirectoryW(L"windows x64", 256, &wide));
  EXPECT_TRUE(EndsWith(wide, L"\\spool\\drivers\\x64")) << testing::PrintToString(wide);
  ASSERT_TRUE(spooler().DriverDirectoryA("Windows NT x86", 256, &ansi));
  EXPECT_TRUE(EndsWith(m().codepage().FromAnsi(ansi), L"\\spool\\drivers\\w32x86")) << ansi;

  EXPECT_FALSE(spooler().DriverDirectoryW(L"Windows Bogus", 256, &wide));
  EXPECT_EQ(platform::LastErrorCode(), 1805u);
  EXPECT_FALSE(spooler().DriverDirectoryA("Windows Bogus", 256, &ansi));
  EXPECT_EQ(platform::LastErrorCode(), 1805u);
}

TEST_F(SpoolerInstallContract, DriverDirectoryMustFitWithItsTerminator) {
  std::wstring wide;
  ASSERT_TRUE(spooler().DriverDirectoryW(L"", 256, &wide));
  std::wstring again;
  EXPECT_TRUE(spooler().DriverDirectoryW(L"", (wide.size() + 1) * 2, &again));
  EXPECT_EQ(again, wide);
  EXPECT_FALSE(spooler().DriverDirectoryW(L"", (wide.size() + 1) * 2 - 1, &again));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInsufficientBuffer);

  std::string ansi;
  ASSERT_TRUE(spooler().DriverDirectoryA("", 256, &ansi));
  std::string ansi_again;
  EXPECT_TRUE(spooler().DriverDirectoryA("", ansi.size() + 1, &ansi_again));
  EXPECT_EQ(ansi_again, ansi);
  EXPECT_FALSE(spooler().DriverDirectoryA("", ansi.size(), &ansi_again));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInsufficientBuffer);
}

TEST_F(SpoolerInstallContract, ADriverRegistersForEachEnvironmentOnItsOwn) {
  PlaceDriverFiles(platform::kEnvironmentX86);
  PlaceDriverFiles(platform::kEnvironmentX64);
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(platform::kEnvironmentX86))) << platform::LastErrorCode();
  RegValue value;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX86), L"Driver", RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"ContractDrv.dll");
  ASSERT_TRUE(
      reg().QueryValue(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX86), L"Data File", RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"ContractGPC.pcd");
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX86), L"Configuration File",
                               RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"ContractUI.dll");
  // A user-mode driver is version 3 whatever the record says.
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX86), L"Version", RegView::k64, &value));
  EXPECT_EQ(value.AsDword(), 3u);
  EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX64), RegView::k64));

  platform::DriverInfo x64 = Driver(platform::kEnvironmentX64);
  ASSERT_TRUE(spooler().AddPrinterDriver(x64)) << platform::LastErrorCode();
  EXPECT_TRUE(reg().KeyExists(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX64), RegView::k64));
  // Registering it again is no error.
  EXPECT_TRUE(spooler().AddPrinterDriver(x64)) << platform::LastErrorCode();

  platform::DriverInfo bogus = Driver(L"Windows Bogus");
  EXPECT_FALSE(spooler().AddPrinterDriver(bogus));
  EXPECT_EQ(platform::LastErrorCode(), 1805u);
}

TEST_F(SpoolerInstallContract, APrinterNeedsADriverOfTheServersEnvironment) {
  EXPECT_EQ(spooler().AddPrinter(Printer(kPrinter, L"LPT1:")), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1797u);

  // Wine: its in-process spooler looks only under the caller's environment ("Windows NT x86" for
  // a 32-bit program), where Windows looks under the server's.
  const bool wine_looks_elsewhere = contract::RunsOnWine() && CallerEnvironment() != ServerEnvironment();
  PlaceDriverFiles(platform::kEnvironmentX86);
  PlaceDriverFiles(platform::kEnvironmentX64);
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(OtherEnvironment())));
  std::unique_ptr<platform::PrinterHandle> printer = spooler().AddPrinter(Printer(kPrinter, L"LPT1:"));
  if (wine_looks_elsewhere) {
    EXPECT_NE(printer, nullptr);
    printer.reset();
    contract::RemovePrinter(kPrinter);
  } else {
    EXPECT_EQ(printer, nullptr);
    EXPECT_EQ(platform::LastErrorCode(), 1797u);
  }

  contract::RemovePrinterDriver(kDriver, OtherEnvironment());
  ASSERT_TRUE(spooler().AddPrinterDriver(Driver(ServerEnvironment())));
  printer = spooler().AddPrinter(Printer(kPrinter, L"LPT1:"));
  if (wine_looks_elsewhere) {
    EXPECT_EQ(printer, nullptr);
    EXPECT_EQ(platform::LastErrorCode(), 1797u);
  } else {
    EXPECT_NE(printer, nullptr) << platform::LastErrorCode();
  }
}

// Bare file names are looked for in the driver directory of the driver's environment: files in
// the caller's (x86) directory do not serve an x64 driver.
TEST_F(SpoolerInstallContract, ADriversFilesMustLieInItsEnvironmentsDirectory) {
  PlaceDriverFiles(platform::kEnvironmentX86);
  const bool refused = !spooler().AddPrinterDriver(Driver(platform::kEnvironmentX64));
  if (contract::RunsOnWine()) {
    EXPECT_FALSE(refused);  // Wine: AddPrinterDriverW does not look for the files at all
    return;
  }
  EXPECT_TRUE(refused);
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, DriverKey(platform::kEnvironmentX64), RegView::k64));
  PlaceDriverFiles(platform::kEnvironmentX64);
  EXPECT_TRUE(spooler().AddPrinterDriver(Driver(platform::kEnvironmentX64))) << platform::LastErrorCode();
  // One missing file is enough to refuse.
  std::wstring dir;
  ASSERT_TRUE(spooler().DriverDirectoryW(platform::kEnvironmentX64, 256, &dir));
  ASSERT_TRUE(m().files().Remove(dir + L"\\ContractGPC.pcd"));
  EXPECT_FALSE(spooler().AddPrinterDriver(Driver(platform::kEnvironmentX64)));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
}

// A printer name is one name whatever its case: the printer that has it keeps its port.
TEST_F(SpoolerInstallContract, ANameDifferingOnlyInCaseIsTaken) {
  RegisterDriverForBothEnvironments();
  ASSERT_NE(spooler().AddPrinter(Printer(kPrinter, L"LPT1:")), nullptr) << platform::LastErrorCode();
  std::unique_ptr<platform::PrinterHandle> other_case = spooler().AddPrinter(Printer(L"TAVRO CONTRACT PRINTER", L"COM1:"));
  if (contract::RunsOnWine()) {
    // Wine: AddPrinterW takes the name and replaces the printer's key (Windows: 1802).
    EXPECT_NE(other_case, nullptr);
    other_case.reset();
    contract::RemovePrinter(L"TAVRO CONTRACT PRINTER");
    return;
  }
  EXPECT_EQ(other_case, nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1802u);
  RegValue port;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, PrinterKey(kPrinter), L"Port", RegView::k64, &port));
  EXPECT_EQ(port.AsString(), L"LPT1:");
}

TEST_F(SpoolerInstallContract, AnAddedPrinterIsListedWithItsKeysAndTakesData) {
  RegisterDriverForBothEnvironments();
  std::vector<std::wstring> before;
  uint32_t needed_before = 0;
  ASSERT_TRUE(spooler().EnumPrinters(platform::kPrinterEnumLocal | platform::kPrinterEnumConnections, &before,
                                     &needed_before));
  // An empty list needs no buffer at all.
  if (before.empty()) {
    EXPECT_EQ(needed_before, 0u);
  }
  EXPECT_EQ(std::find(before.begin(), before.end(), kPrinter), before.end());

  std::unique_ptr<platform::PrinterHandle> printer = spooler().AddPrinter(Printer(kPrinter, L"LPT1:"));
  ASSERT_NE(printer, nullptr) << platform::LastErrorCode();
  EXPECT_NE(printer->LogHandle(), nullptr);

  RegValue value;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, PrinterKey(kPrinter), L"Port", RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"LPT1:");
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, PrinterKey(kPrinter), L"Printer Driver", RegView::k64, &value));
  EXPECT_EQ(value.AsString(), kDriver);

  // The value lands under PrinterDriverData, where the driver and the dialog's writes meet it.
  const std::vector<uint8_t> language = {0x09, 0x04, 0x00, 0x00};
  EXPECT_EQ(printer->SetData(L"Language", platform::regtype::kSz, language), 0u);
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, PrinterKey(kPrinter) + L"\\PrinterDriverData", L"Language",
                               RegView::k64, &value));
  EXPECT_EQ(value.type, platform::regtype::kSz);
  EXPECT_EQ(value.data, language);
  EXPECT_EQ(printer->SetData(L"PrintWidth", platform::regtype::kDword, RegValue::Dword(576).data), 0u);
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, PrinterKey(kPrinter) + L"\\PrinterDriverData", L"PrintWidth",
                               RegView::k64, &value));
  EXPECT_EQ(value.AsDword(), 576u);

  std::vector<std::wstring> after;
  uint32_t needed = 0;
  ASSERT_TRUE(spooler().EnumPrinters(platform::kPrinterEnumLocal | platform::kPrinterEnumConnections, &after, &needed));
  EXPECT_EQ(after.size(), before.size() + 1);
  EXPECT_NE(std::find(after.begin(), after.end(), kPrinter), after.end());
  // The first call asked for every record and its texts.
  EXPECT_GE(needed, after.size() * kPrinterInfo2Bytes + (std::wstring(kPrinter).size() + 1) * 2);
}

TEST_F(SpoolerInstallContract, ATakenNameAndAnUnknownPortAreRefused) {
  RegisterDriverForBothEnvironments();
  ASSERT_NE(spooler().AddPrinter(Printer(kPrinter, L"LPT1:")), nullptr) << platform::LastErrorCode();

  std::unique_ptr<platform::PrinterHandle> again = spooler().AddPrinter(Printer(kPrinter, L"LPT1:"));
  std::unique_ptr<platform::PrinterHandle> unknown_port = spooler().AddPrinter(Printer(kOtherPrinter, L"TAVRONOPORT9:"));
  if (contract::RunsOnWine()) {
    // Wine: AddPrinterW accepts a name in use and a port that does not exist.
    EXPECT_NE(again, nullptr);
    EXPECT_NE(unknown_port, nullptr);
    return;
  }
  EXPECT_EQ(again, nullptr);
  std::unique_ptr<platform::PrinterHandle> other_case = spooler().AddPrinter(Printer(L"TAVRO CONTRACT PRINTER", L"LPT1:"));
  EXPECT_EQ(other_case, nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1802u);
  EXPECT_EQ(unknown_port, nullptr);
  std::unique_ptr<platform::PrinterHandle> no_port = spooler().AddPrinter(Printer(kOtherPrinter, L""));
  EXPECT_EQ(no_port, nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1796u);
  EXPECT_FALSE(Listed(kOtherPrinter));
}

TEST_F(SpoolerInstallContract, TheDefaultPrinterIsTheUsersDeviceEntry) {
  RegisterDriverForBothEnvironments();
  ASSERT_NE(spooler().AddPrinter(Printer(kPrinter, L"LPT1:")), nullptr) << platform::LastErrorCode();
  RegValue previous;
  const bool had_default = reg().QueryValue(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault, &previous);

  EXPECT_TRUE(spooler().SetDefaultPrinter(kPrinter)) << platform::LastErrorCode();
  RegValue device;
  ASSERT_TRUE(reg().QueryValue(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault, &device));
  // "<name>,winspool,<port>" on Windows; Wine names its own driver ("wineps.drv") in the middle.
  EXPECT_EQ(device.AsString().rfind(std::wstring(kPrinter) + L",", 0), 0u) << testing::PrintToString(device.AsString());
  EXPECT_TRUE(EndsWith(device.AsString(), L",LPT1:")) << testing::PrintToString(device.AsString());

  EXPECT_FALSE(spooler().SetDefaultPrinter(L"Tavro No Such Printer"));
  EXPECT_EQ(platform::LastErrorCode(), 1801u);
  ASSERT_TRUE(reg().QueryValue(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault, &device));
  EXPECT_EQ(device.AsString().rfind(std::wstring(kPrinter) + L",", 0), 0u);

  if (had_default) {
    reg().SetValue(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault, previous);
  } else {
    reg().DeleteValue(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault);
  }
}

TEST_F(SpoolerInstallContract, AMonitorNeedsItsDllAndANameOfItsOwn) {
  EXPECT_FALSE(spooler().AddMonitor(kMonitor, ServerEnvironment(), L"tavro_contract_no_such_monitor.dll"));
  EXPECT_EQ(platform::LastErrorCode(), 126u);
  EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, std::wstring(kPrintKey) + L"\\Monitors\\" + kMonitor, RegView::k64));

  EXPECT_FALSE(spooler().AddMonitor(L"Local Port", ServerEnvironment(), L"localspl.dll"));
  EXPECT_EQ(platform::LastErrorCode(), 3006u);

  EXPECT_FALSE(spooler().AddMonitor(kMonitor, L"Windows Bogus", L"tavro_contract_no_such_monitor.dll"));
  EXPECT_EQ(platform::LastErrorCode(), 1805u);

  // A monitor loads into the spooler: Windows takes one of the server's environment only.
  EXPECT_FALSE(spooler().AddMonitor(kMonitor, OtherEnvironment(), L"tavro_contract_no_such_monitor.dll"));
  if (contract::RunsOnWine()) {
    EXPECT_EQ(platform::LastErrorCode(), 126u);  // Wine: any environment; the DLL decides
  } else {
    EXPECT_EQ(platform::LastErrorCode(), 1805u);
  }
}

TEST_F(SpoolerInstallContract, APortAddedOnLocalPortIsListedOnce) {
  ASSERT_TRUE(spooler().AddPortEx(L"Local Port", kPort)) << platform::LastErrorCode();
  std::vector<platform::PortInfo> ports;
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  auto listed = std::find_if(ports.begin(), ports.end(), [](const platform::PortInfo& p) { return p.name == kPort; });
  ASSERT_NE(listed, ports.end());
  EXPECT_EQ(listed->monitor, L"Local Monitor");
  RegValue value;
  EXPECT_TRUE(reg().QueryValue(Hive::kLocalMachine, kPortsKey, kPort, RegView::k64, &value));

  EXPECT_FALSE(spooler().AddPortEx(L"Local Port", kPort));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInvalidParameter);
  EXPECT_FALSE(spooler().AddPortEx(L"Tavro No Such Monitor", L"TAVROCONTRACT3:"));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInvalidParameter);
  ASSERT_TRUE(spooler().EnumPorts(&ports));
  EXPECT_EQ(std::count_if(ports.begin(), ports.end(), [](const platform::PortInfo& p) { return p.name == kPort; }), 1);
  EXPECT_FALSE(std::any_of(ports.begin(), ports.end(),
                           [](const platform::PortInfo& p) { return p.name == L"TAVROCONTRACT3:"; }));
}

}  // namespace
