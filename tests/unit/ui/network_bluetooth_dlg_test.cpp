// The main dialog's Network and Bluetooth types as a user meets them: the Standard TCP/IP ports
// with their "Configure" and "Delete" cells and the add-port link run through the monitor's
// dialogs, and a Bluetooth printer chosen in the list, paired, given its COM port and installed on
// it; each refusal of the Bluetooth branch in the three languages.
#include <gtest/gtest.h>

#include "platform/sim/sim_bluetooth.h"
#include "tests/unit/ui/install_dialog_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimBluetoothDevice;
using platform::sim::SimDialog;
using platform::sim::SimSpooler;

class NetworkBluetoothDialogTest : public ui_test::InstallDialogTest {
 protected:
  static std::vector<std::wstring> Row(SimDialog& d, int item) {
    std::vector<std::wstring> cells;
    for (int column = 0; column < 4; ++column) cells.push_back(d.ListItemText(IDC_PORT_LIST, item, column, 256));
    return cells;
  }
  bool Listed(const std::wstring& port) {
    std::vector<platform::PortInfo> ports;
    machine_.spooler().EnumPorts(&ports);
    for (const auto& p : ports) {
      if (p.name == port) return true;
    }
    return false;
  }
  // The user's way to an installation: the port type, its first row, the first model, Install.
  static void InstallOnFirstRow(SimDialog& d, int port_type_button) {
    d.Click(port_type_button);
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    d.Click(wnd::kIdOk);
  }
  // A Bluetooth printer whose serial service gives it COM6 at the second look for the port.
  SimBluetoothDevice Printer() {
    SimBluetoothDevice printer;
    printer.address = 0x001122AABBCCull;
    printer.name = L"TL-241 BT";
    printer.port_name = L"COM6";
    printer.port_look = 2;
    return printer;
  }
};

TEST_F(NetworkBluetoothDialogTest, TheNetworkListShowsOnlyTcpIpPortsWithTheirCellsInTheUsersLanguage) {
  machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5");
  machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.9", L"Label room");
  machine_.spooler().AddPort(L"WSD Port", L"WSD-1234");
  language_ = kLanguageTraditional;
  Run([&](SimDialog& d) {
    EXPECT_EQ(dlg_.m_NetworkPorts.size(), 2u) << "collected at start, other monitors left out";
    d.Click(IDC_RADIO_NETWORK);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 2);
    EXPECT_EQ(Row(d, 0), (std::vector<std::wstring>{L"IP_10.0.0.5", L"Standard TCP/IP Port", L"配置", L"刪除"}));
    EXPECT_EQ(Row(d, 1), (std::vector<std::wstring>{L"IP_10.0.0.9", L"Label room", L"配置", L"刪除"}));
    EXPECT_EQ(d.ListColumnText(IDC_PORT_LIST, 2), L"");
    EXPECT_EQ(dlg_.m_NetworkPorts.size(), 2u) << "enumerated again, not appended twice";
    language_ = kLanguageSimplified;
    d.Click(IDC_RADIO_NETWORK);
    EXPECT_EQ(d.ListItemText(IDC_PORT_LIST, 0, 3, 256), L"删除");
  });
}

TEST_F(NetworkBluetoothDialogTest, NoTcpIpPortsGiveAnEmptyListAndAFailedEnumerationChangesNothing) {
  machine_.spooler().AddPort(L"WSD Port", L"WSD-1234");
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_NETWORK);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5");
    d.Click(IDC_RADIO_NETWORK);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    machine_.faults().Fail("EnumPortsW", 5, 1);
    d.Click(IDC_RADIO_NETWORK);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0) << "the list was emptied and nothing came back";
  });
}

TEST_F(NetworkBluetoothDialogTest, TheCellsConfigureAndDeleteThroughTheMonitorAndOtherCellsDoNothing) {
  machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5");
  machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.9");
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_NETWORK);
    d.SelectCombo(IDC_MODEL_COMBO, 2);
    d.ClickRow(IDC_PORT_LIST, 1, 0);
    d.ClickRow(IDC_PORT_LIST, 1, 1);
    EXPECT_TRUE(machine_.spooler().PortDialogRuns().empty()) << "the port and description cells are plain text";

    machine_.spooler().AnswerPortDialog({true, L""});
    d.ClickRow(IDC_PORT_LIST, 1, 2);
    ASSERT_EQ(machine_.spooler().PortDialogRuns().size(), 1u);
    EXPECT_EQ(machine_.spooler().PortDialogRuns()[0].call, "ConfigurePortW");
    EXPECT_EQ(machine_.spooler().PortDialogRuns()[0].target, L"IP_10.0.0.9");
    EXPECT_NE(machine_.spooler().PortDialogRuns()[0].owner, nullptr) << "owned by the dialog";
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 2) << "configuring changes nothing in the dialog";

    d.ClickRow(IDC_PORT_LIST, 0, 3);
    EXPECT_FALSE(Listed(L"IP_10.0.0.5"));
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    EXPECT_EQ(d.ListItemText(IDC_PORT_LIST, 0, 0, 256), L"IP_10.0.0.9");
    EXPECT_EQ(dlg_.m_NetworkPorts.size(), 1u);
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 0) << "the model list is refilled";
    d.ClickRow(IDC_PORT_LIST, -1, 3);
    EXPECT_TRUE(Listed(L"IP_10.0.0.9")) << "a click beside the rows deletes nothing";
  });
  EXPECT_TRUE(Boxes().empty()) << "no confirmation is asked";
}

TEST_F(NetworkBluetoothDialogTest, TheAddLinkRunsTheMonitorsWizardAndCancelLeavesTheList) {
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_NETWORK);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    d.Click(IDC_ADD_NETWORK_PORT);  // nobody answers: the wizard is cancelled
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    machine_.spooler().AnswerPortDialog({true, L"IP_192.168.1.50"});
    d.Click(IDC_ADD_NETWORK_PORT);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    EXPECT_EQ(d.ListItemText(IDC_PORT_LIST, 0, 0, 256), L"IP_192.168.1.50");
    ASSERT_EQ(machine_.spooler().PortDialogRuns().size(), 2u);
    EXPECT_EQ(machine_.spooler().PortDialogRuns()[1].call, "AddPortW");
    EXPECT_EQ(machine_.spooler().PortDialogRuns()[1].target, L"Standard TCP/IP Port");
  });
  EXPECT_EQ(logtest::Count(LogText(), "[INFO] OnStnClickedAddNetworkPort - opening TCP port config dialog\r\n"), 2u);
}

TEST_F(NetworkBluetoothDialogTest, APrinterIsInstalledOnANetworkPort) {
  machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5");
  int result = Run([&](SimDialog& d) { InstallOnFirstRow(d, IDC_RADIO_NETWORK); });
  EXPECT_EQ(result, wnd::kIdOk);
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"IP_10.0.0.5");
  EXPECT_EQ(dlg_.m_wizard.m_nUsbPort, 0);
  platform::RegValue port;
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine,
                                             ui_test::kPrinters + std::wstring(InstallTarget.PrinterName), L"Port",
                                             platform::RegView::kDefault, &port));
  EXPECT_EQ(port.AsString(), L"IP_10.0.0.5");
}

TEST_F(NetworkBluetoothDialogTest, TheBluetoothListShowsKnownDevicesAndTheBleSwitchClearsIt) {
  SimBluetoothDevice nameless;
  nameless.address = 0x5C0E8B112233ull;
  machine_.bluetooth().AddDevice(nameless);
  machine_.bluetooth().AddDevice(Printer());
  language_ = kLanguageSimplified;
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_BLUETOOTH);
    EXPECT_FALSE(d.IsControlVisible(IDC_SCAN_BLE));
    EXPECT_FALSE(d.IsControlVisible(IDC_ADD_NETWORK_PORT));
    EXPECT_EQ(d.ListColumnText(IDC_PORT_LIST, 2), L"状态");
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 2);
    EXPECT_EQ(Row(d, 0), (std::vector<std::wstring>{L"Unknown Bluetooth Device", L"5C:0E:8B:11:22:33", L"就緒", L""}));
    EXPECT_EQ(Row(d, 1), (std::vector<std::wstring>{L"TL-241 BT", L"00:11:22:AA:BB:CC", L"就緒", L""}));
    EXPECT_EQ(dlg_.m_BtDevices.Count, 2);

    // The switch is hidden; the handler still follows its state.
    const int lookups = machine_.faults().Calls("WSALookupServiceBeginW");
    d.SetCheck(IDC_SCAN_BLE, true);
    dlg_.OnBnClickedScanBle();
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    EXPECT_EQ(dlg_.m_BtDevices.Count, 0);
    EXPECT_EQ(machine_.faults().Calls("WSALookupServiceBeginW"), lookups) << "no classic scan while BLE is on";
    d.SetCheck(IDC_SCAN_BLE, false);
    dlg_.OnBnClickedScanBle();
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 2);
  });
  EXPECT_TRUE(app_test::InOrder(LogText(), {"[INFO] OnBnClickedScanBle - checked=1\r\n",
                                            "[WARN] ScanBleDevices - built with old toolchain (no C++/WinRT), BLE disabled",
                                            "[INFO] OnBnClickedScanBle - checked=0\r\n",
                                            "[EXIT] ScanBluetoothDevices - count=2"}));
  EXPECT_EQ(machine_.bluetooth().OpenStartups(), 0);
  EXPECT_EQ(machine_.bluetooth().OpenLookups(), 0);
}

TEST_F(NetworkBluetoothDialogTest, ABluetoothPrinterIsInstalledOnItsNewVirtualComPort) {
  machine_.bluetooth().AddDevice(Printer());
  int result = Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_BLUETOOTH);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    d.Click(wnd::kIdOk);
  });
  EXPECT_EQ(result, wnd::kIdOk);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Installation complete.");
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"COM6:");
  EXPECT_EQ(dlg_.m_wizard.m_nUsbPort, 0);
  platform::RegValue value;
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine,
                                             ui_test::kPrinters + std::wstring(InstallTarget.PrinterName), L"Port",
                                             platform::RegView::kDefault, &value));
  EXPECT_EQ(value.AsString(), L"COM6:");
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine, L"SOFTWARE\\TavroPrint\\BluetoothPorts",
                                             L"COM6:", platform::RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"00:11:22:AA:BB:CC");
  EXPECT_TRUE(machine_.bluetooth().Find(0x001122AABBCCull)->authenticated);
  EXPECT_EQ(machine_.bluetooth().OpenRadios(), 0);
  EXPECT_TRUE(app_test::InOrder(LogText(), {"[ENTRY] CreateBluetoothVirtualComPort - BTAddress=00:11:22:AA:BB:CC",
                                            "[EXIT] CreateBluetoothVirtualComPort - COM6:",
                                            "[ENTRY] RetractFileThread"}));
}

TEST_F(NetworkBluetoothDialogTest, APortTheSpoolerDoesNotListYetIsAddedAsALocalPortAndUsed) {
  SimBluetoothDevice printer = Printer();
  printer.spooler_lists_port = false;
  machine_.bluetooth().AddDevice(printer);
  int result = Run([&](SimDialog& d) { InstallOnFirstRow(d, IDC_RADIO_BLUETOOTH); });
  EXPECT_EQ(result, wnd::kIdOk);
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back().text, L"Installation complete.");
  EXPECT_TRUE(Listed(L"COM6:")) << "added on Local Port by the installation";
  platform::RegValue value;
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine,
                                             ui_test::kPrinters + std::wstring(InstallTarget.PrinterName), L"Port",
                                             platform::RegView::kDefault, &value));
  EXPECT_EQ(value.AsString(), L"COM6:");
  EXPECT_TRUE(app_test::InOrder(
      LogText(), {"[WARN] InstallPrinterDriver64 - Bluetooth virtual port COM6: is not visible via EnumPorts yet",
                  "[INFO] InstallPrinterDriver64 - Bluetooth port COM6: registered via AddPortEx(Local Port)",
                  "[INFO] InstallPrinterDriver64 - Bluetooth port became valid after retry 1"}));
}

TEST_F(NetworkBluetoothDialogTest, ATrailingColonRunIsCutToOne) {
  SimBluetoothDevice printer = Printer();
  printer.port_name = L"COM7::";
  machine_.bluetooth().AddDevice(printer);
  Run([&](SimDialog& d) { InstallOnFirstRow(d, IDC_RADIO_BLUETOOTH); });
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"COM7:");
}

TEST_F(NetworkBluetoothDialogTest, EachBluetoothRefusalSpeaksTheUsersLanguageAndStartsNothing) {
  struct Case {
    const char* what;
    bool ble;
    bool pairs;
    std::vector<std::wstring> texts;
  };
  const std::vector<Case> cases = {
      {"no virtual COM port", false, true,
       {L"Failed to create Bluetooth virtual COM port, please ensure a free COM port exists",
        L"创建蓝牙虚拟串口失败，请确认系统有空闲 COM 端口", L"創建藍牙虛擬串口失敗，請確認系統有空閒 COM 端口"}},
      {"BLE pairing failed", true, false,
       {L"BLE pairing failed, please pair in Windows Bluetooth settings and retry",
        L"BLE 配对失败，请在 Windows 蓝牙设置中手动配对后重试", L"BLE 配對失敗，請在 Windows 藍牙設置中手動配對後重試"}},
      {"BLE-only device", true, true,
       {L"This is a BLE-only device. Windows cannot create a printer port for it, so it cannot be installed as a "
        L"system printer. (For dual-mode devices, enable Classic Bluetooth/SPP mode on the printer)",
        L"该设备仅支持 BLE 协议，Windows 无法为其创建打印端口，无法安装为系统打印机（双模设备请开启打印机的经典蓝牙/SPP "
        L"模式）",
        L"該設備僅支持 BLE 協議，Windows 無法為其創建打印端口，無法安裝為系統打印機（雙模設備請開啟打印機的經典藍牙/SPP "
        L"模式）"}},
  };
  // A device the stack lists but that never gets a port: its serial service cannot be enabled.
  SimBluetoothDevice device = Printer();
  device.port_name.clear();
  device.service_answers = {5, 5, 5, 5, 5, 5};
  machine_.bluetooth().AddDevice(device);
  std::vector<std::wstring> paired;
  dlg_.m_PairBle = [&](const wchar_t* mac) {
    paired.push_back(mac);
    return paired.size() > 3;  // the pairing cases' three presses fail, the BLE-only ones pair
  };
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_BLUETOOTH);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    for (const Case& c : cases) {
      dlg_.m_BtDevices.Devices[0].IsBle = c.ble ? 1 : 0;  // as a BLE scan would have listed it
      for (int language : {kLanguageEnglish, kLanguageSimplified, kLanguageTraditional}) {
        language_ = language;
        d.Click(wnd::kIdOk);
        EXPECT_TRUE(d.IsControlEnabled(wnd::kIdOk)) << c.what;
      }
    }
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 9u);
  const std::wstring captions[] = {L"Printer Driver Installation", L"打印机驱动安装", L"打印機驅動安裝"};
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].text, cases[i / 3].texts[i % 3]) << cases[i / 3].what << ", language " << i % 3;
    EXPECT_EQ(boxes[i].caption, captions[i % 3]);
    EXPECT_EQ(boxes[i].flags, wnd::kMbOk | wnd::kMbIconError);
  }
  EXPECT_EQ(paired, std::vector<std::wstring>(6, L"00:11:22:AA:BB:CC"));
  EXPECT_EQ(machine_.bluetooth().OpenRadios(), 0);
  EXPECT_EQ(LogText().find("RetractFileThread"), std::string::npos) << "no refusal starts the worker";
}

TEST_F(NetworkBluetoothDialogTest, WithoutARadioTheListIsEmptyAndInstallAsksForAPort) {
  machine_.bluetooth().SetRadio(false);
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_BLUETOOTH);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    d.Click(wnd::kIdOk);
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Please select a port");
  EXPECT_NE(LogText().find("[ERROR] ScanBluetoothDevices - WSALookupServiceBegin failed, Error=10108"),
            std::string::npos);
  EXPECT_EQ(machine_.faults().Calls("BluetoothFindFirstRadio"), 0) << "listing never touches the radio";
}

}  // namespace
