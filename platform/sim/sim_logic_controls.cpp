// The dialog's controls as its logic sees them: each call is checked, then handed to the dialog.
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "platform/sim/sim_dialog.h"

namespace platform::sim {

void SimDialogControls::Guard(int control_id, const char* call) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const char* fault = nullptr;
  if (destroyed_) {
    fault = "called after the dialog was destroyed";
  } else if (control_id != kNoControl) {
    auto it = controls_.find(control_id);
    if (it == controls_.end() || !it->second.exists) fault = "names a control the dialog lacks";
  }
  if (fault == nullptr) return;
  std::fprintf(stderr, "SIMULATED WINDOW FRAMEWORK: %s(%d) of dialog %d %s\n", call,
               control_id == kNoControl ? 0 : control_id, template_.id, fault);
  std::fflush(stderr);
  std::abort();
}

namespace {
constexpr int kNone = SimDialogControls::kNoControl;
}  // namespace

template <typename F>
auto SimLogicControls::Send(int control_id, const char* call, F f) -> decltype(f()) {
  d_.Guard(control_id, call);
  using Result = decltype(f());
  if constexpr (std::is_void_v<Result>) {
    d_.RunOnDialogThread(f);
  } else {
    Result result{};
    d_.RunOnDialogThread([&] { result = f(); });
    return result;
  }
}

// Whether a control exists is the one question that may be asked of anything.
bool SimLogicControls::ControlExists(int id) { return d_.ControlExists(id); }

std::wstring SimLogicControls::GetCaption() { return Send(kNone, "GetCaption", [&] { return d_.GetCaption(); }); }
void SimLogicControls::SetCaption(const std::wstring& t) { Send(kNone, "SetCaption", [&] { d_.SetCaption(t); }); }
void SimLogicControls::End(int result) { Send(kNone, "End", [&] { d_.End(result); }); }
int SimLogicControls::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                     uint32_t flags) {
  return Send(kNone, "ShowMessageBox", [&] { return d_.ShowMessageBox(text, caption, flags); });
}
bool SimLogicControls::PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return d_.PostToDialog(message, wparam, lparam);
}
void SimLogicControls::SetDialogIcon(int icon_id) { Send(kNone, "SetDialogIcon", [&] { d_.SetDialogIcon(icon_id); }); }
void SimLogicControls::ClientSize(int* w, int* h) { Send(kNone, "ClientSize", [&] { d_.ClientSize(w, h); }); }
std::unique_ptr<Font> SimLogicControls::CreateUnderlinedDialogFont() {
  return Send(kNone, "CreateUnderlinedDialogFont", [&] { return d_.CreateUnderlinedDialogFont(); });
}
std::unique_ptr<Font> SimLogicControls::CreateFontByFace(const std::wstring& face, int height,
                                                         int weight, int charset) {
  return Send(kNone, "CreateFontByFace", [&] { return d_.CreateFontByFace(face, height, weight, charset); });
}
void SimLogicControls::SetControlFont(int id, const Font* font, bool redraw) {
  Send(id, "SetControlFont", [&] { d_.SetControlFont(id, font, redraw); });
}
std::wstring SimLogicControls::GetText(int id) { return Send(id, "GetText", [&] { return d_.GetText(id); }); }
void SimLogicControls::SetText(int id, const std::wstring& t) { Send(id, "SetText", [&] { d_.SetText(id, t); }); }
void SimLogicControls::ShowControl(int id, bool show) { Send(id, "ShowControl", [&] { d_.ShowControl(id, show); }); }
bool SimLogicControls::IsControlVisible(int id) { return Send(id, "IsControlVisible", [&] { return d_.IsControlVisible(id); }); }
void SimLogicControls::EnableControl(int id, bool e) { Send(id, "EnableControl", [&] { d_.EnableControl(id, e); }); }
bool SimLogicControls::IsControlEnabled(int id) { return Send(id, "IsControlEnabled", [&] { return d_.IsControlEnabled(id); }); }
void SimLogicControls::RedrawControl(int id) { Send(id, "RedrawControl", [&] { d_.RedrawControl(id); }); }
void SimLogicControls::FocusControl(int id) { Send(id, "FocusControl", [&] { d_.FocusControl(id); }); }
void SimLogicControls::SetCheck(int id, bool c) { Send(id, "SetCheck", [&] { d_.SetCheck(id, c); }); }
bool SimLogicControls::IsChecked(int id) { return Send(id, "IsChecked", [&] { return d_.IsChecked(id); }); }
int SimLogicControls::ComboAddString(int id, const std::wstring& t) {
  return Send(id, "ComboAddString", [&] { return d_.ComboAddString(id, t); });
}
void SimLogicControls::ComboReset(int id) { Send(id, "ComboReset", [&] { d_.ComboReset(id); }); }
int SimLogicControls::ComboCount(int id) { return Send(id, "ComboCount", [&] { return d_.ComboCount(id); }); }
int SimLogicControls::ComboGetCurSel(int id) { return Send(id, "ComboGetCurSel", [&] { return d_.ComboGetCurSel(id); }); }
void SimLogicControls::ComboSetCurSel(int id, int i) { Send(id, "ComboSetCurSel", [&] { d_.ComboSetCurSel(id, i); }); }
std::wstring SimLogicControls::ComboItemText(int id, int i) {
  return Send(id, "ComboItemText", [&] { return d_.ComboItemText(id, i); });
}
void SimLogicControls::SetProgressRange(int id, int lo, int hi) {
  Send(id, "SetProgressRange", [&] { d_.SetProgressRange(id, lo, hi); });
}
void SimLogicControls::SetProgressPos(int id, int pos) { Send(id, "SetProgressPos", [&] { d_.SetProgressPos(id, pos); }); }
void SimLogicControls::ListSetExtendedStyle(int id, uint32_t s) {
  Send(id, "ListSetExtendedStyle", [&] { d_.ListSetExtendedStyle(id, s); });
}
void SimLogicControls::ListSetRowHeight(int id, int px) { Send(id, "ListSetRowHeight", [&] { d_.ListSetRowHeight(id, px); }); }
int SimLogicControls::ListClientWidth(int id) { return Send(id, "ListClientWidth", [&] { return d_.ListClientWidth(id); }); }
int SimLogicControls::ListInsertColumn(int id, int column, const std::wstring& text, int width,
                                       int format) {
  return Send(id, "ListInsertColumn", [&] { return d_.ListInsertColumn(id, column, text, width, format); });
}
void SimLogicControls::ListSetColumnFormat(int id, int column, int format) {
  Send(id, "ListSetColumnFormat", [&] { d_.ListSetColumnFormat(id, column, format); });
}
void SimLogicControls::ListSetColumnText(int id, int column, const std::wstring& text) {
  Send(id, "ListSetColumnText", [&] { d_.ListSetColumnText(id, column, text); });
}
int SimLogicControls::ListInsertItem(int id, int item, const std::wstring& text, intptr_t data) {
  return Send(id, "ListInsertItem", [&] { return d_.ListInsertItem(id, item, text, data); });
}
void SimLogicControls::ListSetItemText(int id, int item, int sub, const std::wstring& text) {
  Send(id, "ListSetItemText", [&] { d_.ListSetItemText(id, item, sub, text); });
}
std::wstring SimLogicControls::ListItemText(int id, int item, int sub, int max_chars) {
  return Send(id, "ListItemText", [&] { return d_.ListItemText(id, item, sub, max_chars); });
}
intptr_t SimLogicControls::ListItemData(int id, int item) { return Send(id, "ListItemData", [&] { return d_.ListItemData(id, item); }); }
int SimLogicControls::ListItemCount(int id) { return Send(id, "ListItemCount", [&] { return d_.ListItemCount(id); }); }
void SimLogicControls::ListDeleteAllItems(int id) { Send(id, "ListDeleteAllItems", [&] { d_.ListDeleteAllItems(id); }); }
int SimLogicControls::ListNextItem(int id, int start, uint32_t flags) {
  return Send(id, "ListNextItem", [&] { return d_.ListNextItem(id, start, flags); });
}
void SimLogicControls::ListSetItemState(int id, int item, uint32_t state, uint32_t mask) {
  Send(id, "ListSetItemState", [&] { d_.ListSetItemState(id, item, state, mask); });
}
uint32_t SimLogicControls::ListItemState(int id, int item, uint32_t mask) {
  return Send(id, "ListItemState", [&] { return d_.ListItemState(id, item, mask); });
}
void SimLogicControls::ListEnsureVisible(int id, int item) { Send(id, "ListEnsureVisible", [&] { d_.ListEnsureVisible(id, item); }); }
void SimLogicControls::ListRedrawItems(int id, int first, int last) {
  Send(id, "ListRedrawItems", [&] { d_.ListRedrawItems(id, first, last); });
}
bool SimLogicControls::CreateChildPanel(int panel_id, int x, int y, int width, int height) {
  return Send(kNone, "CreateChildPanel", [&] { return d_.CreateChildPanel(panel_id, x, y, width, height); });
}
bool SimLogicControls::CreateEditField(int panel_id, int edit_id, int left, int top, int right,
                                       int bottom) {
  return Send(panel_id, "CreateEditField", [&] { return d_.CreateEditField(panel_id, edit_id, left, top, right, bottom); });
}

}  // namespace platform::sim
