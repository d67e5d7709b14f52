// The language dialog (template 151): three rows, Simplified Chinese, Traditional Chinese and
// English, whose selection chooses the caption and button texts; OK takes the selected row.
#pragma once

#include "platform/window_framework.h"
#include "ui/resource.h"

constexpr int kLanguageRowHeight = 50;  // pixels

class CSelectLanguageDlg : public platform::DialogLogic {
 public:
  CSelectLanguageDlg() = default;

  // Runs template 151 modally: IDOK when a language was chosen (then m_nLanguage holds it), any
  // other value when the user gave up or the dialog could not be made.
  int DoModal(platform::WindowFramework& windows);

  // The chosen value: 1 until OK succeeds, then the selected row's language.
  int m_nLanguage = 1;

  bool OnInitDialog(platform::DialogControls& controls) override;
  void OnCommand(platform::DialogControls& controls, int id, int code) override;
  intptr_t OnNotify(platform::DialogControls& controls,
                    const platform::ListNotification& notification) override;
  void OnCustomDraw(platform::DialogControls& controls, platform::CustomDraw& draw) override;

 private:
  // Caption and button texts for the language `value`.
  void ApplyTexts(platform::DialogControls& controls, int value);
  void OnOK(platform::DialogControls& controls);
};
