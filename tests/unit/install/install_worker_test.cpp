// The worker from start to the posted message: extraction, the GPC file, the choice of the
// registration path, the default printer, the uninstall registration and the outcome's code.
#include "install/install_worker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/gpc_file.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/text_fit.h"
#include "platform/last_error.h"
#include "tests/unit/install/install_fixture.h"
#include "text/fixed_field.h"

namespace {

using install_test::InstallTest;

class WorkerTest : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    ArrangeModel();
    ArrangeTarget(L"R710", L"USB001");
    InstallTarget.MonitorName[0] = L'\0';  // the install command leaves it to the engine
    ArrangePort(L"USB Monitor", L"USB001");
    host_.payload = {{L"tavrodrv.dll", "x86 drv"},      {L"tavrodrv.dll.x64", "x64 drv"},
                     {L"tavroui.dll", "x86 ui"},        {L"tavroui.dll.x64", "x64 ui"},
                     {L"tavromon.exe", "x86 mon"},      {L"tavromon.exe.x64", "x64 mon"},
                     {L"tavropop.exe", "x86 pop"},      {L"tavropop.exe.x64", "x64 pop"},
                     {L"InstallConfig.txt", "texts"},   {L"logo.bmp", "BM"},
                     {L"Modules.json", "[]"}};
    CopyToFieldAtBoundary(PaperTable[0].name, kPaperNameChars, L"Custom(80mm x 40mm)");
    PaperTable[0].width = 800;
    PaperTable[0].height = 400;
  }
  void RunWorker() { EXPECT_EQ(RetractFileThread(machine_, host_), 0u); }
  // Beside the driver files: the x64 driver directory on this 64-bit Windows.
  std::wstring GpcPath(const std::wstring& stem = L"R710") { return DriverDirectoryOf(L"Windows x64") + L"\\" + stem + L"GPC.pcd"; }
  const std::vector<install_test::FakeHost::Posted>& Posted() { return host_.posted; }
};

TEST_F(WorkerTest, ASuccessfulInstallationPostsSuccessOnce) {
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_TRUE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 0u);
  EXPECT_EQ(host_.extract_calls, 1);
  EXPECT_EQ(Printers(), std::vector<std::wstring>{L"R710"});
  EXPECT_TRUE(LogInOrder({"[ENTRY] RetractFileThread - lpVoid=",
                          "[INFO] RetractFileThread - Install folder: C:\\Program Files (x86)\\TavroPrint\\R710\n",
                          "[INFO] RetractFileThread - Loading files from embedded data\n",
                          "[INFO] RetractFileThread - Starting printer driver installation\n",
                          "[INFO] InstallPrinterDriver - Black/White printing only (IsSupperMultiColor=0, "
                          "nIsOpenMultiColor=0)\n",
                          "[ENTRY] InstallPrinterDriver64", "[EXIT] InstallPrinterDriver64 - Success",
                          "[INFO] RetractFileThread - Printer driver installed successfully\n",
                          "[INFO] RetractFileThread - Service installed\n", "[EXIT] RetractFileThread - Success\n"}));
}

TEST_F(WorkerTest, TheConfigurationFilesLeaveTheInstallFolder) {
  RunWorker();
  EXPECT_EQ(sim_.files().Kind(host_.folder + L"\\InstallConfig.txt"), platform::PathKind::kMissing);
  EXPECT_EQ(sim_.files().Kind(host_.folder + L"\\logo.bmp"), platform::PathKind::kMissing);
  EXPECT_EQ(sim_.files().Kind(host_.folder + L"\\Modules.json"), platform::PathKind::kFile);
}

TEST_F(WorkerTest, PayloadReadFromTheExecutableIsLoggedAsSuch) {
  host_.payload_in_memory = false;
  RunWorker();
  EXPECT_EQ(host_.extract_calls, 1);
  EXPECT_TRUE(LogInOrder({"[INFO] RetractFileThread - Retracting files from executable\n"}));
}

TEST_F(WorkerTest, StatusTextFollowsTheLanguage) {
  RunWorker();
  language_ = kLanguageSimplified;
  RunWorker();
  language_ = kLanguageTraditional;
  RunWorker();
  EXPECT_EQ(host_.status_texts,
            (std::vector<std::wstring>{
                L"Installing Printer Driver, Please wait...",
                L"\u6b63\u5728\u5b89\u88c5\u6253\u5370\u673a\u9a71\u52a8\uff0c\u8bf7\u7a0d\u5019...",
                L"\u6b63\u5728\u5b89\u88dd\u6253\u5370\u6a5f\u9a45\u52d5\uff0c\u8acb\u7a0d\u5019..."}));
}

TEST_F(WorkerTest, TheGpcFileIsWrittenInTheDriverDirectory) {
  PrinterInfo[0].IsSupperMultiColor = 1;
  RunWorker();
  std::string bytes;
  ASSERT_TRUE(sim_.files().GetFile(GpcPath(), &bytes));
  std::vector<uint8_t> expected = BuildGpcBytes(GpcInputFor(sim_.codepage(), PrinterInfo[0], PaperTable));
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
  EXPECT_EQ(bytes.size(), 14596u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[68]), 3);
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver - Color printing enabled (IsSupperMultiColor=1, "
                          "nIsOpenMultiColor=0)\n"}));
}

TEST_F(WorkerTest, AnExistingGpcFileIsReplaced) {
  sim_.files().PutFile(GpcPath(), std::string(20000, 'x'));
  RunWorker();
  EXPECT_EQ(sim_.files().FileBytes(GpcPath()).size(), 14596u);
}

// The GPC file is the driver's data file: registering the driver without it would name whatever
// file of that name lies in the driver directory.
TEST_F(WorkerTest, AnUncreatableGpcFileFailsTheInstallationWithItsCode) {
  sim_.faults().Fail("_wfopen", 5);
  RunWorker();
  EXPECT_EQ(sim_.files().Kind(GpcPath()), platform::PathKind::kMissing);
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 5u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(Printers().empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver - Cannot create GPC file", "Error=5\n",
                          "[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=5\n"}));
  EXPECT_EQ(LogText().find("Black/White printing only"), std::string::npos);
}

TEST_F(WorkerTest, AStaleGpcFileInTheWayFailsTheInstallation) {
  // A folder where the file belongs: it cannot be replaced.
  sim_.files().MakeFolders(GpcPath());
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_NE(Posted()[0].code, 0u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver - Cannot create GPC file"}));
}

// An x64 driver's bare file names are looked up in the x64 driver directory: the GPC file and
// the driver files go there, not into the directory this 32-bit process would be given.
TEST_F(WorkerTest, TheGpcFileAndTheDriverFilesShareTheX64DriverDirectory) {
  RunWorker();
  ASSERT_TRUE(Posted()[0].success);
  const std::wstring x64 = DriverDirectoryOf(L"Windows x64");
  const std::wstring x86 = DriverDirectoryOf(L"");
  ASSERT_NE(x64, x86);
  for (const wchar_t* file : {L"R710GPC.pcd", L"R710Drv.dll", L"R710UI.dll"}) {
    EXPECT_EQ(sim_.files().Kind(x64 + L"\\" + file), platform::PathKind::kFile) << testing::PrintToString(file);
    EXPECT_EQ(sim_.files().Kind(x86 + L"\\" + file), platform::PathKind::kMissing) << testing::PrintToString(file);
  }
}

TEST_F(WorkerTest, APayloadEntryThatCouldNotBeWrittenFailsWithItsCode) {
  host_.extract_code = 112;  // ERROR_DISK_FULL
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 112u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_EQ(machine_.spy_services().opened, 0);
  EXPECT_TRUE(LogInOrder({"[ERROR] RetractFileThread - Payload extraction failed, Error=112\n"}));
  EXPECT_EQ(LogText().find("Starting printer driver installation"), std::string::npos);
}

TEST_F(WorkerTest, ADriverFileThatCannotBePlacedFailsTheInstallationWithItsCode) {
  // The rendering DLL's place in the driver directory is taken by a folder.
  sim_.files().MakeFolders(DriverDirectoryOf(L"Windows x64") + L"\\R710Drv.dll");
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  const uint32_t code = Posted()[0].code;
  EXPECT_NE(code, 0u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(Printers().empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver64 - CopyFile failed, Error=" + std::to_string(code),
                          "R710Drv.dll\n",
                          "[ERROR] InstallPrinterDriver64 - Driver files not placed, Error=" + std::to_string(code),
                          "[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=" + std::to_string(code)}));
}

TEST_F(WorkerTest, AnUnknownDriverDirectoryFailsBeforeAnythingIsWritten) {
  sim_.faults().Fail("GetPrinterDriverDirectoryW", 5, 1);
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 5u);
  EXPECT_EQ(sim_.files().Kind(GpcPath()), platform::PathKind::kMissing);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(machine_.spy_services().created.empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver - GetPrinterDriverDirectoryW failed, Error=5\n",
                          "[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=5\n"}));
}

TEST_F(WorkerTest, ARegistrationFailureIsPostedWithItsCodeAndSkipsTheRest) {
  sim_.faults().Fail("AddPrinterDriverW", 1796);
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 1796u);
  EXPECT_TRUE(machine_.spy_spooler().defaults.empty());
  EXPECT_EQ(machine_.spy_services().opened, 0);
  EXPECT_FALSE(HasValue(L"SOFTWARE\\R710", L"PrinterName", platform::RegView::k64));
}

// A failing call that left no code must still tell the dialog that something failed.
TEST_F(WorkerTest, AFailureWithoutACodeIsReportedAs31) {
  sim_.faults().Fail("AddPrinterW", 0);
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 31u);
  EXPECT_TRUE(LogInOrder({"[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=31\n"}));
}

TEST_F(WorkerTest, TheCheckedBoxMakesTheTargetsNameTheDefault) {
  RunWorker();
  EXPECT_EQ(machine_.spy_spooler().defaults, std::vector<std::wstring>{L"R710"});
  EXPECT_EQ(host_.kept_set_default, std::vector<bool>{true});
}

TEST_F(WorkerTest, AnUncheckedBoxLeavesTheDefaultAlone) {
  host_.set_default_checked = false;
  RunWorker();
  EXPECT_TRUE(machine_.spy_spooler().defaults.empty());
  EXPECT_EQ(host_.kept_set_default, std::vector<bool>{false});
  EXPECT_TRUE(Posted()[0].success);
}

TEST_F(WorkerTest, AFailedDefaultPrinterCallChangesNothingButTheLog) {
  sim_.faults().Fail("SetDefaultPrinterW", 1801);
  RunWorker();
  EXPECT_TRUE(Posted()[0].success);
  EXPECT_TRUE(LogInOrder({"[WARN] InstallPrinterDriver - SetDefaultPrinter failed, Error=1801\n"}));
}

TEST_F(WorkerTest, NoDefaultPrinterAfterAFailedRegistration) {
  sim_.faults().Fail("AddPrinterW", 1802);
  RunWorker();
  EXPECT_TRUE(machine_.spy_spooler().defaults.empty());
  EXPECT_EQ(host_.kept_set_default, std::vector<bool>{true});
}

TEST_F(WorkerTest, SixtyFourBitWindowsTakesTheX64Path) {
  RunWorker();
  ASSERT_EQ(machine_.spy_spooler().drivers.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().drivers[0].environment, L"Windows x64");
  EXPECT_TRUE(IsWow64(machine_));
}

TEST_F(WorkerTest, ThirtyTwoBitWindowsTakesTheX86Path) {
  sim_.MakeX86Windows();
  RunWorker();
  EXPECT_FALSE(IsWow64(machine_));
  ASSERT_EQ(machine_.spy_spooler().drivers.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().drivers[0].environment, L"Windows NT x86");
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver32 - DRIVER_INFO_2:\n"}));
}

TEST_F(WorkerTest, DriverNameIsFormattedAgainFromThePrinterName) {
  CopyToFieldAtBoundary(InstallTarget.DriverName, kInstallTargetChars, L"stale");
  RunWorker();
  EXPECT_STREQ(InstallTarget.DriverName, L"R710 Driver");
  EXPECT_EQ(machine_.spy_spooler().drivers[0].name, L"R710 Driver");
}

TEST_F(WorkerTest, TheMonitorNameComesFromTheInstallerTexts) {
  Monitor = L"Tavro Port Monitor";
  RunWorker();
  EXPECT_STREQ(InstallTarget.MonitorName, L"Tavro Port Monitor");
  EXPECT_EQ(Value(L"SOFTWARE\\R710", L"MonitorName", platform::RegView::k64).AsString(), L"Tavro Port Monitor");
}

TEST_F(WorkerTest, WithoutAMonitorTextTheDefaultNameIsUsed) {
  Monitor.clear();
  RunWorker();
  EXPECT_STREQ(InstallTarget.MonitorName, L"USB Printer Monitor");
}

TEST_F(WorkerTest, TheServiceStepNeverChangesTheOutcome) {
  sim_.faults().Fail("OpenSCManagerW", 5);
  RunWorker();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_TRUE(Posted()[0].success);
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallService - OpenSCManager failed, Error=5\n",
                          "[INFO] RetractFileThread - Service installed\n"}));
}

TEST_F(WorkerTest, TheUninstallRecordFollowsASuccess) {
  RunWorker();
  EXPECT_EQ(Value(L"SOFTWARE\\R710", L"PrinterName", platform::RegView::k64).AsString(), L"R710");
  EXPECT_EQ(Value(L"SOFTWARE\\R710", L"StartMenuDir", platform::RegView::k64).data, install_test::SzBytes(L""));
  EXPECT_EQ(machine_.spy_services().created.size(), 1u);
}

// The machine afterwards, where Windows keeps each fact.
TEST_F(WorkerTest, TheMachineHoldsDriverPrinterDefaultAndService) {
  RunWorker();
  const std::wstring driver_key = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\R710 Driver";
  EXPECT_EQ(Value(driver_key, L"Data File").AsString(), L"R710GPC.pcd");
  EXPECT_EQ(Value(driver_key, L"Configuration File").AsString(), L"R710UI.dll");
  const std::wstring printer_key = std::wstring(install_test::kPrintersKey) + L"\\R710";
  EXPECT_EQ(Value(printer_key, L"Port").AsString(), L"USB001");
  EXPECT_EQ(Value(printer_key, L"Printer Driver").AsString(), L"R710 Driver");
  platform::RegValue device;
  ASSERT_TRUE(sim_.registry().QueryValue(platform::Hive::kCurrentUser,
                                         L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Device",
                                         platform::RegView::kDefault, &device));
  EXPECT_EQ(device.AsString(), L"R710,winspool,USB001");
  const std::wstring service_key = L"SYSTEM\\CurrentControlSet\\Services\\Mavrin Service";
  EXPECT_EQ(Value(service_key, L"ImagePath").AsString(),
            L"\"C:\\Program Files (x86)\\TavroPrint\\R710\\TavroPrinterService.exe\"");
  EXPECT_EQ(Value(service_key, L"Description").AsString(), L"Mavrin Printer Monitor");
  EXPECT_EQ(Value(service_key, L"Start").AsDword(), 2u);
  EXPECT_EQ(Value(service_key, L"Type").AsDword(), 0x110u);
}

// The install command chose "R710", but a printer of that name appeared before AddPrinterW: the
// printer is added as "R710 (copy 1)", and every later step names that printer, never the other.
TEST_F(WorkerTest, EveryStepAfterAddPrinterNamesThePrinterThatWasAdded) {
  ArrangePrinter(L"R710");
  RunWorker();
  ASSERT_TRUE(Posted()[0].success);
  EXPECT_STREQ(InstallTarget.PrinterName, L"R710 (copy 1)");
  EXPECT_EQ(machine_.spy_spooler().defaults, std::vector<std::wstring>{L"R710 (copy 1)"});
  const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  EXPECT_EQ(Value(uninstall + L"R710 (copy 1)", L"DisplayName").AsString(), L"R710 (copy 1)");
  EXPECT_FALSE(HasValue(uninstall + L"R710", L"DisplayName"));
  EXPECT_EQ(Value(L"SOFTWARE\\R710", L"PrinterName", platform::RegView::k64).AsString(), L"R710 (copy 1)");
  // The files keep the stem the install command gave them.
  EXPECT_EQ(sim_.files().Kind(GpcPath()), platform::PathKind::kFile);
}

// The 32-bit path carries the name on in the same way.
TEST_F(WorkerTest, OnThirtyTwoBitWindowsTooTheAddedNameIsCarriedOn) {
  sim_.MakeX86Windows();
  ArrangePrinter(L"R710");
  RunWorker();
  ASSERT_TRUE(Posted()[0].success);
  EXPECT_STREQ(InstallTarget.PrinterName, L"R710 (copy 1)");
  EXPECT_EQ(machine_.spy_spooler().defaults, std::vector<std::wstring>{L"R710 (copy 1)"});
}

// The dialog starts the worker on a thread of its own: the code it reports is the one its own
// failing call left, whatever the dialog's thread holds, and it leaves that thread's code alone.
TEST_F(WorkerTest, ReportsTheCodeItsOwnThreadLeft) {
  sim_.faults().Fail("AddPrinterDriverW", 1796);
  platform::SetLastErrorCode(platform::err::kAccessDenied);
  std::thread worker([this] { RetractFileThread(machine_, host_); });
  worker.join();
  ASSERT_EQ(Posted().size(), 1u);
  EXPECT_FALSE(Posted()[0].success);
  EXPECT_EQ(Posted()[0].code, 1796u);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kAccessDenied);
}

}  // namespace
