// The simulated user of a dialog: clicks, selections, typing, painting and the posted messages.
#include <chrono>

#include "platform/sim/sim_dialog.h"

namespace platform::sim {

bool SimDialogControls::Usable(int control_id) {
  auto it = controls_.find(control_id);
  if (ended_ || destroyed_ || it == controls_.end() || !it->second.exists) return false;
  const Control& c = it->second;
  if (!c.visible || !c.enabled) return false;
  return c.parent < 0 || Get(c.parent).visible;
}

void SimDialogControls::Command(int id, int code) {
  if (logic_ != nullptr) logic_->OnCommand(logic_view_, id, code);
}

bool SimDialogControls::Click(int control_id) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!Usable(control_id)) return false;
    Control& c = Get(control_id);
    if (c.def.kind == SimControlKind::kCheckBox) {
      c.checked = !c.checked;
    } else if (c.def.kind == SimControlKind::kRadio) {
      // The group runs from the nearest WS_GROUP control at or before this one to the next one.
      size_t pos = 0;
      while (pos < order_.size() && order_[pos] != control_id) ++pos;
      size_t first = pos;
      while (first > 0 && !Get(order_[first]).def.group) --first;
      for (size_t i = first; i < order_.size(); ++i) {
        Control& other = Get(order_[i]);
        if (i > first && other.def.group) break;
        if (other.def.kind == SimControlKind::kRadio) other.checked = false;
      }
      c.checked = true;
    }
  }
  Command(control_id, wnd::kBnClicked);
  return true;
}

bool SimDialogControls::Close() {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (ended_ || destroyed_) return false;
  }
  Command(wnd::kIdCancel, wnd::kBnClicked);
  return true;
}

bool SimDialogControls::ClickRow(int control_id, int item, int sub_item) {
  std::vector<ListNotification> notes;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!Usable(control_id)) return false;
    Control& c = Get(control_id);
    if (item >= static_cast<int>(c.rows.size())) item = -1;
    // A click beside the rows clears the selection and keeps the focus where it was; a click on
    // a row makes it the one selected and focused row. Each changed row is reported once, the
    // rows that lose their state first.
    ListNotification gained{};
    bool has_gained = false;
    for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
      uint32_t old_state = c.rows[i].state;
      uint32_t new_state = old_state & ~wnd::kLvisSelected;
      if (item >= 0) new_state &= ~wnd::kLvisFocused;
      if (i == item) new_state |= wnd::kLvisSelected | wnd::kLvisFocused;
      if (new_state == old_state) continue;
      c.rows[i].state = new_state;
      ListNotification n{control_id, wnd::kLvnItemChanged, i, 0, old_state, new_state,
                         wnd::kLvifState};
      if (i == item) {
        gained = n;
        has_gained = true;
      } else {
        notes.push_back(n);
      }
    }
    if (has_gained) notes.push_back(gained);
    notes.push_back(ListNotification{control_id, wnd::kNmClick, item, sub_item, 0, 0, 0});
  }
  Notify(notes);
  return true;
}

bool SimDialogControls::SelectCombo(int control_id, int index) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!Usable(control_id)) return false;
    Control& c = Get(control_id);
    if (index < 0 || index >= static_cast<int>(c.combo.size())) return false;
    c.cursel = index;
  }
  Command(control_id, wnd::kCbnSelChange);
  return true;
}

bool SimDialogControls::TypeText(int control_id, const std::wstring& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!Usable(control_id)) return false;
  Get(control_id).text = text;
  return true;
}

std::vector<CustomDraw> SimDialogControls::PaintList(int control_id) {
  std::vector<CustomDraw> out;
  int rows;
  int columns;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (destroyed_ || logic_ == nullptr || !ControlExists(control_id)) return out;
    rows = static_cast<int>(Get(control_id).rows.size());
    columns = static_cast<int>(Get(control_id).columns.size());
  }
  CustomDraw pre;
  pre.control_id = control_id;
  pre.stage = wnd::kCddsPrePaint;
  logic_->OnCustomDraw(logic_view_, pre);
  if ((pre.result & wnd::kCdrfNotifyItemDraw) == 0) {
    out.push_back(pre);
    return out;
  }
  for (int i = 0; i < rows; ++i) {
    CustomDraw step;
    step.control_id = control_id;
    step.stage = wnd::kCddsItemPrePaint;
    step.item = i;
    logic_->OnCustomDraw(logic_view_, step);
    out.push_back(step);
    if ((step.result & wnd::kCdrfNotifySubItemDraw) == 0 || step.paint_item) continue;
    for (int column = 0; column < columns; ++column) {
      CustomDraw sub;
      sub.control_id = control_id;
      sub.stage = wnd::kCddsSubItemPrePaint;
      sub.item = i;
      sub.sub_item = column;
      logic_->OnCustomDraw(logic_view_, sub);
      out.push_back(sub);
    }
  }
  return out;
}

bool SimDialogControls::PaintStatic(int control_id, CtlColor* out) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (destroyed_ || logic_ == nullptr || !ControlExists(control_id)) return false;
    SimControlKind kind = Get(control_id).def.kind;
    if (kind != SimControlKind::kStatic && kind != SimControlKind::kCheckBox &&
        kind != SimControlKind::kRadio) {
      return false;
    }
  }
  CtlColor color;
  color.control_id = control_id;
  bool answered = logic_->OnCtlColorStatic(logic_view_, color);
  *out = color;
  return answered;
}

bool SimDialogControls::PaintDialog(CtlColor* out) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (destroyed_ || logic_ == nullptr) return false;
  }
  CtlColor color;
  bool answered = logic_->OnCtlColorDialog(logic_view_, color);
  *out = color;
  return answered;
}

intptr_t SimDialogControls::DeviceChange(uint32_t event_type, uintptr_t data) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (destroyed_ || logic_ == nullptr) return 0;
  }
  // DefWindowProc answers TRUE for every device event (a query to remove is granted).
  return logic_->OnDeviceChange(logic_view_, event_type, data, 1);
}

bool SimDialogControls::RunOnDialogThread(const std::function<void()>& call) {
  if (std::this_thread::get_id() == thread_) {
    if (Destroyed()) return false;
    call();
    return true;
  }
  auto sent = std::make_shared<Sent>();
  sent->call = call;
  std::unique_lock<std::mutex> lock(post_mutex_);
  if (Destroyed()) return false;
  sent_.push_back(sent);
  post_cv_.notify_all();
  post_cv_.wait(lock, [&] { return sent->finished; });
  return sent->served;
}

void SimDialogControls::ServeSent() {
  for (;;) {
    std::shared_ptr<Sent> next;
    {
      std::lock_guard<std::mutex> lock(post_mutex_);
      if (sent_.empty()) return;
      next = sent_.front();
      sent_.pop_front();
    }
    next->call();
    std::lock_guard<std::mutex> lock(post_mutex_);
    next->served = true;
    next->finished = true;
    post_cv_.notify_all();
  }
}

bool SimDialogControls::PopPosted(Posted* out, int timeout_ms) {
  ServeSent();
  std::unique_lock<std::mutex> lock(post_mutex_);
  if (timeout_ms > 0) {
    post_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                      [&] { return !posted_.empty() || !sent_.empty(); });
  }
  if (!sent_.empty()) {
    lock.unlock();
    ServeSent();
    lock.lock();
  }
  if (posted_.empty()) return false;
  *out = posted_.front();
  posted_.pop_front();
  return true;
}

bool SimDialogControls::PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return done();
    Posted msg;
    // Wake now and then so that a condition changed by another thread is seen.
    if (PopPosted(&msg, left < 20 ? static_cast<int>(left) : 20) && logic_ != nullptr) {
      intptr_t result = 0;
      logic_->OnMessage(logic_view_, msg.message, msg.wparam, msg.lparam, &result);
    }
  }
}

void SimDialogControls::PumpPending() {
  Posted msg;
  while (PopPosted(&msg, 0)) {
    if (logic_ == nullptr) continue;
    intptr_t result = 0;
    logic_->OnMessage(logic_view_, msg.message, msg.wparam, msg.lparam, &result);
  }
}

}  // namespace platform::sim
