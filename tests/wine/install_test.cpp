// Installations by the real installer, driven through its dialogs (tests/wine/installer_driver.h),
// then checked from outside the installer: the spooler's printers and drivers, the registry, the
// service, the files in the driver directory and the install folder, the default printer and the
// day's log.
//
// The fixture plugs in a TR-80 receipt printer on USB001 (as tests/wine/main_dialog_test.cpp
// does) and removes everything an installation of it leaves: printers, drivers, the service,
// registry keys, the driver files, the install folder, the serial settings of COM1:, and the
// default printer when it names one of ours. It does so at the start too, for a run that died.
//
// Wine's spooler runs inside the calling process and looks a printer's driver up only under that
// process's own environment ("Windows NT x86" for a 32-bit process, also under WOW64; "Windows x64"
// for a 64-bit one). Windows' spooler service finds a driver registered for the machine's
// environment. Where the installer registers the driver for the other environment, the fixture
// registers the same driver name for the process's own environment first, as Windows' spooler
// would have found it; without that, AddPrinterW fails with 1797, which is the failure test.
//
// InstallShots.DISABLED_Complete, run with --gtest_also_run_disabled_tests and TAVRO_SHOT_DIR set,
// installs the TR-80 and waits for a screenshot of the message box (scripts/screenshots.sh).
#include "tests/wine/installer_driver.h"
#include "tests/wine/machine_view.h"
#include "tests/wine/spooler_ports.h"
#include "tests/wine/test_monitor/test_monitor.h"
#include "tests/wine/wine_devices.h"
#include "ui/resource.h"

#include <winspool.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace driver;
using namespace outside;
using winetest::kClassPrinter;
using winetest::kClassUsb;
using winetest::TestDevice;

// Every id carries "TAVROIN" so that nothing else in the prefix is touched; the model segment
// holds the catalog's recognise name TR-80.
const TestDevice kTr80Usb = {L"USB\\VID_4A7F&PID_0080\\TAVROIN0001", &kClassUsb, nullptr,
                             L"USB\\VID_4A7F&PID_0080&REV_0100", L"USB Printing Support",
                             L"(Standard USB Host Controller)", nullptr};
const TestDevice kTr80 = {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E2A11&0&USB001", &kClassPrinter,
                          L"USB\\VID_4A7F&PID_0080\\TAVROIN0001", L"USBPRINT\\TAVROTR-80_RECEIPTD2F1",
                          L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROIN)"};
const TestDevice* const kAllDevices[] = {&kTr80, &kTr80Usb};

const wchar_t kModel[] = L"Tavro TR-80";
const wchar_t kDriver[] = L"Tavro TR-80 Driver";
const wchar_t kCopy1[] = L"Tavro TR-80 (copy 1)";
// The names an installation of the TR-80 may take here.
const wchar_t* const kPrinterNames[] = {L"Tavro TR-80", L"Tavro TR-80 (copy 1)", L"Tavro TR-80 (copy 2)"};
const wchar_t kServiceName[] = L"Mavrin Service";
const wchar_t kPrintersKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kPortsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const wchar_t kWindowsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr long long kGpcBytes = 14596;
constexpr bool kX64Build = sizeof(void*) == 8;

// Registers `driver` for this process's own environment (see the top of this file). The files
// need not exist for the spooler to take it.
DWORD RegisterDriverForOwnEnvironment(const std::wstring& driver) {
  std::wstring name = driver, env = OwnEnvironment(), path = L"Tavro TR-80Drv.dll", data = L"Tavro TR-80GPC.pcd",
               config = L"Tavro TR-80UI.dll";
  DRIVER_INFO_2W info = {};
  info.cVersion = 3;
  info.pName = &name[0];
  info.pEnvironment = &env[0];
  info.pDriverPath = &path[0];
  info.pDataFile = &data[0];
  info.pConfigFile = &config[0];
  return AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) ? 0 : GetLastError();
}

// ---- Driving the installer ------------------------------------------------------------------

// A visible dialog window of the installer that has control `with` and not control `without`.
struct DialogSearch {
  DWORD pid;
  int with;
  int without;
  HWND found;
};

BOOL CALLBACK VisitDialogs(HWND hwnd, LPARAM param) {
  DialogSearch* s = reinterpret_cast<DialogSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && GetDlgItem(hwnd, s->with) != nullptr &&
      GetDlgItem(hwnd, s->without) == nullptr) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForDialog(HANDLE process, int with, int without, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  do {
    DialogSearch search{GetProcessId(process), with, without, nullptr};
    EnumWindows(&VisitDialogs, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

// The serial settings dialog (its baud rate box), waiting for it.
HWND WaitForSerialDialog(HANDLE process) { return WaitForDialog(process, IDC_BAUD_COMBO, IDC_PORT_LIST, kWaitMs); }

// A message box (its text), never the main dialog, waiting for it.
HWND WaitForMessageBox(HANDLE process, DWORD timeout_ms) {
  return WaitForDialog(process, kMessageBoxText, IDC_PORT_LIST, timeout_ms);
}

HWND OpenEnglishMainDialog(Installer& installer) { return OpenMainDialog(installer, 2); }

// The message box the installation ends with: its text, or "<none>" when none came.
std::wstring WaitForOutcome(Installer& installer, HWND* box_out = nullptr) {
  HWND box = WaitForMessageBox(installer.process(), 120000);
  if (box == nullptr) return L"<none>";
  if (box_out != nullptr) *box_out = box;
  return ItemText(box, kMessageBoxText);
}

// Presses the message box's OK and waits for the installer to end: its exit code.
long PressOkAndWaitExit(Installer& installer) {
  HWND box = WaitForMessageBox(installer.process(), 1000);
  if (box != nullptr) Click(box, IDOK);
  return installer.WaitExit();
}

// Installs the TR-80 on USB001 through the dialogs; the outcome's text.
std::wstring InstallUsb(Installer& installer) {
  HWND main = OpenEnglishMainDialog(installer);
  if (main == nullptr) return L"<no main dialog>";
  EXPECT_EQ(ComboSelectedText(GetDlgItem(main, IDC_MODEL_COMBO)), kModel);
  RemoteList list(installer.process(), GetDlgItem(main, IDC_PORT_LIST));
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_EQ(list.Text(0, 0), L"USB001");
  Click(main, IDOK);
  return WaitForOutcome(installer);
}

// Chooses `model` in the model list as a user does (the selection, then CBN_SELCHANGE): false
// when the list has no such entry.
bool ChooseModel(HWND main, const wchar_t* model) {
  HWND combo = GetDlgItem(main, IDC_MODEL_COMBO);
  int index = -1;
  for (int i = 0, n = ComboCount(combo); i < n && index < 0; ++i)
    if (ComboText(combo, i) == model) index = i;
  if (index <= 0) return false;
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_MODEL_COMBO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  return ComboSelectedText(combo) == model;
}

std::wstring SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::wstring out = text != nullptr ? text : L"";
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == L'\r' || out.back() == L'\n')) out.pop_back();
  return out;
}

// ---- The fixture ----------------------------------------------------------------------------

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The x64 build of the installer (run where 32-bit programs cannot) takes the 32-bit host
    // path from a 64-bit process: its driver directory and registry views are not the shipped
    // i686 program's, and these expectations are written for the i686 program only.
    if (kX64Build) GTEST_SKIP() << "x64 build of the installer: expectations are the i686 program's";
    original_com1_ = ReadSz(HKEY_LOCAL_MACHINE, kPortsKey, L"COM1:", KEY_WOW64_64KEY);
    RemoveFixtures();
    ASSERT_TRUE(AllGone()) << "cannot remove what a run that died left behind";
    ASSERT_EQ(winetest::Register(kTr80Usb), "");
    ASSERT_EQ(winetest::Register(kTr80), "");
    ASSERT_EQ(winetest::AddLocalPort(L"USB001"), 0u);
    ASSERT_TRUE(winetest::SpoolerHasPort(L"USB001"));
    RemoveInstallTextFiles();
    log_ = LogWatch();
  }

  void TearDown() override {
    if (kX64Build) return;  // skipped: nothing was made
    RemoveFixtures();
    EXPECT_TRUE(AllGone()) << "something the installation left stayed in the prefix";
    RemoveInstallTextFiles();
  }

  // Lets the installer's printers be added where its driver registration alone would not do
  // (the top of this file).
  static void LetPrinterBeAdded(const std::wstring& driver = kDriver) {
    if (_wcsicmp(OwnEnvironment(), InstallerEnvironment()) != 0) {
      ASSERT_EQ(RegisterDriverForOwnEnvironment(driver), 0u) << Narrow(driver);
    }
  }

  void RemoveFixtures() {
    DeleteServiceIfPresent(kServiceName);  // before the install folder it runs from goes
    for (const wchar_t* name : kPrinterNames) {
      std::wstring n = name;
      HANDLE printer = nullptr;
      PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
      if (OpenPrinterW(&n[0], &printer, &defaults)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
      }
      DeleteTree(HKEY_LOCAL_MACHINE, kPrintersKey + n, 0);
      std::wstring driver = n + L" Driver";
      for (const wchar_t* env : {kEnvX86, kEnvX64}) {
        std::wstring e = env;
        DeletePrinterDriverW(nullptr, &e[0], &driver[0]);
        DeleteTree(HKEY_LOCAL_MACHINE,
                   L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + e + L"\\Drivers\\Version-3\\" + driver, 0);
      }
      DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + n, KEY_WOW64_64KEY);
      DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + n, KEY_WOW64_32KEY);
      DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey + n, KEY_WOW64_32KEY);
      DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey + n, KEY_WOW64_64KEY);
      for (const std::wstring& file : DriverFiles(n)) {
        DeleteFileW(file.c_str());
        RemoveDirectoryW(file.c_str());  // a folder a test put in a file's way
      }
      DeleteFileW(GpcFile(n).c_str());
      DeleteFolder(InstallFolder(n));
    }
    RemoveDirectoryW(Expand(L"%ProgramFiles%\\USB Printer").c_str());  // only when empty
    DeleteServiceIfPresent(kServiceName);
    // The default printer, when it names one of ours.
    HKEY windows = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kWindowsKey, 0, KEY_ALL_ACCESS, &windows) == ERROR_SUCCESS) {
      std::wstring device = ReadSz(HKEY_CURRENT_USER, kWindowsKey, L"Device");
      if (device.rfind(L"Tavro TR-80", 0) == 0) RegDeleteValueW(windows, L"Device");
      RegCloseKey(windows);
    }
    // COM1:'s settings as they were before the test (Wine's own when a run that died left ours).
    std::wstring com1 =
        original_com1_ == L"9600,n,8,1,p" || original_com1_ == L"<missing>" ? L"9600,n,8,1" : original_com1_;
    HKEY ports = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortsKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &ports) == ERROR_SUCCESS) {
      RegSetValueExW(ports, L"COM1:", 0, REG_SZ, reinterpret_cast<const BYTE*>(com1.c_str()),
                     static_cast<DWORD>((com1.size() + 1) * sizeof(wchar_t)));
      RegCloseKey(ports);
    }
    for (const TestDevice* device : kAllDevices) winetest::RemoveIfPresent(device->id);
    winetest::DeleteLocalPortIfPresent(L"USB001");
  }

  static bool AllGone() {
    bool gone = true;
    std::vector<PrinterEntry> printers = Printers();
    for (const wchar_t* name : kPrinterNames) {
      if (FindPrinter(printers, name) != nullptr) {
        ADD_FAILURE() << "printer " << Narrow(name) << " stayed";
        gone = false;
      }
      std::wstring driver = std::wstring(name) + L" Driver";
      if (HasDriver(kEnvX86, driver) || HasDriver(kEnvX64, driver)) {
        ADD_FAILURE() << "driver " << Narrow(driver) << " stayed";
        gone = false;
      }
      if (KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + std::wstring(name), KEY_WOW64_64KEY) ||
          KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(name), KEY_WOW64_32KEY) ||
          FileExists(GpcFile(name)) || FileExists(InstallFolder(name))) {
        ADD_FAILURE() << "keys or files of " << Narrow(name) << " stayed";
        gone = false;
      }
    }
    if (ServiceExists(kServiceName)) {
      ADD_FAILURE() << "the service stayed";
      gone = false;
    }
    if (winetest::SpoolerHasPort(L"USB001")) {
      ADD_FAILURE() << "the port USB001 stayed";
      gone = false;
    }
    return gone;
  }

  std::wstring original_com1_;
  Installer installer_;
  LogWatch log_;
};

// ---- The tests ------------------------------------------------------------------------------

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
  const PrinterEntry* copy = FindPrinter(printers, kCopy1);
  ASSERT_NE(copy, nullptr) << "no printer named Tavro TR-80 (copy 1)";
  EXPECT_EQ(copy->port, L"USB001");
  EXPECT_EQ(copy->driver, std::wstring(kCopy1) + L" Driver");
  EXPECT_EQ(DefaultPrinter(), kCopy1);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, std::wstring(kPrintersKey) + kCopy1 + L"\\PrinterDriverData", L"CommandType"),
            2);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + kCopy1, KEY_WOW64_32KEY));
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
  HWND serial = WaitForSerialDialog(installer_.process());
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

// The installer registers its driver for an environment the spooler of its own process does not
// look in (the top of this file): without the fixture's help, AddPrinterW fails with 1797, and
// the message box names the error.
TEST_F(InstallTest, FailureMessageNamesTheError) {
  if (_wcsicmp(OwnEnvironment(), InstallerEnvironment()) == 0)
    GTEST_SKIP() << "here the installer registers its driver where the spooler finds it: nothing fails";
  const std::wstring text = InstallUsb(installer_);
  const std::wstring reason = SystemMessage(ERROR_UNKNOWN_PRINTER_DRIVER);
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(text, L"Installation failed.\r\nFailure reason:" + reason + L"\r\n(Error=1797)") << Narrow(text);
  EXPECT_EQ(PressOkAndWaitExit(installer_), 1603) << "a failed installation ends with 1603";
  EXPECT_EQ(FindPrinter(Printers(), kModel), nullptr);
  EXPECT_FALSE(ServiceExists(kServiceName));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + kModel, KEY_WOW64_32KEY));
  ExpectInOrder(log_.Since(), {std::string("[ERROR] ") + InstallerFunction() + " - AddPrinter failed, Error=1797",
                               "[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=1797",
                               "[ENTRY] CInstallDlg::OnInstallFinished - wParam=0 (Success=FALSE)"});
}

// A printer whose name differs from the model's only in case: the spooler takes the two names for
// one (Windows refuses the second with 1802; Wine would replace the first). The installation
// takes a name of its own, and the other printer keeps its port, driver and settings.
TEST_F(InstallTest, APrinterNamedLikeTheModelInAnotherCaseIsLeftAlone) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded(std::wstring(kCopy1) + L" Driver"));
  // The other printer needs the driver before the installer registers it (where the installer's
  // environment is this process's own, nothing above registered it).
  if (!HasDriver(OwnEnvironment(), kDriver)) ASSERT_EQ(RegisterDriverForOwnEnvironment(kDriver), 0u);
  std::wstring other = L"tavro tr-80", port = L"LPT1:", driver = kDriver, processor = L"WinPrint", type = L"RAW";
  PRINTER_INFO_2W info = {};
  info.pPrinterName = &other[0];
  info.pPortName = &port[0];
  info.pDriverName = &driver[0];
  info.pPrintProcessor = &processor[0];
  info.pDatatype = &type[0];
  HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  ASSERT_NE(added, nullptr) << GetLastError();
  ClosePrinter(added);
  const std::wstring other_data = std::wstring(kPrintersKey) + other + L"\\PrinterDriverData";
  HKEY data = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, other_data.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &data,
                            nullptr),
            ERROR_SUCCESS);
  const DWORD cpcl = 1;
  RegSetValueExW(data, L"CommandType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&cpcl), sizeof cpcl);
  RegCloseKey(data);

  EXPECT_EQ(InstallUsb(installer_), L"Installation complete.");
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);

  std::vector<PrinterEntry> printers = Printers();
  const PrinterEntry* old = nullptr;
  for (const PrinterEntry& p : printers)
    if (_wcsicmp(p.name.c_str(), other.c_str()) == 0) old = &p;
  ASSERT_NE(old, nullptr) << "the other printer is gone";
  EXPECT_EQ(old->port, L"LPT1:");
  EXPECT_EQ(old->driver, kDriver);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, other_data, L"CommandType"), 1) << "the other printer's settings changed";
  const PrinterEntry* copy = FindPrinter(printers, kCopy1);
  ASSERT_NE(copy, nullptr) << "no printer named Tavro TR-80 (copy 1)";
  EXPECT_EQ(copy->port, L"USB001");
  EXPECT_EQ(copy->driver, std::wstring(kCopy1) + L" Driver");
  EXPECT_EQ(DefaultPrinter(), kCopy1);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, std::wstring(kPrintersKey) + kCopy1 + L"\\PrinterDriverData", L"CommandType"),
            2);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + kCopy1, KEY_WOW64_32KEY));
  ExpectInOrder(log_.Since(), {"[INFO] GetPrinterName - Name conflict found, new name: Tavro TR-80 (copy 1)"});
}

// A driver file that cannot be placed (a folder lies where the rendering DLL goes) ends the
// installation with the copy's code, before anything is registered.
TEST_F(InstallTest, ADriverFileThatCannotBeCopiedFailsWithItsCode) {
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  const std::wstring blocked = DriverDirectory() + L"\\Tavro TR-80Drv.dll";
  ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr)) << GetLastError();
  const std::wstring text = InstallUsb(installer_);
  EXPECT_EQ(PressOkAndWaitExit(installer_), 1603) << "a failed installation ends with 1603";
  RemoveDirectoryW(blocked.c_str());

  const std::string log = log_.Since();
  const std::string marker = std::string("[ERROR] ") + InstallerFunction() + " - CopyFile failed, Error=";
  const size_t at = log.find(marker);
  ASSERT_NE(at, std::string::npos) << log;
  const DWORD code = std::strtoul(log.c_str() + at + marker.size(), nullptr, 10);
  ASSERT_NE(code, 0u);
  const std::string line = log.substr(at, log.find('\n', at) - at);
  EXPECT_NE(line.find("Dest=" + Narrow(blocked)), std::string::npos) << "the line names the file: " << line;
  const std::wstring reason = SystemMessage(code);
  EXPECT_EQ(text, reason.empty() ? L"Installation failed.\r\n(Error=" + std::to_wstring(code) + L")"
                                 : L"Installation failed.\r\nFailure reason:" + reason + L"\r\n(Error=" +
                                       std::to_wstring(code) + L")")
      << Narrow(text);
  EXPECT_EQ(FindPrinter(Printers(), kModel), nullptr);
  EXPECT_FALSE(HasDriver(InstallerEnvironment(), kDriver));
  EXPECT_FALSE(ServiceExists(kServiceName));
  ExpectInOrder(log, {std::string("[ERROR] ") + InstallerFunction() + " - Driver files not placed, Error=" +
                          std::to_string(code),
                      "[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=" + std::to_string(code),
                      "[ENTRY] CInstallDlg::OnInstallFinished - wParam=0 (Success=FALSE)"});
}

// For scripts/screenshots.sh: the message box of a completed installation.
class InstallShots : public InstallTest {};

TEST_F(InstallShots, DISABLED_Complete) {
  const std::wstring dir = ShotDir();
  if (dir.empty()) GTEST_SKIP() << "TAVRO_SHOT_DIR is not set";
  ASSERT_NO_FATAL_FAILURE(LetPrinterBeAdded());
  EXPECT_EQ(InstallUsb(installer_), L"Installation complete.");
  HWND box = WaitForMessageBox(installer_.process(), 1000);
  ASSERT_NE(box, nullptr);
  AwaitShot(dir.c_str(), L"install-complete", box);
  EXPECT_EQ(PressOkAndWaitExit(installer_), 0);
}

}  // namespace
