// InstallPrinterDriver64 on a simulated 64-bit Windows: the files it places, the records it
// registers, the port it settles on (the Bluetooth wait included) and each failure it reports.
#include <gtest/gtest.h>

#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/spooler_registration.h"
#include "platform/last_error.h"
#include "tests/unit/install/install_fixture.h"

namespace {

using install_test::DwordBytes;
using install_test::InstallTest;
using install_test::SzBytes;

class Registration64Test : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    ArrangeModel();
    ArrangeTarget(L"R710", L"USB001");
    ArrangePort(L"USB Monitor", L"USB001");
    ArrangePayloadFiles();
    ArrangeGpcFile(L"R710");
    ArrangeMonitorDlls(true);
  }
  bool Run() { return InstallPrinterDriver64(machine_, host_, host_.folder); }
  std::string Folder() { return sim_.codepage().ToAnsi(host_.folder); }
  const std::vector<platform::PrinterInfo2>& Added() { return machine_.spy_spooler().printers; }
};

TEST_F(Registration64Test, R710IsRegisteredWithItsDerivedFiles) {
  ASSERT_TRUE(Run());
  ASSERT_EQ(machine_.spy_spooler().drivers.size(), 1u);
  const platform::DriverInfo& driver = machine_.spy_spooler().drivers[0];
  EXPECT_EQ(driver.version, 2u);
  EXPECT_EQ(driver.name, L"R710 Driver");
  EXPECT_EQ(driver.environment, L"Windows x64");
  EXPECT_EQ(driver.driver_path, L"R710Drv.dll");
  EXPECT_EQ(driver.data_file, L"R710GPC.pcd");
  EXPECT_EQ(driver.config_file, L"R710UI.dll");

  const std::string dir = DriverDirectory();
  EXPECT_EQ(ReadA(dir + "\\R710Drv.dll"), "x64 tavrodrv.dll");
  EXPECT_EQ(ReadA(dir + "\\R710UI.dll"), "x64 tavroui.dll");
  EXPECT_EQ(ReadA(dir + "\\R710_tavromon.exe"), "x64 tavromon.exe");
  EXPECT_EQ(ReadA(dir + "\\R710_tavropop.exe"), "x64 tavropop.exe");
  EXPECT_EQ(ReadA(dir + "\\3\\R710_tavromon.exe"), "x64 tavromon.exe");
  EXPECT_EQ(ReadA(dir + "\\3\\R710_tavropop.exe"), "x64 tavropop.exe");
  // Both variants of the four driver files leave the install folder.
  for (const char* file : {"tavroui.dll", "tavrodrv.dll", "tavromon.exe", "tavropop.exe"}) {
    EXPECT_FALSE(Exists(Folder() + "\\" + file)) << file;
    EXPECT_FALSE(Exists(Folder() + "\\" + file + ".x64")) << file;
  }
}

TEST_F(Registration64Test, MonitorDllsGoToTheNativeSystemDirectory) {
  ASSERT_TRUE(Run());
  EXPECT_EQ(sim_.files().FileBytes(L"C:\\Windows\\System32\\TavroPrintMon.dll"), "monitor");
  EXPECT_EQ(sim_.files().FileBytes(L"C:\\Windows\\System32\\TavroPrintMonUI.dll"), "monitor ui");
  EXPECT_EQ(sim_.files().Kind(L"C:\\Windows\\SysWOW64\\TavroPrintMon.dll"), platform::PathKind::kMissing);
  EXPECT_FALSE(Exists(Folder() + "\\tavrolm.dll.x64"));
  EXPECT_FALSE(Exists(Folder() + "\\tavrolmui.dll.x64"));
  // Redirection is back on for the rest of the worker's calls.
  EXPECT_EQ(sim_.faults().Calls("Wow64DisableWow64FsRedirection"), sim_.faults().Calls("Wow64RevertWow64FsRedirection"));
}

TEST_F(Registration64Test, WithRedirectionStillOnTheDllsLandInSysWow64AndTheLogSaysSo) {
  sim_.faults().Fail("Wow64DisableWow64FsRedirection", 1);
  ASSERT_TRUE(Run());
  EXPECT_EQ(sim_.files().Kind(L"C:\\Windows\\SysWOW64\\TavroPrintMon.dll"), platform::PathKind::kFile);
  EXPECT_TRUE(LogInOrder({"[WARN] InstallPrinterDriver64 - Wow64DisableWow64FsRedirection failed, Error=1\n"}));
  EXPECT_EQ(sim_.faults().Calls("Wow64RevertWow64FsRedirection"), 0);
}

TEST_F(Registration64Test, ThePrinterRecordAndItsFourDataValues) {
  ASSERT_TRUE(Run());
  ASSERT_EQ(Added().size(), 1u);
  const platform::PrinterInfo2& p = Added()[0];
  EXPECT_EQ(p.printer_name, L"R710");
  EXPECT_EQ(p.share_name, L"R710");
  EXPECT_EQ(p.port_name, L"USB001");
  EXPECT_EQ(p.driver_name, L"R710 Driver");
  EXPECT_EQ(p.print_processor, L"WinPrint");
  EXPECT_EQ(p.datatype, L"RAW");
  EXPECT_EQ(p.sep_file, L"");
  EXPECT_EQ(p.parameters, L"");
  EXPECT_EQ(p.attributes, 4u);
  EXPECT_EQ(p.priority, 0u);
  EXPECT_EQ(Printers(), std::vector<std::wstring>{L"R710"});

  const auto& data = machine_.spy_spooler().data;
  ASSERT_EQ(data.size(), 4u);
  EXPECT_EQ(data[0].name, L"DevicePath");
  EXPECT_EQ(data[0].type, 1u);
  EXPECT_EQ(data[0].data, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(data[1].name, L"VidAndPid");
  EXPECT_EQ(data[1].type, 1u);
  EXPECT_EQ(data[1].data, SzBytes(L"VID_0483&PID_5740"));
  EXPECT_EQ(data[2].name, L"PrintWidth");
  EXPECT_EQ(data[2].type, 4u);
  EXPECT_EQ(data[2].data, DwordBytes(576));
  EXPECT_EQ(data[3].name, L"Language");
  EXPECT_EQ(data[3].type, 1u);
  EXPECT_EQ(data[3].data, (std::vector<uint8_t>{0x09, 0x04, 0, 0}));
  // Where the driver reads them.
  platform::RegValue language =
      Value(std::wstring(install_test::kPrintersKey) + L"\\R710\\PrinterDriverData", L"Language");
  EXPECT_EQ(language.type, 1u);
  EXPECT_EQ(language.data, (std::vector<uint8_t>{0x09, 0x04, 0, 0}));
}

TEST_F(Registration64Test, LanguageIdentifierFollowsTheChosenLanguage) {
  language_ = kLanguageSimplified;
  ASSERT_TRUE(Run());
  EXPECT_EQ(machine_.spy_spooler().data[3].data, (std::vector<uint8_t>{0x04, 0x08, 0, 0}));
}

TEST_F(Registration64Test, TraditionalChineseStores1028) {
  language_ = kLanguageTraditional;
  ASSERT_TRUE(Run());
  EXPECT_EQ(machine_.spy_spooler().data[3].data, (std::vector<uint8_t>{0x04, 0x04, 0, 0}));
}

TEST_F(Registration64Test, SuccessIsLoggedStepByStep) {
  ASSERT_TRUE(Run());
  const std::string dir = DriverDirectory();
  EXPECT_TRUE(LogInOrder({"[ENTRY] InstallPrinterDriver64 - pszDir=C:\\Program Files (x86)\\TavroPrint\\R710\n",
                          "[INFO] InstallPrinterDriver64 - Driver directory: " + dir + "\n",
                          "[INFO] InstallPrinterDriver64 - Checking if port is valid: USB001\n",
                          "[INFO] InstallPrinterDriver64 - Port is valid: USB001\n",
                          "[INFO] InstallPrinterDriver64 - Printer driver added successfully\n",
                          "[INFO] InstallPrinterDriver64 - Adding printer: Name=R710, Port=USB001, Driver=R710 Driver\n",
                          "[INFO] InstallPrinterDriver64 - Printer added successfully, hPrinter=",
                          "[INFO] InstallPrinterDriver64 - Printer data set: DevicePath=, VidAndPid=VID_0483&PID_5740, "
                          "PrintWidth=576\n",
                          "[EXIT] InstallPrinterDriver64 - Success, hPrinter="}));
}

TEST_F(Registration64Test, AnUnknownDriverDirectoryStopsBeforeAnyCopy) {
  sim_.faults().Fail("GetPrinterDriverDirectoryA", 5);
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 5u);
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver64 - GetPrinterDriverDirectoryA failed, Error=5\n"}));
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(Exists(Folder() + "\\tavrodrv.dll.x64"));
}

TEST_F(Registration64Test, ARefusedDriverIsReportedWithTheSpoolersCode) {
  for (uint32_t code : {2u, 5u, 126u, 1796u, 1805u}) {
    ArrangePayloadFiles();  // each run moves the payload's files into the driver directory
    sim_.faults().Fail("AddPrinterDriverW", code, 1);
    EXPECT_FALSE(Run()) << code;
    EXPECT_EQ(platform::LastErrorCode(), code);
    EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver64 - AddPrinterDriver failed, Error=" + std::to_string(code) + "\n"}));
  }
  EXPECT_TRUE(Added().empty());
}

TEST_F(Registration64Test, ARefusedPrinterIsReportedWithTheSpoolersCode) {
  sim_.faults().Fail("AddPrinterW", 1802);
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 1802u);
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver64 - AddPrinter failed, Error=1802\n"}));
  EXPECT_TRUE(machine_.spy_spooler().data.empty());
}

TEST_F(Registration64Test, AnUnknownPortWithNothingSelectedStaysAsItWas) {
  ArrangeTarget(L"R710", L"USB009");
  Run();
  ASSERT_EQ(Added().size(), 1u);
  EXPECT_EQ(Added()[0].port_name, L"USB009");
  EXPECT_STREQ(InstallTarget.PortName, L"USB009");
  EXPECT_EQ(LogText().find("User selected port"), std::string::npos);
}

TEST_F(Registration64Test, AnUnknownPortGivesWayToTheSelectedOne) {
  ArrangeTarget(L"R710", L"USB009");
  host_.selected_port = L"USB001";
  ASSERT_TRUE(Run());
  EXPECT_EQ(Added()[0].port_name, L"USB001");
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver64 - IsPortValid failed, User selected port: USB001\n"}));
}

class Bluetooth64Test : public Registration64Test {
 protected:
  void SetUp() override {
    Registration64Test::SetUp();
    ArrangeTarget(L"R710", L"COM7:");
    host_.bluetooth = true;
    host_.selected_port = L"USB001";  // never used for a Bluetooth port
  }
};

TEST_F(Bluetooth64Test, ThePortAddedOnLocalPortIsSeenAtTheFirstRetry) {
  ASSERT_TRUE(Run());
  ASSERT_EQ(machine_.spy_spooler().port_adds.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().port_adds[0].monitor, L"Local Port");
  EXPECT_EQ(machine_.spy_spooler().port_adds[0].port, L"COM7:");
  EXPECT_EQ(machine_.hook_clock().sleeps, std::vector<uint32_t>{200});
  EXPECT_EQ(Added()[0].port_name, L"COM7:");
  EXPECT_TRUE(LogInOrder(
      {"[WARN] InstallPrinterDriver64 - Bluetooth virtual port COM7: is not visible via EnumPorts yet, keep using it\n",
       "[INFO] InstallPrinterDriver64 - Bluetooth port COM7: registered via AddPortEx(Local Port)\n",
       "[INFO] InstallPrinterDriver64 - Bluetooth port became valid after retry 1\n"}));
}

TEST_F(Bluetooth64Test, APortThatAppearsLaterIsSeenAtTheSecondRetry) {
  sim_.faults().Fail("AddPortExW", 5, 1);
  machine_.hook_clock().after_sleep = [this](int n) {
    if (n == 2) ArrangePort(L"Local Port", L"COM7:");
  };
  ASSERT_TRUE(Run());
  EXPECT_EQ(machine_.hook_clock().sleeps, (std::vector<uint32_t>{200, 200}));
  EXPECT_TRUE(LogInOrder({"[WARN] InstallPrinterDriver64 - AddPortEx(Local Port) failed for COM7:, Error=5\n",
                          "[INFO] InstallPrinterDriver64 - Bluetooth port became valid after retry 2\n"}));
}

TEST_F(Bluetooth64Test, APortThatNeverAppearsIsUsedAfterThreeWaits) {
  sim_.faults().Fail("AddPortExW", 5);
  Run();
  EXPECT_EQ(machine_.hook_clock().sleeps, (std::vector<uint32_t>{200, 200, 200}));
  EXPECT_EQ(LogText().find("became valid"), std::string::npos);
  ASSERT_EQ(Added().size(), 1u);
  EXPECT_EQ(Added()[0].port_name, L"COM7:");
}

TEST_F(Registration64Test, AValidPortNeedsNoWait) {
  host_.bluetooth = true;
  ASSERT_TRUE(Run());
  EXPECT_TRUE(machine_.hook_clock().sleeps.empty());
  EXPECT_TRUE(machine_.spy_spooler().port_adds.empty());
}

// A printer of the same name appeared since the install command chose the name.
TEST_F(Registration64Test, AConflictAtRegistrationGetsTheNextFreeName) {
  ArrangePrinter(L"R710");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Added()[0].printer_name, L"R710 (copy 1)");
  EXPECT_EQ(Added()[0].share_name, L"R710 (copy 1)");
  // The name the printer was added under is the one every later step uses.
  EXPECT_STREQ(InstallTarget.PrinterName, L"R710 (copy 1)");
  EXPECT_TRUE(HasValue(std::wstring(install_test::kPrintersKey) + L"\\R710 (copy 1)\\PrinterDriverData", L"VidAndPid"));
}

TEST_F(Registration64Test, APrinterWhoseNameDiffersOnlyInCaseIsAConflict) {
  ArrangePrinter(L"r710");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Added()[0].printer_name, L"R710 (copy 1)");
  EXPECT_STREQ(InstallTarget.PrinterName, L"R710 (copy 1)");
  // The other printer keeps its port and driver.
  const std::wstring other = std::wstring(install_test::kPrintersKey) + L"\\r710";
  EXPECT_EQ(Value(other, L"Port").AsString(), L"LPT1:");
  EXPECT_EQ(Value(other, L"Printer Driver").AsString(), L"Old Driver");
}

TEST_F(Registration64Test, AFailedRegistrationLeavesTheChosenName) {
  ArrangePrinter(L"R710");
  sim_.faults().Fail("AddPrinterW", 5);
  EXPECT_FALSE(Run());
  EXPECT_STREQ(InstallTarget.PrinterName, L"R710");
}

// The driver and its files: asked for "Windows x64" by name, so the bare names registered for
// that environment are found where the spooler looks.
TEST_F(Registration64Test, TheX64DriverDirectoryIsAskedForByName) {
  ASSERT_TRUE(Run());
  EXPECT_NE(DriverDirectory(), sim_.codepage().ToAnsi(DriverDirectoryOf(L"")));
  EXPECT_TRUE(Exists(DriverDirectory() + "\\R710Drv.dll"));
  EXPECT_FALSE(Exists(sim_.codepage().ToAnsi(DriverDirectoryOf(L"")) + "\\R710Drv.dll"));
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver64 - Driver directory: " + DriverDirectory() + "\n"}));
}

TEST_F(Registration64Test, AMissingDriverFileFailsWithItsCodeBeforeAnyRegistration) {
  sim_.files().Remove(host_.folder + L"\\tavrodrv.dll.x64");
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(Added().empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver64 - CopyFile failed, Error=2, Src=" + Folder() +
                              "\\tavrodrv.dll.x64, Dest=" + DriverDirectory() + "\\R710Drv.dll\n",
                          "[ERROR] InstallPrinterDriver64 - Driver files not placed, Error=2\n"}));
}

TEST_F(Registration64Test, EachFailedCopyIsLoggedAndTheFirstCodeIsReported) {
  sim_.files().Remove(host_.folder + L"\\tavropop.exe.x64");
  sim_.files().MakeFolders(DriverDirectoryOf(L"Windows x64") + L"\\R710UI.dll");
  EXPECT_FALSE(Run());
  const std::string log = LogText();
  // The popup's copy into "3" comes first and fails with 2; the folder in the way fails later.
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_NE(log.find("Dest=" + DriverDirectory() + "\\3\\R710_tavropop.exe\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Dest=" + DriverDirectory() + "\\R710UI.dll\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Dest=" + DriverDirectory() + "\\R710_tavropop.exe\n"), std::string::npos) << log;
}

// The payload of this build holds no image DLL and no monitor DLLs: their absence is no failure.
TEST_F(Registration64Test, OptionalFilesThePayloadLacksStaySilent) {
  sim_.files().Remove(host_.folder + L"\\tavrolm.dll.x64");
  sim_.files().Remove(host_.folder + L"\\tavrolmui.dll.x64");
  ASSERT_TRUE(Run());
  EXPECT_EQ(LogText().find("CopyFile failed"), std::string::npos);
}

TEST_F(Registration64Test, AnOptionalFileThatCannotBePlacedIsAWarningOnly) {
  sim_.files().MakeFolders(L"C:\\Windows\\System32\\TavroPrintMon.dll");
  ASSERT_TRUE(Run());
  EXPECT_TRUE(LogInOrder({"[WARN] InstallPrinterDriver64 - CopyFile failed, Error="}));
  EXPECT_EQ(LogText().find("[ERROR]"), std::string::npos);
}

TEST_F(Registration64Test, AnUnlistablePrinterSetKeepsTheName) {
  sim_.faults().Fail("EnumPrintersW", 1722);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Added()[0].printer_name, L"R710");
}

}  // namespace
