// Pressing Install as a user does: each refusal in its language and order, the serial settings
// asked for, and a printer installed end to end on the simulated machine by the real worker
// thread, with the outcome shown and the dialog locked until the worker reports.
#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "tests/unit/ui/install_dialog_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;
using ui_test::kConfig;
using InstallCommandTest = ui_test::InstallDialogTest;

TEST_F(InstallCommandTest, RefusalsComeInOrderInTheUsersLanguage) {
  language_ = kLanguageSimplified;
  PlugInTr80();
  Run([&](SimDialog& d) {
    d.ClickRow(IDC_PORT_LIST, -1);
    d.SelectCombo(IDC_MODEL_COMBO, 0);
    d.Click(wnd::kIdOk);  // neither port nor model: the port comes first
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 0);
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(wnd::kIdOk)) << "a refusal leaves the dialog as it was";
    d.Click(IDC_INSTALL_CANCEL);
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"请先选择一个端口");
  EXPECT_EQ(boxes[0].caption, L"打印机驱动安装");
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconError);
  EXPECT_EQ(boxes[1].text, L"您没有选择打印机型号，请先选择打印机型号");
}

TEST_F(InstallCommandTest, AUsbPrinterIsInstalledEndToEndAndTheDialogWaitsForTheWorker) {
  PlugInTr80();
  bool stayed_open = false;
  int result = Run([&](SimDialog& d) {
    ASSERT_EQ(dlg_.SelectedPortText(), L"USB001");
    d.Click(wnd::kIdOk);
    // While the worker runs neither Escape nor the close box may end the dialog.
    d.Close();
    stayed_open = !d.Ended();
    EXPECT_FALSE(d.IsControlEnabled(IDC_INSTALL_CANCEL));
    EXPECT_FALSE(d.IsControlEnabled(IDC_PORT_LIST));
    EXPECT_TRUE(d.IsControlEnabled(IDC_MODEL_COMBO));
  });
  EXPECT_TRUE(stayed_open);
  EXPECT_EQ(result, wnd::kIdOk);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Installation complete.");
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconInformation);

  const std::wstring printer = InstallTarget.PrinterName;
  EXPECT_EQ(printer, PrinterInfo[2].MODEL);
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"USB001");
  EXPECT_EQ(std::wstring(InstallTarget.DriverName), printer + L" Driver");
  platform::RegValue value;
  ASSERT_TRUE(PrinterKeyHas(printer, L"PrinterDriverData", L"CommandType", &value));
  EXPECT_EQ(value.AsDword(), 2u) << "the TR-80 speaks ESC";
  ASSERT_TRUE(PrinterKeyHas(printer, L"DsDriver", L"printMediaReady", &value));
  EXPECT_EQ(value.type, platform::regtype::kMultiSz);
  EXPECT_EQ(dlg_.m_wizard.InstallFolder(), L"C:\\Program Files (x86)\\USB Printer\\" + printer);
  EXPECT_TRUE(app_test::InOrder(LogText(), {"[ENTRY] RetractFileThread",
                                            "[INFO] RetractFileThread - Printer driver installed successfully",
                                            "[ENTRY] CInstallDlg::OnInstallFinished - wParam=1 (Success=TRUE)"}));
}

TEST_F(InstallCommandTest, AFailureShowsTheSystemsTextAndTheLogSaysWhy) {
  language_ = kLanguageTraditional;
  PlugInTr80();
  machine_.faults().Fail("GetPrinterDriverDirectoryW", platform::err::kAccessDenied, 1);
  int result = Run([&](SimDialog& d) { d.Click(wnd::kIdOk); });
  EXPECT_EQ(result, wnd::kIdCancel);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"打印機驅動安裝");
  EXPECT_NE(boxes[0].text.find(L"安裝失敗。\r\n失敗原因："), std::wstring::npos) << "the system has a text for 5";
  EXPECT_NE(boxes[0].text.find(L"(錯誤碼=5)"), std::wstring::npos);
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconError);
  EXPECT_NE(LogText().find("[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=5"), std::string::npos);
  platform::RegValue value;
  EXPECT_FALSE(PrinterKeyHas(InstallTarget.PrinterName, L"PrinterDriverData", L"CommandType", &value))
      << "no settings after a failure";
}

TEST_F(InstallCommandTest, AModelWithoutPapersSaysSoAndStartsNothing) {
  PlugInTr80();
  machine_.files().Remove(std::wstring(kConfig) + L"PaperSize.json");
  MakePayload("PaperSize.json");
  Run([&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(wnd::kIdOk));
    d.Click(IDC_INSTALL_CANCEL);
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(L"PaperSize.json"), std::wstring::npos) << "the box names the file";
  EXPECT_NE(LogText().find("[ERROR] CInstallDlg::OnOK - No paper loaded from"), std::string::npos);
  EXPECT_EQ(LogText().find("RetractFileThread"), std::string::npos);
}

TEST_F(InstallCommandTest, SerialPortAsksForItsSettingsAndCancelStartsNothing) {
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_SERIAL);
    ASSERT_GE(d.ListItemCount(IDC_PORT_LIST), 1);
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    machine_.windows().Script(IDD_SERIAL_CONFIG, [](SimDialog& serial) {
      EXPECT_EQ(serial.GetCaption(), L"Serial Port Config - COM1");
      serial.Click(wnd::kIdCancel);
    });
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(IDC_INSTALL_CANCEL)) << "cancelling the settings leaves every control enabled";
    EXPECT_TRUE(d.IsControlEnabled(IDC_PORT_LIST));

    machine_.windows().Script(IDD_SERIAL_CONFIG, [](SimDialog& serial) {
      serial.SelectCombo(IDC_BAUD_COMBO, 9);
      serial.Click(wnd::kIdOk);
    });
    d.Click(wnd::kIdOk);
  });
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"COM1:");
  platform::RegValue value;
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine,
                                             L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", L"COM1:",
                                             platform::RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"115200,n,8,1,p");
  auto boxes = Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, L"Installation complete.");
}

// The LPT list shows the spooler's names with their colon: the printer goes on "LPT1:", never on
// "LPT1::", which no monitor serves. The template hides the LPT button; the test shows it.
TEST_F(InstallCommandTest, AParallelPrinterGoesOnThePortWithOneColon) {
  Run([&](SimDialog& d) {
    d.ShowControl(IDC_RADIO_LPT, true);
    d.Click(IDC_RADIO_LPT);
    int lpt1 = -1;
    for (int i = 0; i < d.ListItemCount(IDC_PORT_LIST) && lpt1 < 0; ++i) {
      if (d.ListItemText(IDC_PORT_LIST, i, 0, 64).rfind(L"LPT1", 0) == 0) lpt1 = i;
    }
    ASSERT_GE(lpt1, 0) << "no LPT1 row";
    d.ClickRow(IDC_PORT_LIST, lpt1);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    d.Click(wnd::kIdOk);
  });
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"LPT1:");
  platform::RegValue port;
  ASSERT_TRUE(PrinterKeyHas(InstallTarget.PrinterName, L"", L"Port", &port));
  EXPECT_EQ(port.AsString(), L"LPT1:");
  auto boxes = Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, L"Installation complete.");
}

}  // namespace
