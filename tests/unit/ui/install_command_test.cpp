// Pressing Install when the dialog must refuse: each refusal in its language and order, and a
// model whose papers are missing. The installations themselves are in tests/scenario.
#include <gtest/gtest.h>

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

}  // namespace
