// The main dialog's Network and Bluetooth types in the real installer, driven from this process
// as a user would (tests/wine/installer_driver.h).
//
// Network: Wine has no Standard TCP/IP Port monitor. The fixture installs the tests' own under that
// name (tests/wine/test_monitor/) and puts this program's folder on the installer's PATH, so that
// the spooler inside the installer loads it and its UI module. The installer then lists the
// monitor's ports, adds one through the link (the UI module's wizard answers the port named by
// TAVRO_TESTMON_ANSWER, which the installer inherits), configures one from its blue cell and
// deletes one from its red cell, all through Wine's real spooler; the monitor's registry shows
// what happened. Without the monitor the list is empty and the link fails quietly.
//
// Bluetooth: Wine has no Bluetooth stack. The list stays empty, the log holds the lookup's
// failure, the process lives, and Install asks for a port.
//
// NetworkShots.DISABLED_NetworkList, run with --gtest_also_run_disabled_tests and TAVRO_SHOT_DIR
// set, shows the network list with two ports and waits for its screenshot (scripts/screenshots.sh).
#include "tests/wine/installer_driver.h"
#include "tests/wine/test_monitor/test_monitor.h"
#include "ui/resource.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace driver;

constexpr int kEnglishRow = 2;

std::wstring NetworkRow(const wchar_t* port) {
  return std::wstring(port) + L" | Standard TCP/IP Port | Configure | Delete";
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// A message box of the installer (its text), waiting for it; null when none came.
HWND WaitForBox(Installer& installer, DWORD timeout_ms = kWaitMs) { return installer.WaitFor(Kind::kMessageBox, timeout_ms); }

class NetworkBluetoothDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testmon::Remove()) << "a leftover test monitor stayed";
    SetEnvironmentVariableW(L"TAVRO_TESTMON_ANSWER", nullptr);
    RemoveInstallTextFiles();
    log_ = LogWatch();
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TAVRO_TESTMON_ANSWER", nullptr);
    EXPECT_TRUE(testmon::Remove()) << "the test monitor stayed";
    RemoveInstallTextFiles();
  }

  // The test monitor installed with these ports.
  void InstallMonitorWith(std::initializer_list<const wchar_t*> ports) {
    ASSERT_EQ(testmon::Install(), "");
    for (const wchar_t* port : ports) ASSERT_TRUE(testmon::AddPortKey(port)) << Narrow(port);
  }

  // A click on the add-port link: the static control tells the dialog (STN_CLICKED) as the mouse
  // button goes down; sent, so that the handler has run when this returns.
  bool ClickLink(HWND main) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(GetDlgItem(main, IDC_ADD_NETWORK_PORT), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2),
                               SMTO_NORMAL, kWaitMs, &result) != 0;
  }

  testmon::ModulesOnPath modules_on_path_;  // the installer inherits it
  Installer installer_;
  LogWatch log_;
};

TEST_F(NetworkBluetoothDialogTest, NetworkPortsAreListedAddedConfiguredAndDeletedThroughTheMonitor) {
  InstallMonitorWith({L"IP_10.0.0.9"});
  SetEnvironmentVariableW(L"TAVRO_TESTMON_ANSWER", L"IP_10.0.0.77");
  HWND main = OpenMainDialog(installer_, kEnglishRow);
  ASSERT_NE(main, nullptr);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_TRUE(list.ok());

  ClickAndWait(main, IDC_RADIO_NETWORK);
  EXPECT_TRUE(IsShown(main, IDC_ADD_NETWORK_PORT));
  EXPECT_EQ(list.ColumnText(2), L"");
  ASSERT_EQ(list.Rows(4), std::vector<std::wstring>{NetworkRow(L"IP_10.0.0.9")});

  // The link: the monitor's wizard adds the port it was told, and the list shows it.
  ASSERT_TRUE(ClickLink(main));
  EXPECT_TRUE(testmon::HasPortKey(L"IP_10.0.0.77"));
  EXPECT_EQ(Sorted(list.Rows(4)), Sorted({NetworkRow(L"IP_10.0.0.9"), NetworkRow(L"IP_10.0.0.77")}));

  // The blue cell: the monitor's configuration dialog for that row's port.
  auto row_of = [&](const wchar_t* port) {
    for (int i = 0, n = list.Count(); i < n; ++i) {
      if (list.Text(i) == port) return i;
    }
    return -1;
  };
  int row = row_of(L"IP_10.0.0.9");
  ASSERT_GE(row, 0);
  ASSERT_TRUE(list.ClickCell(row, 0));
  ASSERT_TRUE(list.ClickCell(row, 1));
  ASSERT_TRUE(list.ClickCell(row, 2));
  EXPECT_TRUE(WaitUntil([] { return testmon::Configured(L"IP_10.0.0.9") == 1; }))
      << "the configuration dialog was not confirmed once";
  EXPECT_EQ(testmon::Configured(L"IP_10.0.0.77"), 0u);
  EXPECT_EQ(list.Count(), 2) << "neither the port nor the description cell deletes";

  // The red cell: the port goes from the monitor and from the list, without a question.
  row = row_of(L"IP_10.0.0.9");
  ASSERT_GE(row, 0);
  ASSERT_TRUE(list.ClickCell(row, 3));
  EXPECT_TRUE(WaitUntil([] { return !testmon::HasPortKey(L"IP_10.0.0.9"); })) << "the port was not deleted";
  EXPECT_TRUE(WaitUntil([&] { return list.Count() == 1; }));
  EXPECT_EQ(list.Rows(4), std::vector<std::wstring>{NetworkRow(L"IP_10.0.0.77")});
  EXPECT_EQ(WaitForBox(installer_, 500), nullptr) << "no confirmation is asked";

  CancelToExit(installer_, main);
  ExpectInOrder(log_.Since(), {"[INFO] OnStnClickedAddNetworkPort - opening TCP port config dialog",
                               "Dialog dismissed with Cancel"});
}

TEST_F(NetworkBluetoothDialogTest, WithoutTheMonitorTheNetworkListIsEmptyAndTheLinkFailsQuietly) {
  HWND main = OpenMainDialog(installer_, kEnglishRow);
  ASSERT_NE(main, nullptr);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ClickAndWait(main, IDC_RADIO_NETWORK);
  EXPECT_EQ(list.Count(), 0);
  ASSERT_TRUE(ClickLink(main));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(WaitForBox(installer_, 500), nullptr);
  CancelToExit(installer_, main);
}

TEST_F(NetworkBluetoothDialogTest, BluetoothListsNothingLogsWhyAndInstallAsksForAPort) {
  HWND main = OpenMainDialog(installer_, kEnglishRow);
  ASSERT_NE(main, nullptr);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ClickAndWait(main, IDC_RADIO_BLUETOOTH);
  EXPECT_TRUE(IsChecked(main, IDC_RADIO_BLUETOOTH));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ColumnText(2), L"Status");
  EXPECT_EQ(installer_.WaitExit(0), -1) << "the installer must live on";
  SendMessageW(GetDlgItem(main, IDC_MODEL_COMBO), CB_SETCURSEL, 1, 0);

  Click(main, IDOK);
  HWND box = WaitForBox(installer_);
  ASSERT_NE(box, nullptr) << "Install showed no message";
  EXPECT_EQ(ItemText(box, kMessageBoxText), L"Please select a port");
  EXPECT_EQ(TextOf(box), L"Printer Driver Installation");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return WaitForBox(installer_, 0) == nullptr; }));

  CancelToExit(installer_, main);
  std::string log = log_.Since();
  ExpectInOrder(log, {"[ENTRY] ScanBluetoothDevices", "[ERROR] ScanBluetoothDevices - WSALookupServiceBegin failed",
                      "[WARN] ScanBleDevices - built with old toolchain (no C++/WinRT), BLE disabled",
                      "Dialog dismissed with Cancel"});
  EXPECT_EQ(log.find("CreateBluetoothVirtualComPort"), std::string::npos) << "no Bluetooth call without a port";
}

// For scripts/screenshots.sh: the network list with its blue "Configure" and red "Delete" cells.
class NetworkShots : public NetworkBluetoothDialogTest {};

TEST_F(NetworkShots, DISABLED_NetworkList) {
  const std::wstring dir = ShotDir();
  if (dir.empty()) GTEST_SKIP() << "TAVRO_SHOT_DIR is not set";
  InstallMonitorWith({L"IP_192.168.1.50", L"IP_192.168.1.51"});
  HWND main = OpenMainDialog(installer_, kEnglishRow);
  ASSERT_NE(main, nullptr);
  ClickAndWait(main, IDC_RADIO_NETWORK);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  EXPECT_EQ(list.Count(), 2);
  AwaitShot(dir.c_str(), L"network", main);
  CancelToExit(installer_, main);
}

}  // namespace
