#include "app/select_language_dlg.h"

#include "install/install_texts.h"

namespace wnd = platform::wnd;

namespace {

struct LanguageRow {
  const wchar_t* text;
  int value;
};

constexpr LanguageRow kRows[] = {
    {L"\u7b80\u4f53\u4e2d\u6587", kLanguageSimplified},   // 简体中文
    {L"\u7e41\u9ad4\u4e2d\u6587", kLanguageTraditional},  // 繁體中文
    {L"English", kLanguageEnglish},
};

constexpr int kRowTextMaxChars = 256;

}  // namespace

int CSelectLanguageDlg::DoModal(platform::WindowFramework& windows) {
  return windows.RunModal(IDD_SELECT_LANGUAGE, *this);
}

bool CSelectLanguageDlg::OnInitDialog(platform::DialogControls& controls) {
  controls.ListSetExtendedStyle(IDC_LANGUAGE_LIST, wnd::kLvsExFullRowSelect);
  // The rows take the height of the state images.
  controls.ListSetRowHeight(IDC_LANGUAGE_LIST, kLanguageRowHeight);
  controls.ListInsertColumn(IDC_LANGUAGE_LIST, 0, L"", controls.ListClientWidth(IDC_LANGUAGE_LIST),
                            wnd::kLvcfmtLeft);
  // The first column of a list view is always left-aligned when inserted; centring takes a
  // second step.
  controls.ListSetColumnFormat(IDC_LANGUAGE_LIST, 0, wnd::kLvcfmtCenter);
  int index = 0;
  for (const LanguageRow& row : kRows) {
    controls.ListInsertItem(IDC_LANGUAGE_LIST, index++, row.text, row.value);
  }
  controls.ListSetItemState(IDC_LANGUAGE_LIST, 0, wnd::kLvisSelected | wnd::kLvisFocused,
                            wnd::kLvisSelected | wnd::kLvisFocused);
  controls.ListEnsureVisible(IDC_LANGUAGE_LIST, 0);
  ApplyTexts(controls, static_cast<int>(controls.ListItemData(IDC_LANGUAGE_LIST, 0)));
  return true;
}

void CSelectLanguageDlg::ApplyTexts(platform::DialogControls& controls, int value) {
  controls.SetCaption(TextFor(value, L"Language", L"\u8bed\u8a00", L"\u8a9e\u8a00"));
  controls.SetText(wnd::kIdOk, TextFor(value, L"Next", L"\u4e0b\u4e00\u6b65", L"\u4e0b\u4e00\u6b65"));
  controls.SetText(wnd::kIdCancel, TextFor(value, L"Cancel", L"\u53d6\u6d88", L"\u53d6\u6d88"));
}

intptr_t CSelectLanguageDlg::OnNotify(platform::DialogControls& controls,
                                      const platform::ListNotification& n) {
  if (n.control_id != IDC_LANGUAGE_LIST || n.code != wnd::kLvnItemChanged) return 0;
  bool became_selected = (n.changed & wnd::kLvifState) != 0 &&
                         (n.new_state & wnd::kLvisSelected) != 0 &&
                         (n.old_state & wnd::kLvisSelected) == 0;
  if (became_selected && n.item >= 0) {
    ApplyTexts(controls, static_cast<int>(controls.ListItemData(IDC_LANGUAGE_LIST, n.item)));
  }
  return 0;
}

void CSelectLanguageDlg::OnCustomDraw(platform::DialogControls& controls, platform::CustomDraw& draw) {
  if (draw.control_id != IDC_LANGUAGE_LIST) return;
  if (draw.stage == wnd::kCddsPrePaint) {
    draw.result = wnd::kCdrfNotifyItemDraw;
    return;
  }
  if (draw.stage != wnd::kCddsItemPrePaint) {
    draw.result = wnd::kCdrfDoDefault;
    return;
  }
  bool selected =
      controls.ListItemState(IDC_LANGUAGE_LIST, draw.item, wnd::kLvisSelected) != 0;
  draw.paint_item = true;
  draw.fill_color = selected ? wnd::kColorHighlight : wnd::kColorWindow;
  draw.text_color = selected ? wnd::kColorHighlightText : wnd::kColorWindowText;
  draw.text = controls.ListItemText(IDC_LANGUAGE_LIST, draw.item, 0, kRowTextMaxChars);
  draw.result = wnd::kCdrfSkipDefault;
}

void CSelectLanguageDlg::OnCommand(platform::DialogControls& controls, int id, int code) {
  (void)code;
  if (id == wnd::kIdOk) {
    OnOK(controls);
  } else if (id == wnd::kIdCancel) {
    controls.End(wnd::kIdCancel);
  }
}

void CSelectLanguageDlg::OnOK(platform::DialogControls& controls) {
  int item = controls.ListNextItem(IDC_LANGUAGE_LIST, -1, wnd::kLvniSelected);
  if (item < 0) {
    controls.ShowMessageBox(
        TextFor(m_nLanguage, L"Please select a language", L"\u8bf7\u9009\u62e9\u8bed\u8a00",
                L"\u8acb\u9078\u64c7\u8a9e\u8a00"),
        TextFor(m_nLanguage, L"Notice", L"\u63d0\u793a", L"\u63d0\u793a"), wnd::kMbIconExclamation);
    return;
  }
  m_nLanguage = static_cast<int>(controls.ListItemData(IDC_LANGUAGE_LIST, item));
  controls.End(wnd::kIdOk);
}
