// What an installation leaves for its removal, and the background service.
#include "install/uninstall_registration.h"

#include <gtest/gtest.h>

#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/text_fit.h"
#include "tests/unit/install/install_fixture.h"
#include "text/fixed_field.h"

namespace {

using install_test::InstallTest;
using install_test::SzBytes;

const std::wstring kProduct = L"SOFTWARE\\R710";
const std::wstring kEntry = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\R710";
const std::wstring kRunOnce = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const platform::RegView k64 = platform::RegView::k64;
const platform::RegView kOwn = platform::RegView::kDefault;

class UninstallTest : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    ArrangeTarget(L"R710", L"USB001");
  }
  void Run() { WriteUninstallRegistration(machine_, host_, L"", L""); }
  std::vector<std::wstring> ValueNames(const std::wstring& key, platform::RegView view) {
    std::vector<std::wstring> names;
    sim_.registry().EnumValues(platform::Hive::kLocalMachine, key, view, &names);
    return names;
  }
  std::wstring Text(const std::wstring& key, const std::wstring& name, platform::RegView view) {
    platform::RegValue v = Value(key, name, view);
    EXPECT_EQ(v.type, 1u) << testing::PrintToString(name);
    return v.AsString();
  }
  std::string Ini() { return sim_.files().FileBytes(host_.folder + L"\\Uninstall.ini"); }
};

TEST_F(UninstallTest, TheProductKeyLivesInThe64BitViewWithItsValuesInOrder) {
  Run();
  EXPECT_EQ(ValueNames(kProduct, k64),
            (std::vector<std::wstring>{L"Data Directory", L"Program Directory", L"Language", L"PrinterName",
                                       L"StartMenuDir", L"Uninstaller", L"PrinterDriver", L"MonitorName",
                                       L"PortName"}));
  EXPECT_EQ(Text(kProduct, L"Data Directory", k64), L"C:\\Program Files (x86)\\TavroPrint");
  EXPECT_EQ(Text(kProduct, L"Program Directory", k64), L"C:\\Program Files (x86)\\TavroPrint\\R710");
  EXPECT_EQ(Text(kProduct, L"Language", k64), L"English");
  EXPECT_EQ(Text(kProduct, L"PrinterName", k64), L"R710");
  EXPECT_EQ(Value(kProduct, L"StartMenuDir", k64).data, SzBytes(L""));
  EXPECT_EQ(Text(kProduct, L"PrinterDriver", k64), L"R710 Driver");
  EXPECT_EQ(Text(kProduct, L"MonitorName", k64), L"USB Printer Monitor");
  EXPECT_EQ(Text(kProduct, L"PortName", k64), L"USB001");
  // The installer's own view does not see it.
  EXPECT_FALSE(HasValue(kProduct, L"PrinterName", kOwn));
}

TEST_F(UninstallTest, StartMenuAndUninstallerAreStoredAsGiven) {
  WriteUninstallRegistration(machine_, host_, L"Tavro", L"Remove.exe");
  EXPECT_EQ(Text(kProduct, L"StartMenuDir", k64), L"Tavro");
  EXPECT_EQ(Text(kProduct, L"Uninstaller", k64), L"Remove.exe");
}

TEST_F(UninstallTest, LanguageIsChineseOnlyForSimplifiedChinese) {
  language_ = kLanguageSimplified;
  Run();
  EXPECT_EQ(Text(kProduct, L"Language", k64), L"Chinese");
  language_ = kLanguageTraditional;
  Run();
  EXPECT_EQ(Text(kProduct, L"Language", k64), L"English");
}

TEST_F(UninstallTest, TheSettingsFileNamesTheStemAndTheService) {
  CopyToFieldAtBoundary(InstallTarget.FileStem, kInstallTargetChars, L"R710stem");
  Run();
  std::string ini = Ini();
  size_t section = ini.find("[Print Settings]");
  ASSERT_NE(section, std::string::npos) << ini;
  EXPECT_NE(ini.find("PrinterName=R710stem", section), std::string::npos) << ini;
  EXPECT_NE(ini.find("ServiceName=Mavrin Service", section), std::string::npos) << ini;
}

TEST_F(UninstallTest, TheUninstallEntryLivesInTheInstallersOwnView) {
  Run();
  // The standard values first, in their order; then what the uninstaller needs.
  std::vector<std::wstring> names = ValueNames(kEntry, kOwn);
  names.resize(8);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"DisplayIcon", L"DisplayName", L"DisplayVersion", L"InstallLocation",
                                              L"Publisher", L"UninstallString", L"VersionMajor", L"VersionMinor"}));
  const std::wstring uninstaller = L"C:\\Program Files (x86)\\TavroPrint\\R710\\Uninstaller.exe";
  EXPECT_EQ(Text(kEntry, L"DisplayIcon", kOwn), uninstaller);
  EXPECT_EQ(Text(kEntry, L"DisplayName", kOwn), L"R710");
  EXPECT_EQ(Text(kEntry, L"DisplayVersion", kOwn), L"1.2.1");
  EXPECT_EQ(Text(kEntry, L"InstallLocation", kOwn), L"C:\\Program Files (x86)\\TavroPrint\\R710");
  EXPECT_EQ(Text(kEntry, L"Publisher", kOwn), L"Tavro");
  // The command is quoted (unquoted, Windows would first try C:\Program.exe); the icon and the
  // folder are paths, not commands, and stay as they are.
  EXPECT_EQ(Text(kEntry, L"UninstallString", kOwn), L"\"" + uninstaller + L"\"");
  EXPECT_EQ(Text(kEntry, L"VersionMajor", kOwn), L"1");
  EXPECT_EQ(Text(kEntry, L"VersionMinor", kOwn), L"2");
  EXPECT_FALSE(HasValue(kEntry, L"DisplayName", k64));
}

TEST_F(UninstallTest, TheEntryTellsTheUninstallerHowToRunQuietlyAndWhatWasMade) {
  // 64-bit Windows: the driver is the x64 one; its files and the folder's make the size.
  sim_.files().PutFile(host_.folder + L"\\Uninstaller.exe", std::string(3000, 'u'));
  sim_.files().PutFile(host_.folder + L"\\docs\\readme.txt", std::string(1000, 'r'));
  PlaceDriverFiles(L"Windows x64", {L"R710Drv.dll", L"R710UI.dll"});  // 11 bytes each
  sim_.files().PutFile(DriverDirectoryOf(L"Windows x64") + L"\\R710GPC.pcd", std::string(14596, 'g'));
  sim_.files().PutFile(DriverDirectoryOf(L"Windows x64") + L"\\Other.dll", std::string(100000, 'o'));
  Run();
  const std::wstring uninstaller = L"\"C:\\Program Files (x86)\\TavroPrint\\R710\\Uninstaller.exe\"";
  EXPECT_EQ(Text(kEntry, L"QuietUninstallString", kOwn), uninstaller + L" /quiet");
  EXPECT_EQ(Value(kEntry, L"NoModify", kOwn).data, install_test::DwordBytes(1));
  EXPECT_EQ(Value(kEntry, L"NoRepair", kOwn).data, install_test::DwordBytes(1));
  platform::RegValue size = Value(kEntry, L"EstimatedSize", kOwn);
  EXPECT_EQ(size.type, platform::regtype::kDword);
  // 3000 + 1000 + 14596 + 22 bytes and the settings file, in KB rounded up; Other.dll is not ours.
  EXPECT_EQ(size.AsDword(), 19u);
  EXPECT_EQ(Text(kEntry, L"TavroFileStem", kOwn), L"R710");
  EXPECT_EQ(Text(kEntry, L"TavroDriver", kOwn), L"R710 Driver");
  EXPECT_EQ(Text(kEntry, L"TavroEnvironments", kOwn), L"Windows x64");
  EXPECT_EQ(Text(kEntry, L"TavroPort", kOwn), L"USB001");
  EXPECT_EQ(Text(kEntry, L"TavroOwnMonitor", kOwn), L"");  // USB001 is the USB Monitor's, not ours
  EXPECT_EQ(Text(kEntry, L"TavroDriverFiles", kOwn),
            L"R710UI.dll;R710Drv.dll;R710_tavromon.exe;R710_tavropop.exe;R710GPC.pcd");
}

TEST_F(UninstallTest, APortOnTheInstallersOwnMonitorIsRecordedAsItsOwn) {
  sim_.spooler().AddMonitor(L"USB Printer Monitor", L"TavroPrintMon.dll");
  ArrangePort(L"USB Printer Monitor", L"R710-Port:");
  CopyToFieldAtBoundary(InstallTarget.PortName, kInstallTargetChars, L"R710-Port:");
  Run();
  EXPECT_EQ(Text(kEntry, L"TavroOwnMonitor", kOwn), L"USB Printer Monitor");
}

TEST_F(UninstallTest, AStaleRunOnceValueDisappearsAndTheOthersStay) {
  sim_.registry().SetValue(platform::Hive::kLocalMachine, kRunOnce, L"NorlUninstaller", kOwn,
                           platform::RegValue::Sz(L"old.exe"));
  sim_.registry().SetValue(platform::Hive::kLocalMachine, kRunOnce, L"Other", kOwn, platform::RegValue::Sz(L"x"));
  Run();
  EXPECT_FALSE(HasValue(kRunOnce, L"NorlUninstaller", kOwn));
  EXPECT_TRUE(HasValue(kRunOnce, L"Other", kOwn));
  EXPECT_EQ(LogText().find("NorlUninstaller"), std::string::npos);
}

TEST_F(UninstallTest, NoRunOnceValueIsNoError) {
  Run();
  EXPECT_EQ(LogText().find("[ERROR] WriteUninstallRegistration"), std::string::npos);
}

TEST_F(UninstallTest, ASecondInstallationOverwritesTheProductValues) {
  Run();
  CopyToFieldAtBoundary(InstallTarget.PortName, kInstallTargetChars, L"COM3:");
  Run();
  EXPECT_EQ(Text(kProduct, L"PortName", k64), L"COM3:");
  EXPECT_EQ(ValueNames(kProduct, k64).size(), 9u);
}

TEST_F(UninstallTest, WithoutTheProductKeyNothingElseIsDone) {
  sim_.registry().SetValue(platform::Hive::kLocalMachine, kRunOnce, L"NorlUninstaller", kOwn,
                           platform::RegValue::Sz(L"old.exe"));
  sim_.registry().DenyKey(platform::Hive::kLocalMachine, kProduct, k64, 5);
  Run();
  EXPECT_EQ(Ini(), "");
  EXPECT_FALSE(HasValue(kEntry, L"DisplayName", kOwn));
  EXPECT_TRUE(HasValue(kRunOnce, L"NorlUninstaller", kOwn));
  EXPECT_TRUE(LogInOrder({"[ERROR] WriteUninstallRegistration - Failed to create product key SOFTWARE\\R710, Error=5\n"}));
}

TEST_F(UninstallTest, AFailedValueIsSkippedAndLogged) {
  sim_.faults().Fail("RegSetValueExW", 5, 1);
  Run();
  EXPECT_FALSE(HasValue(kProduct, L"Data Directory", k64));
  EXPECT_EQ(Text(kProduct, L"PortName", k64), L"USB001");
  EXPECT_EQ(Text(kEntry, L"DisplayName", kOwn), L"R710");
  EXPECT_TRUE(LogInOrder({"[ERROR] WriteUninstallRegistration - Failed to write Data Directory under SOFTWARE\\R710, "
                          "Error=5\n"}));
}

TEST_F(UninstallTest, AnUnwritableSettingsFileIsLoggedAndTheEntryStillWritten) {
  sim_.faults().Fail("WritePrivateProfileStringW", 5);
  Run();
  EXPECT_EQ(Text(kEntry, L"DisplayName", kOwn), L"R710");
  EXPECT_TRUE(LogInOrder({"Failed to write PrinterName to", "Failed to write ServiceName to"}));
}

TEST_F(UninstallTest, AnUncreatableEntryIsLoggedAndRunOnceStillCleaned) {
  sim_.registry().SetValue(platform::Hive::kLocalMachine, kRunOnce, L"NorlUninstaller", kOwn,
                           platform::RegValue::Sz(L"old.exe"));
  sim_.registry().DenyKey(platform::Hive::kLocalMachine, kEntry, kOwn, 5);
  Run();
  EXPECT_FALSE(HasValue(kRunOnce, L"NorlUninstaller", kOwn));
  EXPECT_TRUE(LogInOrder({"[ERROR] WriteUninstallRegistration - Failed to create uninstall entry"}));
}

class ServiceTest : public InstallTest {
 protected:
  install_test::SpyServices& Spy() { return machine_.spy_services(); }
};

TEST_F(ServiceTest, TheServiceIsCreatedDescribedAndStarted) {
  InstallService(machine_, host_);
  ASSERT_EQ(Spy().created.size(), 1u);
  const platform::ServiceConfig& c = Spy().created[0];
  EXPECT_EQ(c.name, L"Mavrin Service");
  EXPECT_EQ(c.display_name, L"Mavrin Service");
  EXPECT_EQ(c.service_type, 0x110u);
  EXPECT_EQ(c.start_type, 2u);
  EXPECT_EQ(c.error_control, 1u);
  EXPECT_EQ(c.binary_path, L"\"C:\\Program Files (x86)\\TavroPrint\\R710\\TavroPrinterService.exe\"");
  EXPECT_EQ(c.load_order_group, L"");
  EXPECT_EQ(c.dependencies, L"");
  EXPECT_EQ(c.account, L"");
  EXPECT_EQ(Spy().descriptions, std::vector<std::wstring>{L"Mavrin Printer Monitor"});
  EXPECT_EQ(Spy().starts, 1);
}

// The service manager reads the quoted path as one program, also where the folder has spaces, and
// an automatic LocalSystem service never runs C:\Program.exe planted by someone else.
TEST_F(ServiceTest, TheQuotedProgramPathIsRegisteredAndStartsThatProgram) {
  sim_.files().PutFile(L"C:\\Program.exe", "planted");
  sim_.files().PutFile(host_.folder + L"\\TavroPrinterService.exe", "service");
  InstallService(machine_, host_);
  EXPECT_EQ(Value(L"SYSTEM\\CurrentControlSet\\Services\\Mavrin Service", L"ImagePath").AsString(),
            L"\"" + host_.folder + L"\\TavroPrinterService.exe\"");
  EXPECT_TRUE(sim_.services().Running(L"Mavrin Service"));
  EXPECT_EQ(LogText().find("StartService failed"), std::string::npos);
}

TEST_F(ServiceTest, AnExistingServiceIsLeftUntouched) {
  InstallService(machine_, host_);
  InstallService(machine_, host_);
  EXPECT_EQ(Spy().create_calls, 2);
  EXPECT_EQ(Spy().created.size(), 1u);
  EXPECT_EQ(Spy().descriptions.size(), 1u);
  EXPECT_EQ(Spy().starts, 1);
  EXPECT_TRUE(LogInOrder({"[WARN] InstallService - CreateService failed, Error=1073\n"}));
}

TEST_F(ServiceTest, NoManagerNoService) {
  sim_.faults().Fail("OpenSCManagerW", 5);
  InstallService(machine_, host_);
  EXPECT_EQ(Spy().create_calls, 0);
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallService - OpenSCManager failed, Error=5\n"}));
}

TEST_F(ServiceTest, AServiceThatWillNotStartStaysInstalled) {
  sim_.faults().Fail("StartServiceW", 2);
  InstallService(machine_, host_);
  EXPECT_EQ(Spy().created.size(), 1u);
  EXPECT_TRUE(LogInOrder({"[WARN] InstallService - StartService failed, Error=2\n"}));
}

TEST_F(ServiceTest, AFailedCreationIsLogged) {
  sim_.faults().Fail("CreateServiceW", 5);
  InstallService(machine_, host_);
  EXPECT_EQ(Spy().created.size(), 0u);
  EXPECT_TRUE(LogInOrder({"[WARN] InstallService - CreateService failed, Error=5\n"}));
}

}  // namespace
