// The controls of one real dialog, addressed by id: template controls through GetDlgItem, and
// the windows the dialog makes itself (panels, edit fields) by the ids given at creation.
// Free of windows.h: window handles travel as void*.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window_framework.h"

namespace platform::win32 {

// A GDI font of a dialog, made for the dialog's DPI; the destructor deletes it. When the dialog
// moves to a monitor of another DPI its dialog controls make the font again at that DPI: the
// handle then changes.
class Win32Font : public Font {
 public:
  struct State;  // the LOGFONTW, the DPI it was made for and the HFONT; shared with the controls
  explicit Win32Font(std::shared_ptr<State> state);
  ~Win32Font() override;
  void* Handle() const;
  const std::shared_ptr<State>& Shared() const { return state_; }

 private:
  std::shared_ptr<State> state_;
};

// The HFONT of a font made by a dialog (null for none).
void* FontHandle(const Font* font);

class Win32DialogControls : public DialogControls {
 public:
  explicit Win32DialogControls(void* module);
  ~Win32DialogControls() override;

  // The dialog window, from WM_INITDIALOG until the modal run returns.
  void Attach(void* hwnd);
  void Detach();
  void* Hwnd() const { return hwnd_.load(); }

  // The dialog's DPI: GetDpiForWindow where Windows has it (10 1607 and later), otherwise the
  // screen's LOGPIXELSY; 96 before Attach.
  int Dpi();
  // A length in pixels at 96 DPI, at the dialog's DPI (MulDiv(pixels, dpi, 96)).
  int ScalePixels(int pixels);
  // A length in pixels at the dialog's DPI, at 96 DPI (rounded down).
  int UnscalePixels(int pixels);
  // WM_DPICHANGED: the fonts made through these controls are made again for `new_dpi` and given
  // again to the controls that had them, list columns and row heights are rescaled. The dialog
  // manager resizes the dialog and its template controls itself (Windows 10 1703 and later).
  void OnDpiChanged(int new_dpi);

  int ComboAddString(int control_id, const std::wstring& text) override;
  bool ControlExists(int control_id) override;
  void SetProgressPos(int control_id, int position) override;
  std::wstring GetCaption() override;
  void SetCaption(const std::wstring& text) override;
  void End(int result) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  bool PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void SetDialogIcon(int icon_id) override;
  void ClientSize(int* width, int* height) override;
  std::unique_ptr<Font> CreateUnderlinedDialogFont() override;
  std::unique_ptr<Font> CreateFontByFace(const std::wstring& face, int height, int weight,
                                         int charset) override;
  void SetControlFont(int control_id, const Font* font, bool redraw) override;
  void FocusControl(int control_id) override;
  void ListSetColumnText(int control_id, int column, const std::wstring& text) override;
  std::wstring GetText(int control_id) override;
  void SetText(int control_id, const std::wstring& text) override;
  void ShowControl(int control_id, bool show) override;
  bool IsControlVisible(int control_id) override;
  void EnableControl(int control_id, bool enable) override;
  bool IsControlEnabled(int control_id) override;
  void RedrawControl(int control_id) override;
  void SetCheck(int control_id, bool checked) override;
  bool IsChecked(int control_id) override;
  void ComboReset(int control_id) override;
  int ComboCount(int control_id) override;
  int ComboGetCurSel(int control_id) override;
  void ComboSetCurSel(int control_id, int index) override;
  std::wstring ComboItemText(int control_id, int index) override;
  void SetProgressRange(int control_id, int low, int high) override;
  void ListSetExtendedStyle(int control_id, uint32_t styles) override;
  void ListSetRowHeight(int control_id, int pixels) override;
  int ListClientWidth(int control_id) override;
  int ListInsertColumn(int control_id, int column, const std::wstring& text, int width,
                       int format) override;
  void ListSetColumnFormat(int control_id, int column, int format) override;
  int ListInsertItem(int control_id, int item, const std::wstring& text, intptr_t data) override;
  void ListSetItemText(int control_id, int item, int sub_item, const std::wstring& text) override;
  std::wstring ListItemText(int control_id, int item, int sub_item, int max_chars) override;
  intptr_t ListItemData(int control_id, int item) override;
  int ListItemCount(int control_id) override;
  void ListDeleteAllItems(int control_id) override;
  int ListNextItem(int control_id, int start, uint32_t flags) override;
  void ListSetItemState(int control_id, int item, uint32_t state, uint32_t mask) override;
  uint32_t ListItemState(int control_id, int item, uint32_t mask) override;
  void ListEnsureVisible(int control_id, int item) override;
  void ListRedrawItems(int control_id, int first, int last) override;
  bool CreateChildPanel(int panel_id, int x, int y, int width, int height) override;
  bool CreateEditField(int panel_id, int edit_id, int left, int top, int right, int bottom) override;

 private:
  void* Item(int control_id);
  // Keeps `state` for a DPI change and hands out the font.
  std::unique_ptr<Font> Register(std::shared_ptr<Win32Font::State> state);
  intptr_t Send(int control_id, uint32_t message, uintptr_t wparam, intptr_t lparam);

  // The dialog window; the worker thread reads it while the dialog's thread detaches.
  void* Dialog() const { return hwnd_.load(); }

  void* module_;
  std::atomic<void*> hwnd_{nullptr};
  std::mutex mutex_;
  std::map<int, void*> own_windows_;
  // The DPI the fonts, columns and rows were last made for (0: not yet asked).
  int dpi_ = 0;
  // Fonts made here (owned by the dialog's logic), the controls given one, and the row heights
  // (96 DPI pixels) of the lists: what a DPI change makes again.
  std::vector<std::weak_ptr<Win32Font::State>> fonts_;
  std::map<int, std::weak_ptr<Win32Font::State>> control_fonts_;
  std::map<int, int> row_heights_;
  std::vector<int> lists_;  // list views given columns
  struct Icons;                  // the window icons, owned until the controls go
  std::unique_ptr<Icons> icons_;
};

}  // namespace platform::win32
