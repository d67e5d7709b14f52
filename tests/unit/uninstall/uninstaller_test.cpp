// The uninstaller on the simulated machine: what it removes of its installation and what it
// leaves to others, the user's answer, a second run, failing steps and files in use.
#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "install/install_texts.h"
#include "log/log.h"
#include "platform/registry.h"
#include "tests/unit/uninstall/uninstall_fixture.h"

namespace {

using uninstall_test::UninstallTest;
const platform::RegView k64 = platform::RegView::k64;
const platform::RegView kOwn = platform::RegView::kDefault;
const wchar_t kService[] = L"Mavrin Service";

class UninstallerTest : public UninstallTest {
 protected:
  std::wstring DriverDir() { return DriverDirectoryOf(L"Windows x64"); }
  bool ServiceExists() {
    return KeyExists(std::wstring(L"SYSTEM\\CurrentControlSet\\Services\\") + kService, k64);
  }
};

TEST_F(UninstallerTest, RemovesEverythingItsInstallationMade) {
  Install(L"R710");
  ASSERT_TRUE(PrinterListed(L"R710"));
  ASSERT_TRUE(ServiceExists());
  ASSERT_EQ(sim_.files().FileBytes(DriverDir() + L"\\R710Drv.dll"), "x64 drv");

  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_FALSE(PrinterListed(L"R710"));
  EXPECT_FALSE(DriverRegistered(L"R710 Driver", L"Windows x64"));
  for (const wchar_t* file : {L"R710Drv.dll", L"R710UI.dll", L"R710_tavromon.exe", L"R710_tavropop.exe", L"R710GPC.pcd"}) {
    EXPECT_EQ(sim_.files().Kind(DriverDir() + L"\\" + file), platform::PathKind::kMissing) << testing::PrintToString(file);
  }
  EXPECT_FALSE(KeyExists(L"SOFTWARE\\R710", k64));
  EXPECT_FALSE(KeyExists(EntryKey(L"R710"), kOwn));
  EXPECT_FALSE(ServiceExists());
  EXPECT_EQ(sim_.files().Kind(Folder(L"R710")), platform::PathKind::kMissing);
  EXPECT_TRUE(sim_.files().PendingRemovals().empty());
  // Quiet: no window at all.
  EXPECT_TRUE(ui_.asked.empty());
  EXPECT_TRUE(ui_.told.empty());
  // Each step in the uninstaller's own log.
  EXPECT_TRUE(LogInOrder({"[ENTRY] RunUninstaller - Folder=C:\\Program Files (x86)\\TavroPrint\\R710",
                          "[EXIT] DeletePrinter - done", "[EXIT] DeletePrinterDriver - done",
                          "[EXIT] DeleteDriverFiles - done", "[EXIT] DeleteService - done",
                          "[EXIT] DeleteProductKey - done", "[EXIT] DeleteUninstallEntry - done",
                          "[EXIT] DeleteInstallFolder - done", "[EXIT] RunUninstaller - Result=0"}))
      << LogText();
  char path[512] = {};
  ASSERT_EQ(GetLogFilePath(path, sizeof(path)), 0);
  EXPECT_NE(std::string(path).find("\\TavroPrintUninstall_"), std::string::npos) << path;
}

TEST_F(UninstallerTest, ASecondRunFindsNothingAndTheUserHearsSo) {
  Install(L"R710");
  ASSERT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_EQ(Uninstall(L"R710"), kUninstallNothingLeft);
  EXPECT_EQ(Uninstall(L"R710", false), kUninstallNothingLeft);
  ASSERT_EQ(ui_.told.size(), 1u);
  EXPECT_EQ(ui_.told[0], L"TavroPrint Uninstall|This printer is no longer installed.");
}

TEST_F(UninstallerTest, TheUserSayingNoKeepsEverythingAndTheQuestionSpeaksTheirLanguage) {
  language_ = kLanguageSimplified;
  Install(L"R710");
  ui_.yes = false;
  EXPECT_EQ(Uninstall(L"R710", false), kUninstallUserSaidNo);
  ASSERT_EQ(ui_.asked.size(), 1u);
  EXPECT_EQ(ui_.asked[0], L"TavroPrint 卸载|要从此计算机删除打印机“R710”及其驱动程序吗？");
  EXPECT_TRUE(ui_.told.empty());
  EXPECT_TRUE(PrinterListed(L"R710"));
  EXPECT_TRUE(KeyExists(EntryKey(L"R710"), kOwn));
  EXPECT_TRUE(ServiceExists());

  ui_.yes = true;
  EXPECT_EQ(Uninstall(L"R710", false), kUninstallRemoved);
  ASSERT_EQ(ui_.told.size(), 1u);
  EXPECT_EQ(ui_.told[0], L"TavroPrint 卸载|打印机“R710”已删除。");
}

TEST_F(UninstallerTest, EnglishIsAskedUnlessTheInstallationWasChinese) {
  language_ = kLanguageTraditional;  // recorded as "English"
  Install(L"R710");
  ui_.yes = false;
  EXPECT_EQ(Uninstall(L"R710", false), kUninstallUserSaidNo);
  ASSERT_EQ(ui_.asked.size(), 1u);
  EXPECT_EQ(ui_.asked[0], L"TavroPrint Uninstall|Remove the printer \"R710\" and its driver from this computer?");
}

TEST_F(UninstallerTest, ASecondInstallationKeepsItsPartsAndTheServiceUntilItGoesToo) {
  Install(L"R710");
  Install(L"R710 (copy 1)");
  ASSERT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_FALSE(PrinterListed(L"R710"));
  EXPECT_TRUE(PrinterListed(L"R710 (copy 1)"));
  EXPECT_TRUE(DriverRegistered(L"R710 (copy 1) Driver", L"Windows x64"));
  EXPECT_EQ(sim_.files().FileBytes(DriverDir() + L"\\R710 (copy 1)Drv.dll"), "x64 drv");
  EXPECT_TRUE(KeyExists(L"SOFTWARE\\R710 (copy 1)", k64));
  EXPECT_TRUE(KeyExists(EntryKey(L"R710 (copy 1)"), kOwn));
  EXPECT_EQ(sim_.files().Kind(Folder(L"R710 (copy 1)")), platform::PathKind::kDirectory);
  EXPECT_TRUE(ServiceExists());
  // The service ran from the folder that went: it now runs the remaining installation's copy.
  std::wstring image;
  ASSERT_TRUE(sim_.services().BinaryPath(kService, &image));
  EXPECT_EQ(image, L"\"" + Folder(L"R710 (copy 1)") + L"\\TavroPrinterService.exe\"");
  EXPECT_TRUE(sim_.services().Running(kService));
  EXPECT_TRUE(LogInOrder({"[INFO] DeleteService - Mavrin Service is kept for 1 other installation(s)",
                          "[INFO] DeleteService - Mavrin Service now runs C:\\Program Files (x86)\\TavroPrint\\R710 "
                          "(copy 1)\\TavroPrinterService.exe"}))
      << LogText();

  EXPECT_EQ(Uninstall(L"R710 (copy 1)"), kUninstallRemoved);
  EXPECT_FALSE(ServiceExists());
  EXPECT_FALSE(sim_.services().Running(kService));
}

// A service that runs from a folder that stays is left as it is; one whose move fails fails the
// removal and says so.
TEST_F(UninstallerTest, TheServiceMovesOnlyFromTheFolderThatGoes) {
  Install(L"R710");
  Install(L"R710 (copy 1)");
  ASSERT_EQ(Uninstall(L"R710 (copy 1)"), kUninstallRemoved);
  std::wstring image;
  ASSERT_TRUE(sim_.services().BinaryPath(kService, &image));
  EXPECT_EQ(image, L"\"" + Folder(L"R710") + L"\\TavroPrinterService.exe\"");

  Install(L"R710 (copy 2)");
  sim_.faults().Fail("ChangeServiceConfigW", 5, 1);
  EXPECT_EQ(Uninstall(L"R710"), kUninstallStepFailed);
  EXPECT_TRUE(LogInOrder({"[ERROR] DeleteService - Moving Mavrin Service to C:\\Program Files (x86)\\TavroPrint\\R710 "
                          "(copy 2)\\TavroPrinterService.exe failed, Error=5"}))
      << LogText();
}

TEST_F(UninstallerTest, AProductKeyRewrittenByALaterInstallationStaysWithIt) {
  Install(L"R710");
  // A later installation of the same stem wrote the key for its printer.
  sim_.registry().Put(platform::Hive::kLocalMachine, L"SOFTWARE\\R710", L"PrinterName", k64,
                      platform::RegValue::Sz(L"R710 (copy 1)"));
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_TRUE(KeyExists(L"SOFTWARE\\R710", k64));
  EXPECT_TRUE(LogInOrder({"[INFO] DeleteProductKey - SOFTWARE\\R710 is kept: it names the printer R710 (copy 1)"}));
}

TEST_F(UninstallerTest, APrinterWithJobsIsPurgedAndRemoved) {
  Install(L"R710");
  sim_.spooler().QueueJobs(L"R710", 4);
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_FALSE(PrinterListed(L"R710"));
  EXPECT_FALSE(DriverRegistered(L"R710 Driver", L"Windows x64"));
}

TEST_F(UninstallerTest, APrinterThatKeepsItsJobsHoldsTheDriverAndFailsTheRemoval) {
  Install(L"R710");
  sim_.spooler().QueueJobs(L"R710", 1);
  sim_.faults().Fail("SetPrinterW", 5);  // the purge is refused
  EXPECT_EQ(Uninstall(L"R710"), kUninstallStepFailed);
  EXPECT_TRUE(DriverRegistered(L"R710 Driver", L"Windows x64"));
  // The driver's files stay with it; the rest goes.
  EXPECT_EQ(sim_.files().FileBytes(DriverDir() + L"\\R710Drv.dll"), "x64 drv");
  EXPECT_FALSE(KeyExists(EntryKey(L"R710"), kOwn));
  EXPECT_TRUE(LogInOrder({"[WARN] DeletePrinter - Purging the jobs failed, Error=5",
                          "[ERROR] DeletePrinter - R710 waits for 1 job(s) before it goes",
                          "[ERROR] RunUninstallSteps - Step DeletePrinter failed",
                          "[INFO] DeleteDriver - R710 Driver is kept: the printer R710 uses it",
                          "[EXIT] RunUninstaller - Result=1603"}))
      << LogText();
}

TEST_F(UninstallerTest, ADriverAnotherPrinterUsesStaysWithItsFiles) {
  Install(L"R710");
  platform::PrinterInfo2 other;
  other.printer_name = L"Shared R710";
  other.port_name = L"LPT1:";
  other.driver_name = L"R710 Driver";
  ASSERT_NE(sim_.spooler().AddPrinter(other), nullptr);
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_FALSE(PrinterListed(L"R710"));
  EXPECT_TRUE(PrinterListed(L"Shared R710"));
  EXPECT_TRUE(DriverRegistered(L"R710 Driver", L"Windows x64"));
  EXPECT_EQ(sim_.files().FileBytes(DriverDir() + L"\\R710Drv.dll"), "x64 drv");
  EXPECT_TRUE(LogInOrder({"[INFO] DeleteDriver - R710 Driver is kept: the printer Shared R710 uses it"}));
}

TEST_F(UninstallerTest, AFailingStepIsLoggedAndTheOthersStillRun) {
  Install(L"R710");
  sim_.faults().Fail("DeletePrinterDriverExW", 1722);
  EXPECT_EQ(Uninstall(L"R710", false), kUninstallStepFailed);
  EXPECT_FALSE(PrinterListed(L"R710"));
  EXPECT_FALSE(KeyExists(L"SOFTWARE\\R710", k64));
  EXPECT_FALSE(KeyExists(EntryKey(L"R710"), kOwn));
  EXPECT_TRUE(LogInOrder({"[ERROR] DeleteDriver - DeletePrinterDriverEx R710 Driver (Windows x64) failed, Error=1722",
                          "[ERROR] RunUninstallSteps - Step DeletePrinterDriver failed"}))
      << LogText();
  ASSERT_EQ(ui_.told_error.size(), 1u);
  EXPECT_TRUE(ui_.told_error[0]);
}

TEST_F(UninstallerTest, ASpoolerThatRefusesTheDeletionFlagsDeletesTheDriverWithout) {
  Install(L"R710");
  sim_.faults().Fail("DeletePrinterDriverExW", 87, 1);  // as Wine answers any flag
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_FALSE(DriverRegistered(L"R710 Driver", L"Windows x64"));
  EXPECT_EQ(sim_.files().Kind(DriverDir() + L"\\R710Drv.dll"), platform::PathKind::kMissing);
  EXPECT_TRUE(LogInOrder({"[WARN] DeleteDriver - The spooler refuses the flags, deleting without them"}));
}

TEST_F(UninstallerTest, TheRunningUninstallerGoesAtTheNextRestartWithoutAskingForOne) {
  Install(L"R710");
  const std::wstring program = Folder(L"R710") + L"\\Uninstaller.exe";
  sim_.files().SetHeldOpen(program, true);  // the running uninstaller itself
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_EQ(sim_.files().PendingRemovals(), (std::vector<std::wstring>{program, Folder(L"R710")}));
  EXPECT_EQ(sim_.files().Kind(Folder(L"R710") + L"\\Modules.json"), platform::PathKind::kMissing);
  sim_.files().Restart();
  EXPECT_EQ(sim_.files().Kind(Folder(L"R710")), platform::PathKind::kMissing);
}

TEST_F(UninstallerTest, AnotherFileInUseAsksForARestart) {
  Install(L"R710");
  const std::wstring held = Folder(L"R710") + L"\\TavroPrinterService.exe";
  sim_.files().SetHeldOpen(held, true);
  EXPECT_EQ(Uninstall(L"R710", false), kUninstallRestartNeeded);
  EXPECT_EQ(sim_.files().PendingRemovals(), (std::vector<std::wstring>{held, Folder(L"R710")}));
  EXPECT_TRUE(LogInOrder({"[WARN] DeleteInstallFolder - " + std::string("C:\\Program Files (x86)\\TavroPrint\\R710\\") +
                          "TavroPrinterService.exe is in use (Error=32), removed at the next restart"}))
      << LogText();
  ASSERT_EQ(ui_.told.size(), 1u);
  EXPECT_NE(ui_.told[0].find(L"when the computer restarts"), std::wstring::npos);
  sim_.files().Restart();
  EXPECT_EQ(sim_.files().Kind(Folder(L"R710")), platform::PathKind::kMissing);
}

TEST_F(UninstallerTest, ALinkInTheFolderGoesWithoutWhatItNames) {
  Install(L"R710");
  sim_.files().PutFile(L"C:\\Keep\\precious.txt", "keep");
  sim_.files().MakeJunction(Folder(L"R710") + L"\\docs", L"C:\\Keep");
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  EXPECT_EQ(sim_.files().FileBytes(L"C:\\Keep\\precious.txt"), "keep");
  EXPECT_EQ(sim_.files().Kind(Folder(L"R710")), platform::PathKind::kMissing);
}

TEST_F(UninstallerTest, RefusedValuesAreNotActedOn) {
  Install(L"R710");
  const std::wstring victim = sim_.system().WindowsPath() + L"\\system32\\kernel32.dll";
  sim_.files().PutFile(victim, "system");
  sim_.registry().Put(platform::Hive::kLocalMachine, EntryKey(L"R710"), L"TavroDriverFiles", kOwn,
                      platform::RegValue::Sz(L"..\\..\\..\\kernel32.dll;R710Drv.dll"));
  EXPECT_EQ(Uninstall(L"R710"), kUninstallStepFailed);
  EXPECT_EQ(sim_.files().FileBytes(victim), "system");
  EXPECT_EQ(sim_.files().Kind(DriverDir() + L"\\R710Drv.dll"), platform::PathKind::kMissing);
  EXPECT_TRUE(LogInOrder({"[ERROR] FindInstallation - Refused TavroDriverFiles=..\\..\\..\\kernel32.dll"})) << LogText();
}

TEST_F(UninstallerTest, AnotherFoldersUninstallerFindsNothing) {
  Install(L"R710");
  sim_.files().MakeFolders(L"C:\\Elsewhere");
  EXPECT_EQ(RunUninstaller(machine_, L"C:\\Elsewhere", L"C:\\Elsewhere\\Uninstaller.exe", true, ui_),
            kUninstallNothingLeft);
  EXPECT_TRUE(PrinterListed(L"R710"));
}

TEST_F(UninstallerTest, TheBluetoothRecordOfItsPortGoes) {
  ArrangePort(L"Local Port", L"COM7:");
  sim_.registry().Put(platform::Hive::kLocalMachine, L"SOFTWARE\\TavroPrint\\BluetoothPorts", L"COM7:", k64,
                      platform::RegValue::Sz(L"AA:BB:CC:DD:EE:FF"));
  Install(L"R710", L"COM7:");
  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  platform::RegValue value;
  EXPECT_FALSE(sim_.registry().Get(platform::Hive::kLocalMachine, L"SOFTWARE\\TavroPrint\\BluetoothPorts", L"COM7:", k64,
                                   &value));
}

TEST_F(UninstallerTest, QuietIsAnArgumentNotThePath) {
  EXPECT_TRUE(QuietRequested(L"\"C:\\Program Files (x86)\\TavroPrint\\R710\\Uninstaller.exe\" /quiet"));
  EXPECT_TRUE(QuietRequested(L"Uninstaller.exe /QUIET"));
  EXPECT_FALSE(QuietRequested(L"\"C:\\a /quiet\\Uninstaller.exe\""));
  EXPECT_FALSE(QuietRequested(L"\"C:\\x\\Uninstaller.exe\" /quieter"));
}

class Uninstaller32Test : public UninstallerTest {
 protected:
  void SetUp() override {
    UninstallerTest::SetUp();
    sim_.MakeX86Windows();
    sim_.files().MakeFolders(DriverDirectoryOf(L"") + L"\\3");
    host_.payload.push_back({L"tavrolm.dll", "monitor"});
    host_.payload.push_back({L"tavrolmui.dll", "monitor ui"});
  }
  bool MonitorInstalled() { return KeyExists(std::wstring(install_test::kMonitorsKey) + L"\\USB Printer Monitor", k64); }
};

TEST_F(Uninstaller32Test, TheOwnPortGoesAndTheMonitorWithTheLastPort) {
  Install(L"R710");
  Install(L"R80");
  ASSERT_TRUE(MonitorInstalled());
  std::vector<std::wstring> ports = Ports();
  ASSERT_NE(std::find(ports.begin(), ports.end(), L"R710-Port:"), ports.end());

  EXPECT_EQ(Uninstall(L"R710"), kUninstallRemoved);
  ports = Ports();
  EXPECT_EQ(std::find(ports.begin(), ports.end(), L"R710-Port:"), ports.end());
  EXPECT_NE(std::find(ports.begin(), ports.end(), L"R80-Port:"), ports.end());
  EXPECT_TRUE(MonitorInstalled());
  EXPECT_FALSE(DriverRegistered(L"R710 Driver", L"Windows NT x86"));

  EXPECT_EQ(Uninstall(L"R80"), kUninstallRemoved);
  EXPECT_FALSE(MonitorInstalled());
}

}  // namespace
