#include "platform/sim/sim_dialog.h"

#include <chrono>

namespace platform::sim {

namespace {
// Dialog units of "MS Shell Dlg" 8 pt to pixels at 96 dpi (base units 6 x 13).
int DuToPxX(int du) { return du * 6 / 4; }
int DuToPxY(int du) { return du * 13 / 8; }
}  // namespace

void SimMessageBoxes::Answer(int button) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(button);
}

int SimMessageBoxes::Show(const std::wstring& text, const std::wstring& caption, uint32_t flags,
                          int owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  int answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else {
    uint32_t buttons = flags & 0x0F;
    answer = buttons == wnd::kMbYesNo ? wnd::kIdYes : wnd::kIdOk;
  }
  shown_.push_back(SimMessageBox{text, caption, flags, answer, owner});
  return answer;
}

std::vector<SimMessageBox> SimMessageBoxes::Shown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

SimDialogControls::SimDialogControls(const SimTemplate& tmpl, DialogLogic* logic,
                                     SimMessageBoxes* boxes)
    : template_(tmpl), logic_(logic), boxes_(boxes), caption_(tmpl.caption) {
  for (const SimControlDef& def : tmpl.controls) {
    Control& c = controls_[def.id];
    c.def = def;
    c.exists = true;
    c.text = def.text;
    c.visible = def.visible;
    c.enabled = def.enabled;
    order_.push_back(def.id);
  }
}

SimDialogControls::Control& SimDialogControls::Get(int control_id) {
  return controls_[control_id];
}

bool SimDialogControls::ControlExists(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = controls_.find(control_id);
  return !destroyed_ && it != controls_.end() && it->second.exists;
}

void SimDialogControls::AddControl(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  c.exists = true;
  c.def.id = control_id;
}

int SimDialogControls::ComboAddString(int control_id, const std::wstring& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto& items = Get(control_id).combo;
  items.push_back(text);
  return static_cast<int>(items.size()) - 1;
}

std::vector<std::wstring> SimDialogControls::ComboItems(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).combo;
}

void SimDialogControls::ComboReset(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  c.combo.clear();
  c.cursel = -1;
}

int SimDialogControls::ComboCount(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<int>(Get(control_id).combo.size());
}

int SimDialogControls::ComboGetCurSel(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).cursel;
}

void SimDialogControls::ComboSetCurSel(int control_id, int index) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  // CB_SETCURSEL with an index out of range clears the selection.
  c.cursel = (index >= 0 && index < static_cast<int>(c.combo.size())) ? index : -1;
}

std::wstring SimDialogControls::ComboItemText(int control_id, int index) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (index < 0 || index >= static_cast<int>(c.combo.size())) return std::wstring();
  return c.combo[index];
}

void SimDialogControls::SetProgressPos(int control_id, int position) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).progress.push_back(position);
}

std::vector<int> SimDialogControls::ProgressPositions(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).progress;
}

void SimDialogControls::SetProgressRange(int control_id, int low, int high) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  c.low = low;
  c.high = high;
}

int SimDialogControls::ProgressLow(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).low;
}

int SimDialogControls::ProgressHigh(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).high;
}

std::wstring SimDialogControls::GetCaption() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return caption_;
}

void SimDialogControls::SetCaption(const std::wstring& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  caption_ = text;
}

void SimDialogControls::End(int result) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (ended_ || destroyed_) return;
  ended_ = true;
  result_ = result;
  post_cv_.notify_all();
}

bool SimDialogControls::Ended() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return ended_;
}

int SimDialogControls::Result() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return result_;
}

bool SimDialogControls::Destroyed() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return destroyed_;
}

void SimDialogControls::Destroy() {
  bool notify;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    notify = !destroyed_ && !destroy_sent_ && logic_ != nullptr;
    destroy_sent_ = true;
  }
  // As on Windows, WM_DESTROY reaches the logic while the controls still exist.
  if (notify) logic_->OnDestroy(logic_view_);
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    destroyed_ = true;
  }
  // Calls still waiting to be served fail, as SendMessage to a window that goes away does.
  std::lock_guard<std::mutex> lock(post_mutex_);
  for (auto& sent : sent_) sent->finished = true;
  sent_.clear();
  post_cv_.notify_all();
}

int SimDialogControls::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                      uint32_t flags) {
  SimMessageBoxes* boxes = boxes_ != nullptr ? boxes_ : &own_boxes_;
  return boxes->Show(text, caption, flags, template_.id);
}

bool SimDialogControls::PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (faults_ != nullptr && faults_->ShouldFail("PostMessageW")) return false;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (destroyed_) return false;
  }
  std::lock_guard<std::mutex> lock(post_mutex_);
  posted_.push_back(Posted{message, wparam, lparam});
  post_cv_.notify_all();
  return true;
}

void SimDialogControls::SetDialogIcon(int icon_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  icon_ = icon_id;
}

int SimDialogControls::Icon() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return icon_;
}

void SimDialogControls::ClientSize(int* width, int* height) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  *width = DuToPxX(template_.width);
  *height = DuToPxY(template_.height);
}

std::wstring SimDialogControls::GetText(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).text;
}

void SimDialogControls::SetText(int control_id, const std::wstring& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).text = text;
}

void SimDialogControls::ShowControl(int control_id, bool show) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).visible = show;
}

bool SimDialogControls::IsControlVisible(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (!c.visible) return false;
  // A window is visible only while its parent panel is.
  return c.parent < 0 || Get(c.parent).visible;
}

void SimDialogControls::EnableControl(int control_id, bool enable) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).enabled = enable;
}

bool SimDialogControls::IsControlEnabled(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).enabled;
}

void SimDialogControls::RedrawControl(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).redraws++;
}

int SimDialogControls::RedrawCount(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).redraws;
}

void SimDialogControls::SetCheck(int control_id, bool checked) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).checked = checked;
}

bool SimDialogControls::IsChecked(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).checked;
}

bool SimDialogControls::CreateChildPanel(int panel_id, int x, int y, int width, int height) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (destroyed_ || width < 0 || height < 0) return false;
  Control& c = Get(panel_id);
  if (c.exists) return false;
  c.exists = true;
  c.def.id = panel_id;
  c.def.kind = SimControlKind::kPanel;
  c.def.x = x;
  c.def.y = y;
  c.def.width = width;
  c.def.height = height;
  return true;
}

bool SimDialogControls::CreateEditField(int panel_id, int edit_id, int left, int top, int right,
                                        int bottom) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto panel = controls_.find(panel_id);
  if (destroyed_ || panel == controls_.end() || !panel->second.exists ||
      panel->second.def.kind != SimControlKind::kPanel) {
    return false;
  }
  Control& c = Get(edit_id);
  if (c.exists) return false;
  c.exists = true;
  c.parent = panel_id;
  c.def.id = edit_id;
  c.def.kind = SimControlKind::kEdit;
  c.def.x = left;
  c.def.y = top;
  c.def.width = right - left;
  c.def.height = bottom - top;
  return true;
}

int SimDialogControls::ParentPanel(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).parent;
}

std::vector<int> SimDialogControls::ControlIds() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<int> ids;
  for (auto& [id, c] : controls_) {
    if (c.exists) ids.push_back(id);
  }
  return ids;
}

}  // namespace platform::sim

namespace platform::sim {

namespace {
// LOGFONT height of a point size at 96 dpi (negative: character height).
int PointsToHeight(int points) { return -(points * 96 + 36) / 72; }
}  // namespace

std::unique_ptr<Font> SimDialogControls::CreateUnderlinedDialogFont() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto font = std::make_unique<SimFont>();
  font->face = template_.font_face;
  font->height = PointsToHeight(template_.font_size);
  font->weight = wnd::kFwNormal;
  font->underline = true;
  return font;
}

std::unique_ptr<Font> SimDialogControls::CreateFontByFace(const std::wstring& face, int height,
                                                          int weight, int charset) {
  auto font = std::make_unique<SimFont>();
  font->face = face;
  font->height = height;
  font->weight = weight;
  font->charset = charset;
  return font;
}

void SimDialogControls::SetControlFont(int control_id, const Font* font, bool redraw) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  c.font = dynamic_cast<const SimFont*>(font);
  if (redraw) c.redraws++;
}

const SimFont* SimDialogControls::ControlFont(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).font;
}

void SimDialogControls::FocusControl(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  focused_ = control_id;
}

int SimDialogControls::FocusedControl() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return focused_;
}

}  // namespace platform::sim
