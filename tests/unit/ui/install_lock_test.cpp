// What holds the installation together while it runs: the controls that stay live cannot change
// what the worker installs, a worker that cannot start or report leaves a dialog the user can
// still use, and nothing is asked of a print spooler that is not running.
#include <gtest/gtest.h>

#include <system_error>

#include "platform/last_error.h"
#include "tests/unit/ui/install_dialog_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;
using InstallLockTest = ui_test::InstallDialogTest;

constexpr int kTr80Entry = 3;  // the TR-80's model-list entry: catalog record 2

size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

TEST_F(InstallLockTest, WhatTheUserDoesDuringTheInstallationChangesNothingTheWorkerInstalls) {
  PlugInTr80();
  int result = Run([&](SimDialog& d) {
    ASSERT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), kTr80Entry);
    d.Click(wnd::kIdOk);
    // The worker waits for the dialog's thread, which is this script's until it pumps: each of
    // these runs while the installation is under way.
    d.SelectCombo(IDC_MODEL_COMBO, 1);  // the TL-241, a TSPL label printer
    d.Click(IDC_RADIO_NETWORK);
    d.DeviceChange(wnd::kDbtDevNodesChanged);
  });
  EXPECT_EQ(result, wnd::kIdOk);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, L"Installation complete.");
  EXPECT_EQ(InstallTarget.ModelIndex, kTr80Entry);
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"USB001");
  platform::RegValue value;
  ASSERT_TRUE(PrinterKeyHas(L"Tavro TR-80", L"PrinterDriverData", L"CommandType", &value));
  EXPECT_EQ(value.AsDword(), 2u) << "the TR-80's ESC settings, not the TL-241's TSPL ones";
  ASSERT_TRUE(PrinterKeyHas(L"Tavro TR-80", L"PrinterDriverData", L"PrintWidth", &value));
  EXPECT_EQ(value.AsDword(), 576u);
  const std::string log = LogText();
  for (const char* handler : {"CInstallDlg::OnCbnSelchangeModel", "CInstallDlg::OnPortTypeClicked", "OnDeviceChange"}) {
    EXPECT_EQ(CountOf(log, std::string("[INFO] ") + handler + " - Installation in progress, ignored"), 1u) << handler;
  }
}

TEST_F(InstallLockTest, AWorkerThatCannotStartIsReportedAndInstallCanBePressedAgain) {
  PlugInTr80();
  dlg_.m_StartWorker = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  std::wstring folder_before;
  int result = Run([&](SimDialog& d) {
    folder_before = dlg_.m_wizard.InstallFolder();
    d.Click(wnd::kIdOk);
    EXPECT_FALSE(dlg_.m_bInstalling.load());
    EXPECT_FALSE(d.Ended());
    for (int id : {IDC_INSTALL_CANCEL, static_cast<int>(wnd::kIdOk), IDC_RADIO_USB, IDC_PORT_LIST}) {
      EXPECT_TRUE(d.IsControlEnabled(id)) << id;
    }
    EXPECT_FALSE(d.IsControlVisible(IDC_PROGRESS));
    EXPECT_TRUE(d.IsControlVisible(IDC_SET_DEFAULT));
    EXPECT_EQ(dlg_.m_wizard.InstallFolder(), folder_before) << "the printer's name is not appended twice";
    // Threads to spare again: the same press installs.
    dlg_.m_StartWorker = [](std::function<void()> body) { return std::thread(std::move(body)); };
    d.Click(wnd::kIdOk);
  });
  EXPECT_EQ(result, wnd::kIdOk);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconError);
  EXPECT_NE(boxes[0].text.find(L"Installation failed."), std::wstring::npos);
  EXPECT_NE(boxes[0].text.find(L"(Error=8)"), std::wstring::npos) << boxes[0].text;
  EXPECT_EQ(boxes[1].text, L"Installation complete.");
  EXPECT_EQ(dlg_.m_wizard.InstallFolder(), L"C:\\Program Files (x86)\\USB Printer\\Tavro TR-80");
  EXPECT_NE(LogText().find("[ERROR] CInstallDlg::StartInstallation - Cannot start the installation thread ("),
            std::string::npos);
}

TEST_F(InstallLockTest, ACompletionThatCannotBePostedAtOnceIsPostedAgain) {
  PlugInTr80();
  constexpr uint32_t kNotEnoughQuota = 1816;  // a full message queue
  machine_.faults().Fail("PostMessageW", kNotEnoughQuota, 3);
  int result = Run([&](SimDialog& d) { d.Click(wnd::kIdOk); });
  EXPECT_EQ(result, wnd::kIdOk);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, L"Installation complete.");
  EXPECT_EQ(machine_.faults().Calls("PostMessageW"), 4);
}

TEST_F(InstallLockTest, ACompletionThatCanNeverBePostedGivesTheDialogItsWayOutBack) {
  PlugInTr80();
  machine_.faults().Fail("PostMessageW", 1816);
  bool could_close = false;
  int result = Run([&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    ASSERT_TRUE(d.PumpUntil([&] { return !dlg_.m_bInstalling.load(); }, 20000));
    EXPECT_TRUE(d.IsControlEnabled(IDC_INSTALL_CANCEL));
    d.Click(IDC_INSTALL_CANCEL);
    could_close = d.Ended();
  });
  EXPECT_TRUE(could_close);
  EXPECT_EQ(result, wnd::kIdCancel);
  EXPECT_NE(LogText().find("[ERROR] CInstallDlg::PostInstallFinished - Cannot report the outcome (Success=TRUE, "
                           "Result=0), Error=1816"),
            std::string::npos);
}

TEST_F(InstallLockTest, AStoppedSpoolerIsNamedAtStartAndAtInstallAndNothingIsInstalled) {
  language_ = kLanguageSimplified;
  PlugInTr80();
  machine_.services().Stop(L"Spooler");
  Run([&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(wnd::kIdOk)) << "the dialog stays as it was";
    d.Click(IDC_INSTALL_CANCEL);
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u) << "once when the dialog opens, once for Install";
  for (const auto& box : boxes) {
    EXPECT_NE(box.text.find(L"打印后台处理程序服务（Print Spooler）未运行"), std::wstring::npos);
    EXPECT_EQ(box.flags, wnd::kMbOk | wnd::kMbIconError);
  }
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] CInstallDlg::OnInitDialog - Print Spooler service is not running, State=1"),
            std::string::npos);
  EXPECT_NE(log.find("[ERROR] CInstallDlg::OnOK - Print Spooler service is not running, State=1"), std::string::npos);
  EXPECT_EQ(log.find("RetractFileThread"), std::string::npos);
  platform::RegValue value;
  EXPECT_FALSE(PrinterKeyHas(L"Tavro TR-80", L"PrinterDriverData", L"CommandType", &value));
}

TEST_F(InstallLockTest, ASpoolerWhoseStateCannotBeReadIsNotTrustedEither) {
  PlugInTr80();
  machine_.faults().Fail("QueryServiceStatus", platform::err::kAccessDenied);
  Run([&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_NE(LogText().find("[ERROR] CInstallDlg::OnOK - Print Spooler service state unknown, Error=5"),
            std::string::npos);
  EXPECT_EQ(LogText().find("RetractFileThread"), std::string::npos);
}

}  // namespace
