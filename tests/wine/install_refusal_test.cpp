// Installations that must fail or give way, by the real installer through its dialogs: the
// failure's message box naming the error, a driver file that cannot be placed, and a printer
// already named like the model in another case, which the installation leaves alone.
#include "tests/wine/install_fixture.h"

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace install_fixture;

// The installer registers its driver for an environment the spooler of its own process does not
// look in (tests/wine/install_fixture.h): without the fixture's help, AddPrinterW fails with 1797, and
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
  if (!HasDriver(OwnEnvironment(), kDriver)) {
    ASSERT_EQ(RegisterDriverForOwnEnvironment(kDriver, kModel), 0u);
  }
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
  ASSERT_NO_FATAL_FAILURE(ExpectCopy1OnUsb001(printers));
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

}  // namespace
