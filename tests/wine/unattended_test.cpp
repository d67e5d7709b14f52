// The real installer started as a deployment tool starts it: CreateProcessW with a command line,
// then GetExitCodeProcess (a shell's exit status would cut the code to its low byte). While an
// unattended run lasts, no window of the installer may appear; afterwards the spooler's printers
// and the tests' Standard TCP/IP monitor are read from outside.
//
// The fixture plugs in a TR-80 on USB001 as tests/wine/install_test.cpp does, and removes what
// the installations leave (printers, drivers, the service, keys, files, the monitor).
#include "tests/wine/installer_driver.h"
#include "tests/wine/machine_view.h"
#include "tests/wine/spooler_ports.h"
#include "tests/wine/tr80_printer.h"
#include "tests/wine/test_monitor/test_monitor.h"
#include "tests/wine/wine_devices.h"

#include <winspool.h>

#include <string>
#include <vector>

namespace {

using namespace driver;
using namespace outside;
using namespace tr80;

// One run of the installer with `switches`, as a deployment tool makes it.
struct RunResult {
  DWORD exit_code = 0xFFFFFFFF;
  bool window_seen = false;
};

// Starts `command` (a whole command line, the program first, quoted); false, reported, when it
// cannot start.
bool StartProcess(std::wstring command, PROCESS_INFORMATION* pi) {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  *pi = {};
  if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi)) return true;
  ADD_FAILURE() << "CreateProcessW failed, Error=" << GetLastError() << ": " << Narrow(command);
  return false;
}

// Waits for the process to end (ending it after `timeout_ms`) and returns its exit code.
DWORD EndOf(PROCESS_INFORMATION& pi, DWORD timeout_ms) {
  DWORD code = 0xFFFFFFFF;
  if (WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_TIMEOUT) {
    ADD_FAILURE() << "the program did not end";
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

// Runs `command` as a deployment tool does, watching for any window of the process meanwhile.
RunResult RunCommand(const std::wstring& command, DWORD timeout_ms = 120000) {
  RunResult run;
  PROCESS_INFORMATION pi;
  if (!StartProcess(command, &pi)) return run;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT && GetTickCount() - start < timeout_ms) {
    run.window_seen = run.window_seen || FindWindowOf(pi.dwProcessId, [](HWND) { return true; }) != nullptr;
  }
  run.exit_code = EndOf(pi, 0);
  return run;
}

RunResult RunInstaller(const std::wstring& switches, DWORD timeout_ms = 120000) {
  return RunCommand(L"\"" + WindowsPath(TAVRO_INSTALLER) + L"\" " + switches, timeout_ms);
}

// What a program asked in its message box, and how it ended after the answer.
struct AskedRun {
  std::wstring text;
  DWORD exit_code = 0xFFFFFFFF;
};

// Starts `command`, waits for its message box, reads the box's text and answers it with `answer`
// (IDYES, IDNO, IDOK); then waits for the program's exit code.
AskedRun AnswerMessageBox(const std::wstring& command, int answer) {
  AskedRun run;
  PROCESS_INFORMATION pi;
  if (!StartProcess(command, &pi)) return run;
  HWND box = nullptr;
  for (DWORD waited = 0; box == nullptr && waited < kWaitMs; waited += 50) {
    if (WaitForSingleObject(pi.hProcess, 50) != WAIT_TIMEOUT) break;
    box = FindWindowOf(pi.dwProcessId, IsDialog);
  }
  if (box != nullptr) {
    run.text = ItemText(box, kMessageBoxText);
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
  } else {
    ADD_FAILURE() << "no message box appeared";
  }
  run.exit_code = EndOf(pi, kWaitMs);
  return run;
}

class UnattendedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As in install_test.cpp: only under WOW64 does the whole installation run in Wine.
    if (!IsWow64Self()) GTEST_SKIP() << "32-bit Wine: the in-process spooler faults in the payload's driver modules";
    RemoveFixtures();
    ASSERT_EQ(PlugIn(), "");
    RemoveInstallTextFiles();
    log_ = LogWatch();
  }
  void TearDown() override {
    if (!IsWow64Self()) return;
    RemoveFixtures();
    RemoveInstallTextFiles();
  }
  static void RemoveFixtures() {
    RemoveInstallationsOf(kModel);
    Unplug();
  }

  LogWatch log_;
};

TEST_F(UnattendedTest, QuietInstallsWithoutAWindowAndASecondRunAddsNothing) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  RunResult run = RunInstaller(L"/quiet /model=\"Tavro TR-80\" /port=USB001");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(run.window_seen);
  const std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->port, L"USB001");
  EXPECT_EQ(printer->driver, kDriver);
  EXPECT_EQ(DefaultPrinter(), kModel);

  run = RunInstaller(L"/quiet /model=\"Tavro TR-80\" /port=USB001");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_EQ(OurPrinters(), 1) << "no \"(copy 1)\"";
  ExpectInOrder(log_.Since(), {"[INFO] CInstallApp::InitInstance - Exit code 0",
                               "is installed on USB001 already (printer Tavro TR-80)",
                               "[INFO] CInstallApp::InitInstance - Exit code 0"});
}

TEST_F(UnattendedTest, PortAutoInstallsThePluggedInPrintersModelOnItsPort) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  RunResult run = RunInstaller(L"/quiet /port=auto /nodefault");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(run.window_seen);
  const std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->port, L"USB001");
  EXPECT_NE(DefaultPrinter(), kModel) << "/nodefault";
}

TEST_F(UnattendedTest, UnusableCommandLinesEndWith87AndChangeNothing) {
  for (const wchar_t* switches : {L"/quiet /model=\"Tavro TR-99\" /port=USB001", L"/quiet /model=\"Tavro TR-80\" /port=USB077",
                                  L"/quiet /silent"}) {
    RunResult run = RunInstaller(switches);
    EXPECT_EQ(run.exit_code, 87u) << Narrow(switches);
    EXPECT_FALSE(run.window_seen) << Narrow(switches);
  }
  EXPECT_EQ(OurPrinters(), 0);
  EXPECT_FALSE(ServiceExists(kServiceName));
}

// Without the fixture's driver registration Wine's spooler refuses the printer (1797): the
// installation fails, and says so with 1603.
TEST_F(UnattendedTest, AFailedQuietInstallationEndsWith1603) {
  if (_wcsicmp(OwnEnvironment(), InstallerEnvironment()) == 0) GTEST_SKIP() << "nothing fails here";
  RunResult run = RunInstaller(L"/quiet /model=\"Tavro TR-80\" /port=USB001");
  EXPECT_EQ(run.exit_code, 1603u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_EQ(OurPrinters(), 0);
  ExpectInOrder(log_.Since(), {"[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=1797",
                               "[INFO] CInstallApp::InitInstance - Exit code 1603"});
}

TEST_F(UnattendedTest, CancelInTheLanguageDialogEndsWith1602) {
  Installer installer;
  ASSERT_TRUE(installer.Start());
  HWND language = installer.WaitFor(Kind::kLanguage);
  ASSERT_NE(language, nullptr);
  Click(language, IDCANCEL);
  EXPECT_EQ(installer.WaitExit(), 1602);
}

// The tests' Standard TCP/IP monitor receives the monitor's own "AddPort" with a PORT_DATA_1.
TEST_F(UnattendedTest, AnAddressGetsItsStandardTcpIpPortAndThePrinterGoesOnIt) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  testmon::ModulesOnPath modules_on_path;
  ASSERT_TRUE(testmon::Remove());
  ASSERT_EQ(testmon::Install(), "");
  RunResult run = RunInstaller(L"/quiet /model=\"Tavro TR-80\" /ip=10.0.0.9");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(run.window_seen);
  ASSERT_TRUE(testmon::HasPortKey(L"IP_10.0.0.9"));
  const std::wstring port = std::wstring(testmon::kPortsKey) + L"\\IP_10.0.0.9";
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, port, L"HostName"), L"10.0.0.9");
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, port, L"PortNumber"), 9100);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, port, L"Protocol"), 1);
  const std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->port, L"IP_10.0.0.9");
  EXPECT_TRUE(testmon::Remove());
}

// The uninstall entry's QuietUninstallString, run as a deployment tool runs it, removes what the
// quiet installation made: the printer, its driver, the service, both keys and the install folder
// (but for the running uninstaller, which goes at the next restart). A second run finds nothing.
TEST_F(UnattendedTest, TheQuietUninstallStringRemovesTheInstallationAndASecondRunEndsWith1605) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  ASSERT_EQ(RunInstaller(L"/quiet /model=\"Tavro TR-80\" /port=USB001").exit_code, 0u);
  const std::wstring entry = kUninstallKey + std::wstring(kModel);
  const std::wstring folder = InstallFolder(kModel);
  const std::wstring quiet = ReadSz(HKEY_LOCAL_MACHINE, entry, L"QuietUninstallString", KEY_WOW64_32KEY);
  ASSERT_EQ(quiet, L"\"" + folder + L"\\Uninstaller.exe\" /quiet");
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, entry, L"NoModify", KEY_WOW64_32KEY), 1);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, entry, L"NoRepair", KEY_WOW64_32KEY), 1);
  EXPECT_GT(ReadDword(HKEY_LOCAL_MACHINE, entry, L"EstimatedSize", KEY_WOW64_32KEY), 0);
  ASSERT_TRUE(ServiceExists(kServiceName));

  RunResult run = RunCommand(quiet);
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(run.window_seen);
  EXPECT_EQ(OurPrinters(), 0);
  EXPECT_FALSE(HasDriver(InstallerEnvironment(), kDriver));
  EXPECT_FALSE(ServiceExists(kServiceName));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + std::wstring(kModel), KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry, KEY_WOW64_32KEY));
  for (const std::wstring& file : DriverFiles(kModel)) EXPECT_FALSE(FileExists(file)) << Narrow(file);
  EXPECT_FALSE(FileExists(GpcFile(kModel)));
  // What is left of the folder waits for the next restart: the uninstaller that was running.
  EXPECT_FALSE(FileExists(folder + L"\\Uninstall.ini"));
  EXPECT_FALSE(FileExists(folder + L"\\TavroPrinterService.exe"));
  const std::vector<std::wstring> pending = ReadMultiSz(
      HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", L"PendingFileRenameOperations");
  if (FileExists(folder + L"\\Uninstaller.exe")) {
    bool waits = false;
    for (const std::wstring& name : pending) waits = waits || name.find(L"Uninstaller.exe") != std::wstring::npos;
    EXPECT_TRUE(waits) << "the running uninstaller is removed at the next restart";
  }

  run = RunCommand(quiet);
  EXPECT_EQ(run.exit_code, 1605u);
  EXPECT_FALSE(run.window_seen);
}

// Started without arguments, the uninstaller asks in the installation's language (the product
// key's "Language"); No leaves everything and ends with 1602.
TEST_F(UnattendedTest, TheUninstallerAsksInTheInstallationsLanguageAndNoEndsWith1602) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  ASSERT_EQ(RunInstaller(L"/quiet /model=\"Tavro TR-80\" /port=USB001").exit_code, 0u);
  const std::wstring uninstaller = L"\"" + InstallFolder(kModel) + L"\\Uninstaller.exe\"";

  AskedRun english = AnswerMessageBox(uninstaller, IDNO);
  EXPECT_EQ(english.text, L"Remove the printer \"Tavro TR-80\" and its driver from this computer?");
  EXPECT_EQ(english.exit_code, 1602u);

  HKEY product = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\" + std::wstring(kModel)).c_str(), 0,
                          KEY_SET_VALUE | KEY_WOW64_64KEY, &product),
            ERROR_SUCCESS);
  const wchar_t chinese_value[] = L"Chinese";
  RegSetValueExW(product, L"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(chinese_value), sizeof(chinese_value));
  RegCloseKey(product);
  AskedRun chinese = AnswerMessageBox(uninstaller, IDNO);
  EXPECT_EQ(chinese.text, L"要从此计算机删除打印机“Tavro TR-80”及其驱动程序吗？");
  EXPECT_EQ(chinese.exit_code, 1602u);
  EXPECT_EQ(OurPrinters(), 1) << "No removes nothing";
}

}  // namespace
