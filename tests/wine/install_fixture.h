// The fixture of the installation tests (install_test.cpp, install_refusal_test.cpp): the real
// installer driven through its dialogs (tests/wine/installer_driver.h, install_flow.h), then
// checked from outside the installer.
//
// It plugs in a TR-80 receipt printer on USB001 (tests/wine/tr80_printer.h) and removes everything
// an installation of it leaves: printers, drivers, the service, registry keys, the driver files,
// the install folder, the serial settings of COM1:, and the default printer when it names one of
// ours. It does so at the start too, for a run that died.
//
// Wine's spooler runs inside the calling process and looks a printer's driver up only under that
// process's own environment ("Windows NT x86" for a 32-bit process, also under WOW64; "Windows x64"
// for a 64-bit one). Windows' spooler service finds a driver registered for the machine's
// environment. Where the installer registers the driver for the other environment, the fixture
// registers the same driver name for the process's own environment first, as Windows' spooler
// would have found it; without that, AddPrinterW fails with 1797, which is the failure test.
#pragma once

#include "tests/wine/install_flow.h"
#include "tests/wine/installer_driver.h"
#include "tests/wine/machine_view.h"
#include "tests/wine/spooler_ports.h"
#include "tests/wine/tr80_printer.h"
#include "ui/resource.h"

#include <winspool.h>

#include <string>
#include <vector>

namespace install_fixture {

using namespace driver;
using namespace outside;
using namespace tr80;
using flow::ChooseModel;
using flow::PressOkAndWaitExit;
using flow::WaitForOutcome;

constexpr long long kGpcBytes = 14596;
constexpr bool kX64Build = sizeof(void*) == 8;

inline HWND OpenEnglishMainDialog(Installer& installer) { return OpenMainDialog(installer, 2); }

// Installs the TR-80 on USB001 through the dialogs; the outcome's text.
inline std::wstring InstallUsb(Installer& installer, HWND* box_out = nullptr) {
  HWND main = OpenEnglishMainDialog(installer);
  if (main == nullptr) return L"<no main dialog>";
  EXPECT_EQ(ComboSelectedText(GetDlgItem(main, IDC_MODEL_COMBO)), kModel);
  RemoteList list(installer.process(), GetDlgItem(main, IDC_PORT_LIST));
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_EQ(list.Text(0, 0), L"USB001");
  Click(main, IDOK);
  return WaitForOutcome(installer, 120000, box_out);
}

// The system's text for `code`, without its line end ("" when it has none).
inline std::wstring SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::wstring out = text != nullptr ? text : L"";
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == L'\r' || out.back() == L'\n')) out.pop_back();
  return out;
}

// The second installation's printer "Tavro TR-80 (copy 1)" in `printers`: on USB001 with a driver
// of its own name, the default printer, with its settings and its uninstall entry.
inline void ExpectCopy1OnUsb001(const std::vector<PrinterEntry>& printers) {
  const PrinterEntry* copy = FindPrinter(printers, kCopy1);
  ASSERT_NE(copy, nullptr) << "no printer named Tavro TR-80 (copy 1)";
  EXPECT_EQ(copy->port, L"USB001");
  EXPECT_EQ(copy->driver, std::wstring(kCopy1) + L" Driver");
  EXPECT_EQ(DefaultPrinter(), kCopy1);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, std::wstring(kPrintersKey) + kCopy1 + L"\\PrinterDriverData", L"CommandType"),
            2);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kUninstallKey) + kCopy1, KEY_WOW64_32KEY));
}

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
    ASSERT_EQ(PlugIn(), "");
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

  void RemoveFixtures() {
    RemoveInstallationsOf(kModel);
    // COM1:'s settings as they were before the test (Wine's own when a run that died left ours).
    SetCom1Settings(original_com1_ == L"9600,n,8,1,p" || original_com1_ == L"<missing>" ? L"9600,n,8,1"
                                                                                        : original_com1_);
    Unplug();
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

}  // namespace install_fixture
