// InstallPrinterDriver32 on a simulated 32-bit Windows: the installer's own monitor and port for
// USB, the fallbacks to the selected port, the driver record in the log and the explained codes.
#include <gtest/gtest.h>

#include "install/install_target.h"
#include "install/monitor_port.h"
#include "install/spooler_registration.h"
#include "platform/last_error.h"
#include "tests/unit/install/install_fixture.h"

namespace {

using install_test::InstallTest;

class Registration32Test : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    sim_.MakeX86Windows();
    ArrangeModel();
    ArrangeTarget(L"R710", L"USB001");
    ArrangePort(L"USB Monitor", L"USB001");
    ArrangePayloadFiles();
    ArrangeGpcFile(L"R710");
    ArrangeMonitorDlls(false);
    host_.usb_port = true;
    ASSERT_TRUE(sim_.system().SystemDirectoryA(256, &system_dir_));
  }
  bool Run() { return InstallPrinterDriver32(machine_, host_, L"unused"); }
  std::string Folder() { return sim_.codepage().ToAnsi(host_.folder); }
  const std::vector<platform::PrinterInfo2>& Added() { return machine_.spy_spooler().printers; }

  std::string system_dir_;
};

TEST_F(Registration32Test, UsbPrinterGetsItsOwnPortOnTheInstallersMonitor) {
  ASSERT_TRUE(Run());
  ASSERT_EQ(machine_.spy_spooler().monitors.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().monitors[0].name, L"USB Printer Monitor");
  EXPECT_EQ(machine_.spy_spooler().monitors[0].environment, L"Windows NT x86");
  EXPECT_EQ(machine_.spy_spooler().monitors[0].dll, L"TavroPrintMon.dll");
  ASSERT_EQ(machine_.spy_spooler().port_adds.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().port_adds[0].monitor, L"USB Printer Monitor");
  EXPECT_EQ(machine_.spy_spooler().port_adds[0].port, L"R710-Port:");
  EXPECT_STREQ(InstallTarget.PortName, L"R710-Port:");
  EXPECT_TRUE(IsPortValid(machine_, L"R710-Port:"));
  ASSERT_EQ(Added().size(), 1u);
  EXPECT_EQ(Added()[0].port_name, L"R710-Port:");
  EXPECT_EQ(Printers(), std::vector<std::wstring>{L"R710"});
  ASSERT_EQ(machine_.spy_spooler().drivers.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().drivers[0].environment, L"Windows NT x86");
  EXPECT_EQ(machine_.spy_spooler().data.size(), 4u);
}

TEST_F(Registration32Test, ThirtyTwoBitFilesAreCopiedAndTheX64OnesStay) {
  ASSERT_TRUE(Run());
  const std::string dir = DriverDirectory();
  EXPECT_EQ(ReadA(dir + "\\R710Drv.dll"), "x86 tavrodrv.dll");
  EXPECT_EQ(ReadA(dir + "\\R710UI.dll"), "x86 tavroui.dll");
  EXPECT_EQ(ReadA(dir + "\\R710_tavromon.exe"), "x86 tavromon.exe");
  EXPECT_EQ(ReadA(dir + "\\3\\R710_tavropop.exe"), "x86 tavropop.exe");
  EXPECT_EQ(ReadA(system_dir_ + "\\TavroPrintMon.dll"), "monitor");
  EXPECT_EQ(ReadA(system_dir_ + "\\TavroPrintMonUI.dll"), "monitor ui");
  for (const char* file : {"tavroui.dll", "tavrodrv.dll", "tavromon.exe", "tavropop.exe", "tavrolm.dll"}) {
    EXPECT_FALSE(Exists(Folder() + "\\" + file)) << file;
  }
  EXPECT_TRUE(Exists(Folder() + "\\tavrodrv.dll.x64"));
}

TEST_F(Registration32Test, TheLogFollowsEachStepAndTheDriverRecordFieldByField) {
  ASSERT_TRUE(Run());
  const std::string from = Folder() + "\\tavrolm.dll";
  const std::string to = system_dir_ + "\\TavroPrintMon.dll";
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver32 - System directory: " + system_dir_ + "\n",
                          "[INFO] InstallPrinterDriver32 - Printer name (ANSI): R710\n",
                          "[INFO] InstallPrinterDriver32 - Copying monitor DLL from " + from + " to " + to + "\n",
                          "[INFO] InstallPrinterDriver32 - CopyFile success: " + to + "\n",
                          "[INFO] InstallPrinterDriver32 - Monitor DLL path: " + to + "\n",
                          "[INFO] InstallPrinterDriver32 - Monitor DLL name for AddMonitor: TavroPrintMon.dll\n",
                          "[INFO] InstallPrinterDriver32 - DRIVER_INFO_2:\n", "[INFO]   pName=R710 Driver\n",
                          "[INFO]   pEnvironment=Windows NT x86\n", "[INFO]   pDriverPath=R710Drv.dll\n",
                          "[INFO]   pDataFile=R710GPC.pcd\n", "[INFO]   pConfigFile=R710UI.dll\n",
                          "[INFO] InstallPrinterDriver32 - AddPrinterDriver success\n",
                          "[INFO] InstallPrinterDriver32 - call AddPrinter\r\n",
                          "[INFO] InstallPrinterDriver32 - AddPrinter success\r\n", "AddPrinter hPrinter = "}));
}

TEST_F(Registration32Test, AMissingMonitorDllIsLoggedAndItsFailureFallsBackToAnEmptySelection) {
  sim_.files().RemoveTree(host_.folder + L"\\tavrolm.dll");
  sim_.files().RemoveTree(host_.folder + L"\\tavrolmui.dll");
  EXPECT_FALSE(Run());
  uint32_t code = platform::LastErrorCode();
  EXPECT_NE(code, 0u);
  EXPECT_STREQ(InstallTarget.PortName, L"");
  ASSERT_EQ(Added().size(), 1u);
  EXPECT_EQ(Added()[0].port_name, L"");
  EXPECT_TRUE(machine_.spy_spooler().port_adds.empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver32 - CopyFile failed, Error=2, Src=" + Folder() +
                              "\\tavrolm.dll, Dest=" + system_dir_ + "\\TavroPrintMon.dll\n",
                          "[ERROR] AddPrinterMonitor - AddMonitor failed, Error=126\r\n",
                          "[INFO] InstallPrinterDriver32 - AddPrinterMonitor failed, User selected port: \n",
                          "[INFO] InstallPrinterDriver32 - IsPortValid failed, User selected port: \n",
                          "AddPrinter = " + std::to_string(code) + "\r\n"}));
}

TEST_F(Registration32Test, ARefusedPortFallsBackToTheSelectedOne) {
  host_.selected_port = L"USB001";
  sim_.faults().Fail("AddPortExW", 5, 1);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Added()[0].port_name, L"USB001");
  EXPECT_TRUE(LogInOrder({"AddPortEx = 5 PortName=R710-Port:\r\n",
                          "[INFO] InstallPrinterDriver32 - AddPort failed, User selected port: USB001\n"}));
  EXPECT_EQ(LogText().find("IsPortValid failed"), std::string::npos);
}

TEST_F(Registration32Test, ASerialPortTheSpoolerListsIsUsedAsItIs) {
  ArrangePort(L"Local Port", L"COM3:");
  ArrangeTarget(L"R710", L"COM3:");
  host_.usb_port = false;
  host_.selected_port = L"COM3";
  ASSERT_TRUE(Run());
  EXPECT_TRUE(machine_.spy_spooler().monitors.empty());
  EXPECT_TRUE(machine_.spy_spooler().port_adds.empty());
  EXPECT_EQ(Added()[0].port_name, L"COM3:");
  EXPECT_EQ(LogText().find("User selected port"), std::string::npos);
}

TEST_F(Registration32Test, AnUnlistedPortTakesTheSelectionEvenWhenEmpty) {
  ArrangeTarget(L"R710", L"LPT7:");
  host_.usb_port = false;
  Run();
  EXPECT_EQ(Added()[0].port_name, L"");
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver32 - IsPortValid failed, User selected port: \n"}));
  EXPECT_TRUE(machine_.hook_clock().sleeps.empty());  // no Bluetooth wait on this path
}

// Each explained code names its own meaning; 1796 is an unknown port, not an installed driver.
TEST_F(Registration32Test, RefusedDriverCodesAreExplainedTruthfully) {
  const std::pair<uint32_t, std::string> cases[] = {
      {2, "Error 2: The system cannot find the file specified.\n"},
      {5, "Error 5: Access is denied.\n"},
      {126, "Error 126: The specified module could not be found.\n"},
      {1795, "Error 1795: ERROR_PRINTER_DRIVER_ALREADY_INSTALLED\n"},
      {1796, "Error 1796: ERROR_UNKNOWN_PORT\n"},
      {1805, "Error 1805: ERROR_INVALID_ENVIRONMENT\n"}};
  for (const auto& [code, line] : cases) {
    ArrangePayloadFiles();  // each run moves the payload's files into the driver directory
    sim_.faults().Fail("AddPrinterDriverW", code, 1);
    EXPECT_FALSE(Run()) << code;
    EXPECT_EQ(platform::LastErrorCode(), code);
    EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver32 - AddPrinterDriver failed, Error=" + std::to_string(code) + "\r\n",
                            "[ERROR] InstallPrinterDriver32 - " + line}));
  }
  std::string log = LogText();
  EXPECT_EQ(log.find("Error 1796: ERROR_PRINTER_DRIVER_ALREADY_INSTALLED"), std::string::npos);
  EXPECT_EQ(log.find("ERROR_INVALID_PRINTER_DRIVER"), std::string::npos);
  EXPECT_TRUE(Added().empty());
}

TEST_F(Registration32Test, AnUnexplainedDriverCodeHasOnlyTheGeneralLine) {
  sim_.faults().Fail("AddPrinterDriverW", 87, 1);
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 87u);
  std::string log = LogText();
  EXPECT_NE(log.find("AddPrinterDriver failed, Error=87\r\n"), std::string::npos);
  EXPECT_EQ(log.find("InstallPrinterDriver32 - Error 87"), std::string::npos);
}

TEST_F(Registration32Test, AnUnknownDriverDirectoryIsLoggedWithItsCode) {
  sim_.faults().Fail("GetPrinterDriverDirectoryA", 1805);
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 1805u);
  EXPECT_TRUE(LogInOrder({"[Install.cpp:InstallPrinterDriver32:", "GetPrinterDriverDirectory = 1805\r\n"}));
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(machine_.spy_spooler().monitors.empty());
}

TEST_F(Registration32Test, ARefusedPrinterIsLoggedWithItsCode) {
  sim_.faults().Fail("AddPrinterW", 1802);
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 1802u);
  EXPECT_TRUE(LogInOrder({"[INFO] InstallPrinterDriver32 - call AddPrinter\r\n", "AddPrinter = 1802\r\n"}));
}

TEST_F(Registration32Test, AnInstalledMonitorIsReusedForASecondPrinter) {
  ASSERT_TRUE(Run());
  ArrangePayloadFiles();
  ArrangeMonitorDlls(false);
  ArrangeTarget(L"R710B", L"USB001");
  ArrangeGpcFile(L"R710B");
  ASSERT_TRUE(Run());
  EXPECT_TRUE(IsPortValid(machine_, L"R710B-Port:"));
  EXPECT_EQ(Added()[1].port_name, L"R710B-Port:");
}

TEST_F(Registration32Test, AMissingDriverFileFailsWithItsCodeBeforeAnyRegistration) {
  sim_.files().Remove(host_.folder + L"\\tavroui.dll");
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_TRUE(machine_.spy_spooler().monitors.empty());
  EXPECT_TRUE(Added().empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] InstallPrinterDriver32 - CopyFile failed, Error=2, Src=" + Folder() +
                              "\\tavroui.dll, Dest=" + DriverDirectory() + "\\R710UI.dll\n",
                          "[ERROR] InstallPrinterDriver32 - Driver files not placed, Error=2\n"}));
}

TEST_F(Registration32Test, AReadOnlyDriverFileInTheWayFailsWithAccessDenied) {
  const std::wstring target = sim_.codepage().FromAnsi(DriverDirectory()) + L"\\R710Drv.dll";
  sim_.files().PutFile(target, "someone else's");
  sim_.files().SetReadOnly(target, true);
  EXPECT_FALSE(Run());
  EXPECT_EQ(platform::LastErrorCode(), 5u);
  EXPECT_TRUE(machine_.spy_spooler().drivers.empty());
  EXPECT_EQ(sim_.files().FileBytes(target), "someone else's");
}

TEST_F(Registration32Test, TheAddedNameIsKeptForTheStepsThatFollow) {
  ArrangePrinter(L"R710");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Added()[0].printer_name, L"R710 (copy 1)");
  EXPECT_STREQ(InstallTarget.PrinterName, L"R710 (copy 1)");
}

}  // namespace
