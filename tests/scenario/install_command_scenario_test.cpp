// Pressing Install as a user does, on the simulated machine with the real worker thread: a printer
// installed end to end on USB, serial and parallel ports, the serial settings asked for, a failing
// system call told in the user's language, and the dialog locked until the worker reports. This
// program is built twice, the second time with ThreadSanitizer watching the worker and the dialog.
#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "tests/unit/ui/install_dialog_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;
using InstallCommandScenario = ui_test::InstallDialogTest;

TEST_F(InstallCommandScenario, AUsbPrinterIsInstalledEndToEndAndTheDialogWaitsForTheWorker) {
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

TEST_F(InstallCommandScenario, AFailureShowsTheSystemsTextAndTheLogSaysWhy) {
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

TEST_F(InstallCommandScenario, SerialPortAsksForItsSettingsAndCancelStartsNothing) {
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
TEST_F(InstallCommandScenario, AParallelPrinterGoesOnThePortWithOneColon) {
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
