// The language dialog on the program's template 151: rows, texts that follow the selection, OK
// without a row, Cancel, and the rows' custom drawing.
#include "app/select_language_dlg.h"

#include <gtest/gtest.h>

#include "tests/unit/app/app_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;

const std::wstring kSimplified = L"\u7b80\u4f53\u4e2d\u6587";
const std::wstring kTraditional = L"\u7e41\u9ad4\u4e2d\u6587";

class SelectLanguageTest : public app_test::AppTest {
 protected:
  // Runs the dialog with `script` as the user; the dialog as it was left.
  std::shared_ptr<SimDialog> Run(platform::sim::SimWindowFramework::UserScript script) {
    machine_.windows().Script(IDD_SELECT_LANGUAGE, std::move(script));
    result_ = dlg_.DoModal(machine_.windows());
    return machine_.windows().LastDialog(IDD_SELECT_LANGUAGE);
  }
  static std::wstring Texts(SimDialog& d) {
    return d.GetCaption() + L"|" + d.GetText(wnd::kIdOk) + L"|" + d.GetText(wnd::kIdCancel);
  }
  CSelectLanguageDlg dlg_;
  int result_ = 0;
};

TEST_F(SelectLanguageTest, InitialisesTheListAndOkTakesRowZero) {
  auto d = Run([](SimDialog& d) { d.Click(wnd::kIdOk); });
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(result_, wnd::kIdOk);
  EXPECT_EQ(dlg_.m_nLanguage, 1);
  const int list = IDC_LANGUAGE_LIST;
  ASSERT_EQ(d->ListItemCount(list), 3);
  const std::wstring texts[] = {kSimplified, kTraditional, L"English"};
  const intptr_t values[] = {1, 2, 0};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d->ListItemText(list, i, 0, 256), texts[i]);
    EXPECT_EQ(d->ListItemData(list, i), values[i]);
  }
  EXPECT_EQ(d->ListItemState(list, 0, wnd::kLvisSelected | wnd::kLvisFocused),
            wnd::kLvisSelected | wnd::kLvisFocused);
  EXPECT_EQ(d->ListVisibleItem(list), 0);
  EXPECT_EQ(Texts(*d), L"\u8bed\u8a00|\u4e0b\u4e00\u6b65|\u53d6\u6d88");
  EXPECT_NE(d->ListExtendedStyle(list) & wnd::kLvsExFullRowSelect, 0u);
  EXPECT_EQ(d->ListRowHeight(list), 50);
  ASSERT_EQ(d->ListColumnCount(list), 1);
  EXPECT_EQ(d->ListColumnWidth(list, 0), d->ListClientWidth(list));
  EXPECT_GT(d->ListColumnWidth(list, 0), 0);
  EXPECT_EQ(d->ListColumnFormat(list, 0), wnd::kLvcfmtCenter);
}

TEST_F(SelectLanguageTest, TextsFollowTheSelectedRowAndOkStoresItsValue) {
  const std::wstring expected[] = {L"\u8bed\u8a00|\u4e0b\u4e00\u6b65|\u53d6\u6d88",
                                   L"\u8a9e\u8a00|\u4e0b\u4e00\u6b65|\u53d6\u6d88",
                                   L"Language|Next|Cancel"};
  const int values[] = {1, 2, 0};
  for (int row : {1, 2, 0}) {
    std::wstring seen;
    Run([&](SimDialog& d) {
      d.ClickRow(IDC_LANGUAGE_LIST, (row + 1) % 3);  // another row first: the texts change back
      d.ClickRow(IDC_LANGUAGE_LIST, row);
      seen = Texts(d);
      d.Click(wnd::kIdOk);
    });
    EXPECT_EQ(seen, expected[row]) << row;
    EXPECT_EQ(result_, wnd::kIdOk);
    EXPECT_EQ(dlg_.m_nLanguage, values[row]) << row;
  }
}

TEST_F(SelectLanguageTest, OkWithoutARowWarnsAndStaysOpen) {
  bool open_after_ok = false;
  std::wstring texts_after_clear;
  Run([&](SimDialog& d) {
    d.ClickRow(IDC_LANGUAGE_LIST, 2);
    d.ClickRow(IDC_LANGUAGE_LIST, -1);  // beside the rows: nothing selected
    texts_after_clear = Texts(d);
    d.Click(wnd::kIdOk);
    open_after_ok = !d.Ended();
    d.ClickRow(IDC_LANGUAGE_LIST, 1);
    d.Click(wnd::kIdOk);
  });
  EXPECT_TRUE(open_after_ok);
  EXPECT_EQ(texts_after_clear, L"Language|Next|Cancel");
  const auto boxes = machine_.windows().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"\u8bf7\u9009\u62e9\u8bed\u8a00");  // 请选择语言
  EXPECT_EQ(boxes[0].caption, L"\u63d0\u793a");                 // 提示
  EXPECT_EQ(boxes[0].flags, wnd::kMbIconExclamation);
  EXPECT_EQ(boxes[0].owner_template, IDD_SELECT_LANGUAGE);
  EXPECT_EQ(result_, wnd::kIdOk);
  EXPECT_EQ(dlg_.m_nLanguage, 2);
}

TEST_F(SelectLanguageTest, CancelAndCloseKeepTheInitialValue) {
  Run([](SimDialog& d) {
    d.ClickRow(IDC_LANGUAGE_LIST, 2);
    d.Click(wnd::kIdCancel);
  });
  EXPECT_EQ(result_, wnd::kIdCancel);
  EXPECT_EQ(dlg_.m_nLanguage, 1);
  Run([](SimDialog& d) { d.Close(); });
  EXPECT_EQ(result_, wnd::kIdCancel);
  machine_.faults().Fail("DialogBoxParamW", 8, 1);
  EXPECT_EQ(dlg_.DoModal(machine_.windows()), -1);
  EXPECT_EQ(dlg_.m_nLanguage, 1);
}

TEST_F(SelectLanguageTest, RowsAreDrawnByTheDialog) {
  std::vector<platform::CustomDraw> steps;
  Run([&](SimDialog& d) {
    d.ClickRow(IDC_LANGUAGE_LIST, 1);
    steps = d.PaintList(IDC_LANGUAGE_LIST);
    for (uint32_t stage : {wnd::kCddsPrePaint, wnd::kCddsSubItemPrePaint, 0x00010002u}) {
      platform::CustomDraw other;
      other.control_id = IDC_LANGUAGE_LIST;
      other.stage = stage;
      other.item = 0;
      other.result = 0xFF;
      dlg_.OnCustomDraw(d, other);
      steps.push_back(other);
    }
    d.Click(wnd::kIdCancel);
  });
  ASSERT_EQ(steps.size(), 6u);
  const std::wstring texts[] = {kSimplified, kTraditional, L"English"};
  for (int i = 0; i < 3; ++i) {
    const bool selected = i == 1;
    EXPECT_EQ(steps[i].result, wnd::kCdrfSkipDefault) << i;
    EXPECT_TRUE(steps[i].paint_item) << i;
    EXPECT_EQ(steps[i].fill_color, selected ? wnd::kColorHighlight : wnd::kColorWindow) << i;
    EXPECT_EQ(steps[i].text_color, selected ? wnd::kColorHighlightText : wnd::kColorWindowText);
    EXPECT_EQ(steps[i].text, texts[i]);
  }
  EXPECT_EQ(steps[3].result, wnd::kCdrfNotifyItemDraw);
  EXPECT_EQ(steps[4].result, wnd::kCdrfDoDefault);
  EXPECT_EQ(steps[5].result, wnd::kCdrfDoDefault);
  EXPECT_FALSE(steps[4].paint_item || steps[5].paint_item);
}

}  // namespace
