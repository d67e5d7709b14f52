// The installer under a command line on the simulated machine, from InitInstance to the exit
// code: the unattended run (no dialog, no message box, the log and the exit code), its refusals,
// its second run, the mutex, the Windows it refuses, and the visible run's exit codes.
#include <gtest/gtest.h>

#include <string>

#include "app/install_app.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "tests/unit/ui/install_dialog_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::Hive;
using platform::RegValue;
using platform::RegView;
using platform::sim::SimDialog;

constexpr const wchar_t* kTcpPorts = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

class QuietInstallTest : public ui_test::InstallDialogTest {
 protected:
  void SetUp() override {
    InstallDialogTest::SetUp();
    machine_.resources().Add(142, L"INSTALL", payload_);
  }
  // A whole run of the installer with `switches` after the program name: its exit code.
  int RunSetup(const std::wstring& switches) {
    CInstallApp app(machine_);
    app.UseCommandLine(L"\"C:\\Deploy\\TavroPrintSetup.exe\" " + switches);
    app.InitInstance();
    return app.ExitInstance();
  }
  std::vector<std::wstring> Printers() {
    std::vector<std::wstring> names;
    machine_.registry().EnumSubKeys(Hive::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers",
                                    RegView::kDefault, &names);
    return names;
  }
  std::wstring PrinterValue(const std::wstring& printer, const std::wstring& name) {
    RegValue value;
    PrinterKeyHas(printer, L"", name, &value);
    return value.AsString();
  }
  // Nothing of any kind was shown.
  void ExpectNoWindow() {
    EXPECT_TRUE(machine_.windows().Dialogs().empty());
    EXPECT_TRUE(machine_.windows().MessageBoxes().empty());
    EXPECT_TRUE(machine_.spooler().PortDialogRuns().empty());
  }
  bool Logged(const std::string& text) { return LogText().find(text) != std::string::npos; }
};

TEST_F(QuietInstallTest, InstallsWithoutAnyWindowAndASecondRunAddsNothing) {
  PlugInTr80();
  EXPECT_EQ(RunSetup(L"/quiet /model=\"tavro tr-80\" /port=usb001"), kExitInstalled);
  ExpectNoWindow();
  ASSERT_EQ(Printers(), std::vector<std::wstring>{L"Tavro TR-80"});
  EXPECT_EQ(PrinterValue(L"Tavro TR-80", L"Port"), L"USB001");
  EXPECT_EQ(PrinterValue(L"Tavro TR-80", L"Printer Driver"), L"Tavro TR-80 Driver");
  RegValue setting;
  EXPECT_TRUE(PrinterKeyHas(L"Tavro TR-80", L"PrinterDriverData", L"CommandType", &setting))
      << "the completion handler wrote the model's settings";
  EXPECT_TRUE(Logged("[INFO] QuietRun - Message not shown: Printer driver installation: Installation complete."));

  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001"), kExitInstalled);
  ExpectNoWindow();
  EXPECT_EQ(Printers(), std::vector<std::wstring>{L"Tavro TR-80"}) << "no \"(copy 1)\"";
  EXPECT_TRUE(Logged("is installed on USB001 already (printer Tavro TR-80)"));
}

TEST_F(QuietInstallTest, PortAutoTakesThePluggedInPrinterAndRefusesTwoOrNone) {
  EXPECT_EQ(RunSetup(L"/quiet /port=auto"), kExitBadCommandLine);
  EXPECT_TRUE(Logged("/port=auto: no plugged-in printer was recognised, Error=87"));
  PlugInTr80();
  EXPECT_EQ(RunSetup(L"/quiet /port=auto /nodefault"), kExitInstalled);
  ExpectNoWindow();
  EXPECT_EQ(PrinterValue(L"Tavro TR-80", L"Port"), L"USB001");
  RegValue device;
  EXPECT_FALSE(machine_.registry().QueryValue(Hive::kCurrentUser,
                                              L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Device",
                                              RegView::kDefault, &device) &&
               device.AsString().rfind(L"Tavro TR-80,", 0) == 0)
      << "/nodefault leaves the default printer alone";

  auto second = machine_.devices().AddUsbPrinter(L"TavroTR-80", L"USB002", 0x28e9, 0x0289);
  machine_.spooler().AddUsbPort(L"USB002", second.printer);
  EXPECT_EQ(RunSetup(L"/quiet /port=auto"), kExitBadCommandLine);
  EXPECT_TRUE(Logged("/port=auto: more than one plugged-in printer was recognised"));
  EXPECT_EQ(Printers().size(), 1u);
}

TEST_F(QuietInstallTest, WhatCannotBeUsedEndsWith87AndChangesNothing) {
  // No model given and no printer plugged in whose model could be preselected: a quiet run does
  // not ask for one.
  EXPECT_EQ(RunSetup(L"/quiet /port=COM1"), kExitBadCommandLine);
  EXPECT_TRUE(Logged("An unattended installation needs a model and a port"));
  PlugInTr80();
  const wchar_t* lines[] = {
      L"/quiet /model=\"Tavro TR-99\" /port=USB001",  // no such model
      L"/quiet /model=\"Tavro TR-80\" /port=USB009",  // no such port
      L"/quiet /model=\"Tavro TR-80\" /port=USB001 /serial=9600,n,8,1,p",
      L"/quiet /port=USB001 /model=\"Tavro TR-80\" /unknown",
  };
  for (const wchar_t* line : lines) EXPECT_EQ(RunSetup(line), kExitBadCommandLine) << line;
  ExpectNoWindow();
  EXPECT_TRUE(Printers().empty());
  EXPECT_TRUE(Logged("No model of the catalog is named Tavro TR-99, Error=87"));
  EXPECT_TRUE(Logged("No port list shows the port USB009, Error=87"));
  EXPECT_TRUE(Logged("/serial needs a serial port, Error=87"));
  EXPECT_TRUE(Logged("Unknown switch: /unknown, Error=87"));
}

TEST_F(QuietInstallTest, AFailedInstallationEndsWith1603AndTheLogSaysWhere) {
  PlugInTr80();
  machine_.faults().Fail("GetPrinterDriverDirectoryW", platform::err::kAccessDenied, 1);
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001"), kExitFailed);
  ExpectNoWindow();
  EXPECT_TRUE(Logged("[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=5"));
  EXPECT_TRUE(Logged("[INFO] CInstallApp::InitInstance - Exit code 1603"));
}

TEST_F(QuietInstallTest, SerialSettingsComeFromTheCommandLineWithoutTheirDialog) {
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=COM1 /serial=19200,e,7,2,"), kExitInstalled);
  ExpectNoWindow();
  RegValue value;
  ASSERT_TRUE(machine_.registry().QueryValue(Hive::kLocalMachine,
                                             L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", L"COM1:",
                                             RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"19200,e,7,2,");
  EXPECT_EQ(PrinterValue(L"Tavro TR-80", L"Port"), L"COM1:");
}

TEST_F(QuietInstallTest, AnAddressGetsItsStandardTcpIpPortThroughTheMonitorOnce) {
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /ip=10.0.0.9"), kExitInstalled);
  ExpectNoWindow();
  RegValue host;
  ASSERT_TRUE(machine_.registry().QueryValue(Hive::kLocalMachine, std::wstring(kTcpPorts) + L"IP_10.0.0.9",
                                             L"HostName", RegView::kDefault, &host));
  EXPECT_EQ(host.AsString(), L"10.0.0.9");
  RegValue number;
  ASSERT_TRUE(machine_.registry().QueryValue(Hive::kLocalMachine, std::wstring(kTcpPorts) + L"IP_10.0.0.9",
                                             L"PortNumber", RegView::kDefault, &number));
  EXPECT_EQ(number.AsDword(), 9100u);
  EXPECT_EQ(PrinterValue(L"Tavro TR-80", L"Port"), L"IP_10.0.0.9");
  // Again: the port is reused (the monitor would refuse a second one) and nothing is added.
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /ip=10.0.0.9"), kExitInstalled);
  EXPECT_TRUE(Logged("Using the TCP/IP port IP_10.0.0.9"));
  EXPECT_EQ(Printers().size(), 1u);

  machine_.faults().Fail("XcvDataW", platform::err::kAccessDenied, 1);
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /ip=10.0.0.10"), kExitFailed);
  EXPECT_TRUE(Logged("Standard TCP/IP port IP_10.0.0.10 for 10.0.0.10 not made, Error=5"));
  EXPECT_EQ(Printers().size(), 1u);
}

TEST_F(QuietInstallTest, ASecondUnattendedRunAtTheSameTimeEndsWith1618) {
  PlugInTr80();
  auto held = machine_.system().CreateInstanceMutex(L"Global\\TavroPrintSetup");
  ASSERT_TRUE(held);
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001"), kExitAlreadyRunning);
  EXPECT_TRUE(Printers().empty());
  EXPECT_TRUE(Logged("Another unattended installation is running, Error=183"));
  held.reset();
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001"), kExitInstalled);
  EXPECT_FALSE(machine_.system().MutexHeld(L"Global\\TavroPrintSetup")) << "released at the end of the run";
}

TEST_F(QuietInstallTest, ProtectedPrintModeAndArm64AreRefusedBeforeAnythingChanges) {
  PlugInTr80();
  machine_.registry().SetValue(Hive::kLocalMachine, L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP",
                               L"WindowsProtectedPrintGroupPolicyState", RegView::k64, RegValue::Dword(1));
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001"), kExitUnsupportedWindows);
  ExpectNoWindow();
  EXPECT_TRUE(Logged("Windows protected print mode is on (WindowsProtectedPrintGroupPolicyState=1)"));
  // Visible: the reason in the chosen language, and no dialog.
  EXPECT_EQ(RunSetup(L"/language=zh-CN"), kExitUnsupportedWindows);
  auto boxes = machine_.windows().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(L"Windows 受保护的打印模式已开启"), std::wstring::npos);
  EXPECT_TRUE(machine_.windows().Dialogs().empty());

  machine_.registry().SetValue(Hive::kLocalMachine, L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP",
                               L"WindowsProtectedPrintGroupPolicyState", RegView::k64, RegValue::Dword(0));
  machine_.system().SetNativeMachine(platform::machinetype::kArm64);
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001"), kExitUnsupportedWindows);
  EXPECT_TRUE(Logged("ARM64 Windows: the payload carries no ARM64 printer driver, Error=1633"));
  EXPECT_TRUE(Printers().empty());
}

TEST_F(QuietInstallTest, TheVisibleRunsExitCodes) {
  PlugInTr80();
  // Cancel in the language dialog.
  machine_.windows().Script(IDD_SELECT_LANGUAGE, [](SimDialog& d) { d.Click(wnd::kIdCancel); });
  EXPECT_EQ(RunSetup(L""), kExitCancelled);
  // /language skips the language dialog; the command line preselects; Cancel in the main dialog.
  const size_t language_runs = machine_.windows().Dialogs().size();
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    EXPECT_FALSE(d.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(d.ComboItemText(IDC_MODEL_COMBO, d.ComboGetCurSel(IDC_MODEL_COMBO)), L"Tavro TR-80");
    EXPECT_TRUE(d.IsChecked(IDC_RADIO_SERIAL));
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_EQ(RunSetup(L"/language=en /model=\"TAVRO TR-80\" /port=com1 /nodefault"), kExitCancelled);
  ASSERT_EQ(machine_.windows().Dialogs().size(), language_runs + 1);
  EXPECT_EQ(machine_.windows().Dialogs().back()->TemplateId(), IDD_INSTALL);
  // A failed installation: 1603 (it used to end with 0).
  machine_.faults().Fail("GetPrinterDriverDirectoryW", platform::err::kAccessDenied, 1);
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    d.PumpUntil([&] { return d.Ended(); }, 20000);
  });
  EXPECT_EQ(RunSetup(L"/language=en /model=\"Tavro TR-80\" /port=USB001"), kExitFailed);
  // And one that works: 0.
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    d.PumpUntil([&] { return d.Ended(); }, 20000);
  });
  EXPECT_EQ(RunSetup(L"/language=en /port=USB001"), kExitInstalled);
  EXPECT_EQ(PrinterValue(L"Tavro TR-80", L"Port"), L"USB001");
}

TEST_F(QuietInstallTest, UsageAndUnusableSwitchesAreShownUnlessQuiet) {
  EXPECT_EQ(RunSetup(L"/language=zh-TW /?"), kExitBadCommandLine);
  auto boxes = machine_.windows().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.find(L"TavroPrintSetup.exe [/quiet]"), 0u);
  EXPECT_NE(boxes[0].text.find(L"結束代碼"), std::wstring::npos);
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconInformation);

  EXPECT_EQ(RunSetup(L"/model"), kExitBadCommandLine);
  boxes = machine_.windows().MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text.find(L"Switch needs a value: /model"), 0u);
  EXPECT_EQ(boxes[1].flags, wnd::kMbOk | wnd::kMbIconError);

  EXPECT_EQ(RunSetup(L"/quiet /model"), kExitBadCommandLine);
  EXPECT_EQ(machine_.windows().MessageBoxes().size(), 2u) << "quiet: the log only";
  EXPECT_TRUE(machine_.windows().Dialogs().empty());
  EXPECT_TRUE(Logged("[ERROR] CInstallApp::InitInstance - Switch needs a value: /model, Error=87"));
}

TEST_F(QuietInstallTest, TheLogFolderGetsThisRunsLinesAndALinkIsRefused) {
  PlugInTr80();
  machine_.files().MakeDirectoryW(L"C:\\DeployLogs");
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB009"), kExitBadCommandLine);
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001 /log=C:\\DeployLogs"), kExitInstalled);
  char path[260] = {};
  ASSERT_EQ(GetLogFilePath(path, sizeof(path)), 0);
  std::string name(path);
  name = name.substr(name.find_last_of('\\') + 1);
  const std::string copy = File(L"C:\\DeployLogs\\" + std::wstring(name.begin(), name.end()));
  EXPECT_NE(copy.find("[INFO] CInstallApp::InitInstance - Exit code 0\r\n"), std::string::npos);
  // This run's lines, byte for byte as the day's log holds them.
  const std::string day = File(machine_.codepage().FromAnsi(path));
  EXPECT_NE(day.find(copy), std::string::npos);
  EXPECT_NE(copy.find("[ENTRY] CInstallApp::InitInstance\r\n"), std::string::npos);
  EXPECT_EQ(copy.find("USB009"), std::string::npos) << "an earlier run of the day stays out of the copy";

  machine_.files().MakeJunction(L"C:\\Planted", L"C:\\Windows\\System32");
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001 /log=C:\\Planted"), kExitInstalled);
  EXPECT_TRUE(Logged("[ERROR] CopyRunLog - The log folder C:\\Planted is no folder of its own"));
  EXPECT_EQ(RunSetup(L"/quiet /model=\"Tavro TR-80\" /port=USB001 /log=..\\up"), kExitInstalled);
  EXPECT_TRUE(Logged("[ERROR] CopyRunLog - Not a usable log folder: ..\\up, Error=87"));
}

}  // namespace
