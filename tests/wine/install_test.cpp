// Installations by the real installer, driven through its dialogs, then checked from outside the
// installer: the spooler's printers and drivers, the registry, the service, the files in the
// driver directory and the install folder, the default printer and the day's log. The fixture
// (tests/wine/install_fixture.h) says what it plugs in and removes, and why it registers drivers.
//
// InstallShots.DISABLED_Complete, run with --gtest_also_run_disabled_tests and TAVRO_SHOT_DIR set,
// installs the TR-80 and waits for a screenshot of the message box (scripts/screenshots.sh).
#include "tests/wine/install_fixture.h"
#include "tests/wine/test_monitor/test_monitor.h"

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace install_fixture;

TEST_F(InstallTest, UsbPrinterIsInstalledWithEverythingItLeavesOnTheMachine) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  EXPECT_EQ(InstallUsb(installer_), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);

  // The printer, on the USB port, with its driver, registered for the installer's environment.
  std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr) << "EnumPrintersW does not list Tavro TR-80";
  EXPECT_EQ(printer->port, L"USB001");
  EXPECT_EQ(printer->driver, kDriver);
  EXPECT_TRUE(HasDriver(InstallerEnvironment(), kDriver)) << Narrow(InstallerEnvironment());
  EXPECT_EQ(DefaultPrinter(), kModel);

  // The model's settings for the driver: ESC commands, 203 dpi, a cutter; 576 dots wide, under
  // the 640 of 80 mm paper, so 58 mm paper.
  const std::wstring data = std::wstring(kPrintersKey) + kModel + L"\\PrinterDriverData";
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"CommandType"), 2);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"Resolution"), 0);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"Direction"), 1);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"IsSupperMultiColor"), 0);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"DefaultPaperSize"), 256);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"DefaultPaperWidth"), 580);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"DefaultPaperLength"), 10000);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, data, L"DefaultPaperName"), L"Custom(58mm x 1000mm)");
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"MediaHandlingMode"), 2);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, data, L"OffsetX"), L"0");
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, data, L"PrintWidth"), 576);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, data, L"VidAndPid").empty(), false);
  const long long papers = ReadDword(HKEY_LOCAL_MACHINE, data, L"DefaultPaperCount");
  EXPECT_GT(papers, 0);
  std::vector<std::wstring> media =
      ReadMultiSz(HKEY_LOCAL_MACHINE, std::wstring(kPrintersKey) + kModel + L"\\DsDriver", L"printMediaReady");
  EXPECT_EQ(static_cast<long long>(media.size()), papers) << "DsDriver\\printMediaReady";

  // The product key (64-bit view), the uninstall entry (32-bit view), Uninstall.ini.
  const std::wstring folder = InstallFolder(kModel);
  const std::wstring product = std::wstring(L"SOFTWARE\\") + kModel;
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, product, L"PrinterName", KEY_WOW64_64KEY), kModel);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, product, L"PrinterDriver", KEY_WOW64_64KEY), kDriver);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, product, L"PortName", KEY_WOW64_64KEY), L"USB001");
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, product, L"Program Directory", KEY_WOW64_64KEY), folder);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, product, L"Language", KEY_WOW64_64KEY), L"English");
  const std::wstring entry = std::wstring(kUninstallKey) + kModel;
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, entry, L"DisplayName", KEY_WOW64_32KEY), kModel);
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, entry, L"Publisher", KEY_WOW64_32KEY), L"Tavro");
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, entry, L"InstallLocation", KEY_WOW64_32KEY), folder);
  // Commands Windows runs are quoted (the folder has spaces); the folder values are not.
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, entry, L"UninstallString", KEY_WOW64_32KEY),
            L"\"" + folder + L"\\Uninstaller.exe\"");
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Mavrin Service", L"ImagePath"),
            L"\"" + folder + L"\\TavroPrinterService.exe\"");
  EXPECT_NE(folder.find(L' '), std::wstring::npos) << "the quotes matter where the folder has spaces";
  if (IsWow64Self()) {
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry, KEY_WOW64_64KEY)) << "the uninstall entry is in the 64-bit view";
  }
  wchar_t ini[256] = {};
  GetPrivateProfileStringW(L"Print Settings", L"PrinterName", L"", ini, 256, (folder + L"\\Uninstall.ini").c_str());
  EXPECT_STREQ(ini, kModel);
  GetPrivateProfileStringW(L"Print Settings", L"ServiceName", L"", ini, 256, (folder + L"\\Uninstall.ini").c_str());
  EXPECT_STREQ(ini, kServiceName);

  // The service, the GPC file, the driver files.
  EXPECT_TRUE(ServiceExists(kServiceName));
  EXPECT_EQ(SizeOf(GpcFile(kModel)), kGpcBytes) << Narrow(GpcFile(kModel));
  for (const std::wstring& file : DriverFiles(kModel)) EXPECT_TRUE(FileExists(file)) << Narrow(file);

  // The worker's and the dialog's lines.
  const std::string log = log_.Since();
  const std::string fn = InstallerFunction();
  ExpectInOrder(log, {
      "[ENTRY] RetractFileThread",
      "[INFO] RetractFileThread - Install folder: ",
      "[INFO] RetractFileThread - Starting printer driver installation",
      // The 64-bit path logs its entry; the 32-bit path starts with the system directory.
      IsWow64Self() ? "[ENTRY] " + fn : "[INFO] " + fn + " - System directory: ",
      "[INFO] RetractFileThread - Printer driver installed successfully",
      "[INFO] RetractFileThread - Service installed",
  });
  ExpectInOrder(log, {
      "[ENTRY] CInstallDlg::OnInstallFinished - wParam=1 (Success=TRUE)",
      "[INFO] OnInstallFinished - Successfully wrote printMediaReady",
      "[INFO] OnInstallFinished - Successfully wrote CommandType=2 to registry",
      "[INFO] OnInstallFinished - ESC paper set: Custom(58mm x 1000mm) (W=580 L=10000)",
  });
  if (IsWow64Self()) {
    ExpectInOrder(log, {"[INFO] InstallPrinterDriver64 - Printer driver added successfully",
                        "[INFO] InstallPrinterDriver64 - Adding printer: Name=Tavro TR-80, Port=USB001, "
                        "Driver=Tavro TR-80 Driver",
                        "[INFO] InstallPrinterDriver64 - Printer added successfully",
                        "[EXIT] InstallPrinterDriver64 - Success"});
  } else {
    ExpectInOrder(log, {"[INFO] InstallPrinterDriver32 - AddPrinterDriver success",
                        "[INFO] InstallPrinterDriver32 - AddPrinter success"});
  }
  EXPECT_NE(log.find("[EXIT] RetractFileThread - Success"), std::string::npos) << log;
}

TEST_F(InstallTest, SecondInstallationOfTheSameModelIsACopy) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  // The copy gets a driver of its own name.
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded(std::wstring(kCopy1) + L" Driver"));
  EXPECT_EQ(InstallUsb(installer_), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);
  ASSERT_NE(FindPrinter(Printers(), kModel), nullptr);

  Installer second;
  EXPECT_EQ(InstallUsb(second), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(second), 0);
  std::vector<PrinterEntry> printers = Printers();
  ASSERT_NE(FindPrinter(printers, kModel), nullptr);
  ASSERT_NO_FATAL_FAILURE(ExpectCopy1OnUsb001(printers));
  EXPECT_EQ(SizeOf(GpcFile(kCopy1)), kGpcBytes);
}

TEST_F(InstallTest, SerialPrinterOnCom1GetsItsPortSettings) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  HWND main = OpenEnglishMainDialog(installer_);
  ASSERT_NE(main, nullptr);
  ClickAndWait(main, IDC_RADIO_SERIAL);
  ASSERT_TRUE(IsChecked(main, IDC_RADIO_SERIAL));
  // Choosing Serial takes the model choice back to "please select": the TR-80 is chosen again.
  ASSERT_TRUE(ChooseModel(main, kModel));
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_TRUE(list.ok());
  int com1 = -1;
  for (int i = 0, n = list.Count(); i < n; ++i)
    if (list.Text(i, 0) == L"COM1") com1 = i;
  ASSERT_GE(com1, 0) << "no COM1 row";
  list.SetSelected(com1, true);
  ASSERT_EQ(list.Selected(), com1);

  Click(main, IDOK);
  HWND serial = flow::WaitForDialogWith(installer_.process(), IDC_BAUD_COMBO, IDC_PORT_LIST, kWaitMs);
  ASSERT_NE(serial, nullptr) << "the serial settings dialog did not appear";
  EXPECT_EQ(TextOf(serial), L"Serial Port Config - COM1");
  Click(serial, IDOK);
  EXPECT_EQ(WaitForOutcome(installer_), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);

  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kPortsKey, L"COM1:", KEY_WOW64_64KEY), L"9600,n,8,1,p");
  const std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->port, L"COM1:");
  EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, std::wstring(L"SOFTWARE\\") + kModel, L"PortName", KEY_WOW64_64KEY), L"COM1:");
  ExpectInOrder(log_.Since(), {"[INFO] SetCommPort - Port settings saved to registry: COM1:=9600,n,8,1,p",
                               "[ENTRY] RetractFileThread"});
}

// A network printer: the tests' Standard TCP/IP Port monitor (tests/wine/test_monitor/) serves
// IP_10.0.0.9 in Wine's spooler, and the printer is installed on that row of the network list.
TEST_F(InstallTest, NetworkPrinterIsInstalledOnItsStandardTcpIpPort) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  testmon::ModulesOnPath modules_on_path;
  ASSERT_TRUE(testmon::Remove());
  ASSERT_EQ(testmon::Install(), "");
  ASSERT_TRUE(testmon::AddPortKey(L"IP_10.0.0.9"));
  HWND main = OpenEnglishMainDialog(installer_);
  ASSERT_NE(main, nullptr);
  ClickAndWait(main, IDC_RADIO_NETWORK);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_TRUE(list.ok());
  ASSERT_EQ(list.Count(), 1);
  ASSERT_EQ(list.Text(0, 0), L"IP_10.0.0.9");
  list.SetSelected(0, true);
  // Choosing Network, too, takes the model choice back to "please select".
  ASSERT_TRUE(ChooseModel(main, kModel));

  Click(main, IDOK);
  EXPECT_EQ(WaitForOutcome(installer_), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);
  const std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* printer = FindPrinter(printers, kModel);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->port, L"IP_10.0.0.9");
  EXPECT_TRUE(testmon::HasPortKey(L"IP_10.0.0.9")) << "the port stays with its monitor";
  if (IsWow64Self()) {
    ExpectInOrder(log_.Since(), {"[INFO] InstallPrinterDriver64 - Port is valid: IP_10.0.0.9",
                                 "[INFO] InstallPrinterDriver64 - Adding printer: Name=Tavro TR-80, Port=IP_10.0.0.9"});
  } else {
    // The 32-bit path keeps a port the spooler lists without a line, and logs no port with AddPrinter.
    const std::string log = log_.Since();
    EXPECT_EQ(log.find("[INFO] InstallPrinterDriver32 - IsPortValid failed"), std::string::npos) << log;
    ExpectInOrder(log, {"[INFO] InstallPrinterDriver32 - AddPrinterDriver success",
                        "[INFO] InstallPrinterDriver32 - AddPrinter success"});
  }
  EXPECT_TRUE(testmon::Remove());
}

// For scripts/screenshots.sh: the message box of a completed installation.
class InstallShots : public InstallTest {};

TEST_F(InstallShots, DISABLED_Complete) {
  const std::wstring dir = ShotDir();
  if (dir.empty()) GTEST_SKIP() << "TAVRO_SHOT_DIR is not set";
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  HWND box = nullptr;
  EXPECT_EQ(InstallUsb(installer_, &box), L"Installation complete.");
  ASSERT_NE(box, nullptr);
  AwaitShot(dir.c_str(), L"install-complete", box);
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);
}

}  // namespace
