// The dialog's controls as its logic sees them: each call is checked, then handed to the dialog.
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <utility>

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

template <typename R, typename... P, typename... A>
R SimLogicControls::Forward(int control_id, const char* call, R (DialogControls::*method)(P...), A&&... args) {
  d_.Guard(control_id, call);
  if constexpr (std::is_void_v<R>) {
    d_.RunOnDialogThread([&] { (d_.*method)(std::forward<A>(args)...); });
  } else {
    R result{};
    d_.RunOnDialogThread([&] { result = (d_.*method)(std::forward<A>(args)...); });
    return result;
  }
}

// Whether a control exists is the one question that may be asked of anything; a message may be
// posted after the end (it is refused, as on Windows).
bool SimLogicControls::ControlExists(int control_id) { return d_.ControlExists(control_id); }
bool SimLogicControls::PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return d_.PostToDialog(message, wparam, lparam);
}

// Every other call: checked, then run on the dialog's thread.
std::wstring SimLogicControls::GetCaption() { return Forward(kNone, "GetCaption", &DialogControls::GetCaption); }
void SimLogicControls::SetCaption(const std::wstring& t) {
  Forward(kNone, "SetCaption", &DialogControls::SetCaption, t);
}
void SimLogicControls::End(int result) { Forward(kNone, "End", &DialogControls::End, result); }
int SimLogicControls::ShowMessageBox(const std::wstring& t, const std::wstring& cap, uint32_t f) {
  return Forward(kNone, "ShowMessageBox", &DialogControls::ShowMessageBox, t, cap, f);
}
void SimLogicControls::SetDialogIcon(int icon_id) {
  Forward(kNone, "SetDialogIcon", &DialogControls::SetDialogIcon, icon_id);
}
void SimLogicControls::ClientSize(int* width, int* height) {
  Forward(kNone, "ClientSize", &DialogControls::ClientSize, width, height);
}
std::unique_ptr<Font> SimLogicControls::CreateUnderlinedDialogFont() {
  return Forward(kNone, "CreateUnderlinedDialogFont", &DialogControls::CreateUnderlinedDialogFont);
}
std::unique_ptr<Font> SimLogicControls::CreateFontByFace(const std::wstring& face, int height, int weight,
                                                         int charset) {
  return Forward(kNone, "CreateFontByFace", &DialogControls::CreateFontByFace, face, height, weight, charset);
}
void SimLogicControls::SetControlFont(int id, const Font* font, bool r) {
  Forward(id, "SetControlFont", &DialogControls::SetControlFont, id, font, r);
}
std::wstring SimLogicControls::GetText(int id) { return Forward(id, "GetText", &DialogControls::GetText, id); }
void SimLogicControls::SetText(int id, const std::wstring& t) {
  Forward(id, "SetText", &DialogControls::SetText, id, t);
}
void SimLogicControls::ShowControl(int id, bool show) {
  Forward(id, "ShowControl", &DialogControls::ShowControl, id, show);
}
bool SimLogicControls::IsControlVisible(int id) {
  return Forward(id, "IsControlVisible", &DialogControls::IsControlVisible, id);
}
void SimLogicControls::EnableControl(int id, bool e) {
  Forward(id, "EnableControl", &DialogControls::EnableControl, id, e);
}
bool SimLogicControls::IsControlEnabled(int id) {
  return Forward(id, "IsControlEnabled", &DialogControls::IsControlEnabled, id);
}
void SimLogicControls::RedrawControl(int id) { Forward(id, "RedrawControl", &DialogControls::RedrawControl, id); }
void SimLogicControls::FocusControl(int id) { Forward(id, "FocusControl", &DialogControls::FocusControl, id); }
void SimLogicControls::SetCheck(int id, bool c) { Forward(id, "SetCheck", &DialogControls::SetCheck, id, c); }
bool SimLogicControls::IsChecked(int id) { return Forward(id, "IsChecked", &DialogControls::IsChecked, id); }
int SimLogicControls::ComboAddString(int id, const std::wstring& t) {
  return Forward(id, "ComboAddString", &DialogControls::ComboAddString, id, t);
}
void SimLogicControls::ComboReset(int id) { Forward(id, "ComboReset", &DialogControls::ComboReset, id); }
int SimLogicControls::ComboCount(int id) { return Forward(id, "ComboCount", &DialogControls::ComboCount, id); }
int SimLogicControls::ComboGetCurSel(int id) {
  return Forward(id, "ComboGetCurSel", &DialogControls::ComboGetCurSel, id);
}
void SimLogicControls::ComboSetCurSel(int id, int index) {
  Forward(id, "ComboSetCurSel", &DialogControls::ComboSetCurSel, id, index);
}
std::wstring SimLogicControls::ComboItemText(int id, int index) {
  return Forward(id, "ComboItemText", &DialogControls::ComboItemText, id, index);
}
void SimLogicControls::SetProgressRange(int id, int low, int high) {
  Forward(id, "SetProgressRange", &DialogControls::SetProgressRange, id, low, high);
}
void SimLogicControls::SetProgressPos(int id, int pos) {
  Forward(id, "SetProgressPos", &DialogControls::SetProgressPos, id, pos);
}
void SimLogicControls::ListSetExtendedStyle(int id, uint32_t s) {
  Forward(id, "ListSetExtendedStyle", &DialogControls::ListSetExtendedStyle, id, s);
}
void SimLogicControls::ListSetRowHeight(int id, int px) {
  Forward(id, "ListSetRowHeight", &DialogControls::ListSetRowHeight, id, px);
}
int SimLogicControls::ListClientWidth(int id) {
  return Forward(id, "ListClientWidth", &DialogControls::ListClientWidth, id);
}
int SimLogicControls::ListInsertColumn(int id, int column, const std::wstring& t, int width, int format) {
  return Forward(id, "ListInsertColumn", &DialogControls::ListInsertColumn, id, column, t, width, format);
}
void SimLogicControls::ListSetColumnFormat(int id, int column, int format) {
  Forward(id, "ListSetColumnFormat", &DialogControls::ListSetColumnFormat, id, column, format);
}
void SimLogicControls::ListSetColumnText(int id, int column, const std::wstring& t) {
  Forward(id, "ListSetColumnText", &DialogControls::ListSetColumnText, id, column, t);
}
int SimLogicControls::ListInsertItem(int id, int item, const std::wstring& t, intptr_t data) {
  return Forward(id, "ListInsertItem", &DialogControls::ListInsertItem, id, item, t, data);
}
void SimLogicControls::ListSetItemText(int id, int item, int sub, const std::wstring& t) {
  Forward(id, "ListSetItemText", &DialogControls::ListSetItemText, id, item, sub, t);
}
std::wstring SimLogicControls::ListItemText(int id, int item, int sub, int max) {
  return Forward(id, "ListItemText", &DialogControls::ListItemText, id, item, sub, max);
}
intptr_t SimLogicControls::ListItemData(int id, int item) {
  return Forward(id, "ListItemData", &DialogControls::ListItemData, id, item);
}
int SimLogicControls::ListItemCount(int id) { return Forward(id, "ListItemCount", &DialogControls::ListItemCount, id); }
void SimLogicControls::ListDeleteAllItems(int id) {
  Forward(id, "ListDeleteAllItems", &DialogControls::ListDeleteAllItems, id);
}
int SimLogicControls::ListNextItem(int id, int start, uint32_t f) {
  return Forward(id, "ListNextItem", &DialogControls::ListNextItem, id, start, f);
}
void SimLogicControls::ListSetItemState(int id, int item, uint32_t state, uint32_t mask) {
  Forward(id, "ListSetItemState", &DialogControls::ListSetItemState, id, item, state, mask);
}
uint32_t SimLogicControls::ListItemState(int id, int item, uint32_t mask) {
  return Forward(id, "ListItemState", &DialogControls::ListItemState, id, item, mask);
}
void SimLogicControls::ListEnsureVisible(int id, int item) {
  Forward(id, "ListEnsureVisible", &DialogControls::ListEnsureVisible, id, item);
}
void SimLogicControls::ListRedrawItems(int id, int first, int last) {
  Forward(id, "ListRedrawItems", &DialogControls::ListRedrawItems, id, first, last);
}
bool SimLogicControls::CreateChildPanel(int panel_id, int x, int y, int width, int height) {
  return Forward(kNone, "CreateChildPanel", &DialogControls::CreateChildPanel, panel_id, x, y, width, height);
}
bool SimLogicControls::CreateEditField(int panel_id, int edit_id, int left, int top, int right, int bottom) {
  return Forward(panel_id, "CreateEditField", &DialogControls::CreateEditField, panel_id, edit_id, left, top, right,
                 bottom);
}

}  // namespace platform::sim
