// The serial settings dialog and the settings writer: what the user picks becomes the string the
// Ports key holds for the port.
#include "ui/serial_port_config_dlg.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "ports/serial_settings.h"
#include "tests/unit/app/app_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;

constexpr const wchar_t* kPortsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

class SerialSettingsTest : public app_test::AppTest {
 protected:
  void TearDown() override {
    SetAppLanguageSource(nullptr);
    AppTest::TearDown();
  }
  std::wstring Stored(const std::wstring& port, platform::RegView view = platform::RegView::k64) {
    platform::RegValue value;
    if (!machine_.registry().QueryValue(platform::Hive::kLocalMachine, kPortsKey, port, view, &value)) return L"<none>";
    EXPECT_EQ(value.type, platform::regtype::kSz);
    return value.AsString();
  }
  // Runs the dialog for COM3 with `script` as the user; the dialog's result.
  int Run(CSerialPortConfigDlg& dlg, std::function<void(SimDialog&)> script) {
    machine_.windows().Script(IDD_SERIAL_CONFIG, std::move(script));
    return dlg.DoModal(machine_.windows(), nullptr);
  }
};

TEST_F(SerialSettingsTest, DefaultsGiveTheUsualStringUnderThePortsName) {
  CSerialPortConfigDlg dlg(L"COM3");
  ASSERT_EQ(Run(dlg, [](SimDialog& d) {
              EXPECT_EQ(d.GetCaption(), L"Serial Port Configuration");
              EXPECT_TRUE(d.IsControlVisible(IDC_BAUD_COMBO)) << "the template hides them";
              EXPECT_EQ(d.ComboItems(IDC_BAUD_COMBO).size(), 13u);
              EXPECT_EQ(d.ComboItemText(IDC_PARITY_COMBO, d.ComboGetCurSel(IDC_PARITY_COMBO)), L"None");
              EXPECT_EQ(d.ComboItemText(IDC_FLOW_COMBO, d.ComboGetCurSel(IDC_FLOW_COMBO)), L"Hardware");
              d.Click(wnd::kIdOk);
            }),
            wnd::kIdOk);
  SetCommPort(machine_.registry(), dlg.m_strPortName + L":", dlg.m_nBaudRate, dlg.m_nDataBits, dlg.m_nParity,
              dlg.m_nStopBits, dlg.m_nFlowControl);
  EXPECT_EQ(Stored(L"COM3:"), L"9600,n,8,1,p");
  // The Ports key is shared by both views, so the 32-bit view reads the same value.
  EXPECT_EQ(Stored(L"COM3:", platform::RegView::k32), L"9600,n,8,1,p");
  EXPECT_TRUE(app_test::InOrder(LogText(), {"[ENTRY] SetCommPort - Port=COM3:, BaudRate=9600, DataBits=8, "
                                            "Parity=2, StopBits=0, FlowControl=1",
                                            "[INFO] SetCommPort - Port settings saved to registry: COM3:=9600,n,8,1,p",
                                            "[EXIT] SetCommPort"}));
}

TEST_F(SerialSettingsTest, ChoicesReachTheStringAndCancelWritesNothing) {
  const int simplified = kLanguageSimplified;
  SetAppLanguageSource(&simplified);
  CSerialPortConfigDlg dlg(L"COM4");
  dlg.m_strTitle = L"串口配置 - COM4";
  ASSERT_EQ(Run(dlg, [](SimDialog& d) {
              EXPECT_EQ(d.GetCaption(), L"串口配置 - COM4");
              EXPECT_EQ(d.GetText(IDC_FLOW_LABEL), L"数据流控制：");
              d.SelectCombo(IDC_BAUD_COMBO, 12);
              d.SelectCombo(IDC_DATA_BITS_COMBO, 2);
              d.SelectCombo(IDC_PARITY_COMBO, 4);
              d.SelectCombo(IDC_STOP_BITS_COMBO, 1);
              d.SelectCombo(IDC_FLOW_COMBO, 2);
              d.Click(wnd::kIdOk);
            }),
            wnd::kIdOk);
  EXPECT_EQ(dlg.m_nBaudRate, 921600);
  EXPECT_EQ(dlg.m_nDataBits, 7);
  SetCommPort(machine_.registry(), L"COM4:", dlg.m_nBaudRate, dlg.m_nDataBits, dlg.m_nParity, dlg.m_nStopBits,
              dlg.m_nFlowControl);
  // Space parity keeps its own letter; no flow control leaves the last field empty.
  EXPECT_EQ(Stored(L"COM4:"), L"921600,s,7,1.5,");

  CSerialPortConfigDlg cancelled(L"COM5");
  EXPECT_EQ(Run(cancelled, [](SimDialog& d) {
              d.SelectCombo(IDC_BAUD_COMBO, 0);
              d.Click(wnd::kIdCancel);
            }),
            wnd::kIdCancel);
  EXPECT_EQ(cancelled.m_nBaudRate, 9600) << "Cancel keeps the settings as they were";
  EXPECT_EQ(Stored(L"COM5:"), L"<none>");
}

TEST_F(SerialSettingsTest, ARegistryFailureIsLoggedWithItsCode) {
  machine_.faults().Fail("RegCreateKeyExW", platform::err::kAccessDenied, 1);
  SetCommPort(machine_.registry(), L"COM6:", 9600, 8, 2, 0, 1);
  EXPECT_EQ(Stored(L"COM6:"), L"<none>");
  std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] SetCommPort - RegCreateKeyEx failed, Error=5"), std::string::npos);
  EXPECT_EQ(log.find("[EXIT] SetCommPort"), std::string::npos);
}

}  // namespace
