// The spooler's port list as IsPortValid reads it, and the installer's own monitor and port.
#include "install/monitor_port.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "install/install_target.h"
#include "install/text_fit.h"
#include "platform/last_error.h"
#include "tests/unit/install/install_fixture.h"

namespace {

using install_test::InstallTest;

class IsPortValidTest : public InstallTest {};

TEST_F(IsPortValidTest, NamesMatchExactlyAndCaseSensitively) {
  ArrangePort(L"USB Monitor", L"USB001");
  EXPECT_TRUE(IsPortValid(machine_, L"USB001"));
  EXPECT_FALSE(IsPortValid(machine_, L"usb001"));
  EXPECT_FALSE(IsPortValid(machine_, L"USB00"));
  EXPECT_FALSE(IsPortValid(machine_, L""));
}

TEST_F(IsPortValidTest, AListedColonMayBeLeftOutButNotAddedInstead) {
  ArrangePort(L"Local Port", L"LPT1:");
  ArrangePort(L"Local Port", L"COM9");
  EXPECT_TRUE(IsPortValid(machine_, L"LPT1:"));
  EXPECT_TRUE(IsPortValid(machine_, L"LPT1"));
  EXPECT_TRUE(IsPortValid(machine_, L"COM9"));
  EXPECT_FALSE(IsPortValid(machine_, L"COM9:"));
  EXPECT_FALSE(IsPortValid(machine_, L"LPT1::"));
}

TEST_F(IsPortValidTest, ALoneColonIsNotAnEmptyName) {
  ArrangePort(L"Local Port", L":");
  EXPECT_TRUE(IsPortValid(machine_, L":"));
  EXPECT_FALSE(IsPortValid(machine_, L""));
}

// A name of 40 characters before its colon is compared whole: neither a 31- nor a 32-character
// prefix of it matches, and the whole name does.
TEST_F(IsPortValidTest, LongNamesBeforeTheColonAreComparedWhole) {
  std::wstring name = L"BluetoothPrinterVirtualPort_00_11_22_33";  // 39 characters
  name += L"X";
  ASSERT_EQ(name.size(), 40u);
  ArrangePort(L"Local Port", name + L":");
  EXPECT_TRUE(IsPortValid(machine_, name));
  EXPECT_TRUE(IsPortValid(machine_, name + L":"));
  EXPECT_FALSE(IsPortValid(machine_, name.substr(0, 31)));
  EXPECT_FALSE(IsPortValid(machine_, name.substr(0, 32)));
  EXPECT_FALSE(IsPortValid(machine_, name.substr(0, 39)));
}

TEST_F(IsPortValidTest, AnUnreadablePortListKnowsNoPort) {
  ArrangePort(L"USB Monitor", L"USB001");
  sim_.faults().Fail("EnumPortsW", 5);
  EXPECT_FALSE(IsPortValid(machine_, L"USB001"));
}

class MonitorTest : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    sim_.MakeX86Windows();  // the installer registers its monitor on 32-bit Windows only
    ArrangeTarget(L"R710", L"R710-Port:");
    // The monitor DLL in the system directory, where AddMonitor loads it from.
    std::string system_dir;
    ASSERT_TRUE(sim_.system().SystemDirectoryA(256, &system_dir));
    sim_.files().PutFile(sim_.codepage().FromAnsi(system_dir) + L"\\TavroPrintMon.dll", "monitor");
  }
};

TEST_F(MonitorTest, RegistersTheTargetsMonitorForX86) {
  EXPECT_TRUE(AddPrinterMonitor(machine_, L"TavroPrintMon.dll"));
  ASSERT_EQ(machine_.spy_spooler().monitors.size(), 1u);
  const auto& call = machine_.spy_spooler().monitors[0];
  EXPECT_EQ(call.name, L"USB Printer Monitor");
  EXPECT_EQ(call.environment, L"Windows NT x86");
  EXPECT_EQ(call.dll, L"TavroPrintMon.dll");
  EXPECT_TRUE(LogInOrder({"[ENTRY] AddPrinterMonitor - pszMonitorName=TavroPrintMon.dll\n",
                          "[INFO] AddPrinterMonitor - pName=USB Printer Monitor, pDLLName=TavroPrintMon.dll, "
                          "pEnvironment=Windows NT x86\n",
                          "[EXIT] AddPrinterMonitor - Success\n"}));
}

TEST_F(MonitorTest, AnExistingMonitorCountsAsRegistered) {
  ASSERT_TRUE(AddPrinterMonitor(machine_, L"TavroPrintMon.dll"));
  EXPECT_TRUE(AddPrinterMonitor(machine_, L"TavroPrintMon.dll"));
  EXPECT_FALSE(machine_.spy_spooler().monitors[1].ok);
  EXPECT_TRUE(LogInOrder({"[EXIT] AddPrinterMonitor - Success\n",
                          "[INFO] AddPrinterMonitor - Monitor already exists (ERROR_PRINTER_MONITOR_ALREADY_INSTALLED)\n"}));
}

TEST_F(MonitorTest, EachKnownFailureIsExplained) {
  struct Case {
    uint32_t code;
    std::string line;
  };
  const Case cases[] = {
      {126, "[ERROR] AddPrinterMonitor - Error 126: The specified module could not be found. DLL=TavroPrintMon.dll\n"},
      {2, "[ERROR] AddPrinterMonitor - Error 2: The system cannot find the file specified.\n"},
      {5, "[ERROR] AddPrinterMonitor - Error 5: Access is denied.\n"}};
  for (const Case& c : cases) {
    sim_.faults().Fail("AddMonitorW", c.code, 1);
    EXPECT_FALSE(AddPrinterMonitor(machine_, L"TavroPrintMon.dll"));
    EXPECT_EQ(platform::LastErrorCode(), c.code);
    EXPECT_TRUE(LogInOrder({"[ERROR] AddPrinterMonitor - AddMonitor failed, Error=" + std::to_string(c.code) + "\r\n",
                            c.line}));
  }
}

TEST_F(MonitorTest, AnotherFailureHasOnlyTheGeneralLine) {
  sim_.faults().Fail("AddMonitorW", 1799, 1);
  EXPECT_FALSE(AddPrinterMonitor(machine_, L"TavroPrintMon.dll"));
  std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] AddPrinterMonitor - AddMonitor failed, Error=1799\r\n"), std::string::npos);
  EXPECT_EQ(log.find("AddPrinterMonitor - Error "), std::string::npos);
}

// The spooler's own refusal of a DLL that is not there (no fault injected): the installer passes
// the name it was given, reports the failure and names that DLL in its explanation.
TEST_F(MonitorTest, AMissingDllIsNamedInTheExplanation) {
  EXPECT_FALSE(AddPrinterMonitor(machine_, L"NoSuchMon.dll"));
  EXPECT_EQ(platform::LastErrorCode(), 126u);
  ASSERT_EQ(machine_.spy_spooler().monitors.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().monitors[0].dll, L"NoSuchMon.dll");
  EXPECT_TRUE(LogInOrder({"[ENTRY] AddPrinterMonitor - pszMonitorName=NoSuchMon.dll\n",
                          "[ERROR] AddPrinterMonitor - Error 126: The specified module could not be found. "
                          "DLL=NoSuchMon.dll\n"}));
}

TEST_F(MonitorTest, ThePortIsAddedOnTheMonitorAndListed) {
  ASSERT_TRUE(AddPrinterMonitor(machine_, L"TavroPrintMon.dll"));
  EXPECT_TRUE(AddPortW(machine_));
  ASSERT_EQ(machine_.spy_spooler().port_adds.size(), 1u);
  EXPECT_EQ(machine_.spy_spooler().port_adds[0].monitor, L"USB Printer Monitor");
  EXPECT_EQ(machine_.spy_spooler().port_adds[0].port, L"R710-Port:");
  EXPECT_TRUE(IsPortValid(machine_, L"R710-Port:"));
}

TEST_F(MonitorTest, ARefusedPortIsLoggedWithItsCodeAndName) {
  sim_.faults().Fail("AddPortExW", 5, 1);
  EXPECT_FALSE(AddPortW(machine_));
  EXPECT_EQ(platform::LastErrorCode(), 5u);
  EXPECT_TRUE(LogInOrder({"[Install.cpp:AddPortW:", "AddPortEx = 5 PortName=R710-Port:\r\n"}));
  EXPECT_FALSE(IsPortValid(machine_, L"R710-Port:"));
}

}  // namespace
