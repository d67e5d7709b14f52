#include "ui/quiet_window_framework.h"

#include "log/log.h"

namespace wnd = platform::wnd;

namespace quiet {

namespace {

// A font nobody draws with.
class NoFont : public platform::Font {};

std::wstring OneLine(std::wstring text) {
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  return text;
}

}  // namespace

QuietControls::Control& QuietControls::At(int control_id) { return controls_[control_id]; }

bool QuietControls::Ended() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ended_;
}

int QuietControls::Result() {
  std::lock_guard<std::mutex> lock(mutex_);
  return result_;
}

void QuietControls::PumpUntilEnded(platform::DialogLogic& logic) {
  for (;;) {
    std::tuple<uint32_t, uintptr_t, intptr_t> message;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      posted_.wait(lock, [this] { return ended_ || !queue_.empty(); });
      if (ended_) return;
      message = queue_.front();
      queue_.pop_front();
    }
    intptr_t result = 0;
    logic.OnMessage(*this, std::get<0>(message), std::get<1>(message), std::get<2>(message), &result);
  }
}

bool QuietControls::ControlExists(int control_id) {
  (void)control_id;
  std::lock_guard<std::mutex> lock(mutex_);
  return !ended_;
}

std::wstring QuietControls::GetCaption() {
  std::lock_guard<std::mutex> lock(mutex_);
  return caption_;
}

void QuietControls::SetCaption(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  caption_ = text;
}

void QuietControls::End(int result) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ended_) return;
  ended_ = true;
  result_ = result;
  posted_.notify_all();
}

int QuietControls::ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) {
  return message_box_(text, caption, flags);
}

bool QuietControls::PostToDialog(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ended_) return false;
  queue_.emplace_back(message, wparam, lparam);
  posted_.notify_all();
  return true;
}

void QuietControls::SetDialogIcon(int icon_id) { (void)icon_id; }

void QuietControls::ClientSize(int* width, int* height) {
  *width = 0;
  *height = 0;
}

std::unique_ptr<platform::Font> QuietControls::CreateUnderlinedDialogFont() { return std::make_unique<NoFont>(); }

std::unique_ptr<platform::Font> QuietControls::CreateFontByFace(const std::wstring&, int, int, int) {
  return std::make_unique<NoFont>();
}

void QuietControls::SetControlFont(int, const platform::Font*, bool) {}

std::wstring QuietControls::GetText(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return At(control_id).text;
}

void QuietControls::SetText(int control_id, const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(control_id).text = text;
}

void QuietControls::ShowControl(int control_id, bool show) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(control_id).visible = show;
}

bool QuietControls::IsControlVisible(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return At(control_id).visible;
}

void QuietControls::EnableControl(int control_id, bool enable) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(control_id).enabled = enable;
}

bool QuietControls::IsControlEnabled(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return At(control_id).enabled;
}

void QuietControls::RedrawControl(int) {}
void QuietControls::FocusControl(int) {}

void QuietControls::SetCheck(int control_id, bool checked) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(control_id).checked = checked;
}

bool QuietControls::IsChecked(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return At(control_id).checked;
}

int QuietControls::ComboAddString(int control_id, const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  c.items.push_back(text);
  return static_cast<int>(c.items.size()) - 1;
}

void QuietControls::ComboReset(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  c.items.clear();
  c.selection = -1;
}

int QuietControls::ComboCount(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(At(control_id).items.size());
}

int QuietControls::ComboGetCurSel(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return At(control_id).selection;
}

void QuietControls::ComboSetCurSel(int control_id, int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
}

std::wstring QuietControls::ComboItemText(int control_id, int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  return index >= 0 && index < static_cast<int>(c.items.size()) ? c.items[index] : std::wstring();
}

void QuietControls::SetProgressRange(int, int, int) {}
void QuietControls::SetProgressPos(int, int) {}
void QuietControls::ListSetExtendedStyle(int, uint32_t) {}
void QuietControls::ListSetRowHeight(int, int) {}
int QuietControls::ListClientWidth(int) { return 0; }

int QuietControls::ListInsertColumn(int, int column, const std::wstring&, int, int) { return column; }
void QuietControls::ListSetColumnFormat(int, int, int) {}
void QuietControls::ListSetColumnText(int, int, const std::wstring&) {}

int QuietControls::ListInsertItem(int control_id, int item, const std::wstring& text, intptr_t data) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  if (item < 0 || item > static_cast<int>(c.rows.size())) item = static_cast<int>(c.rows.size());
  Row row;
  row.cells[0] = text;
  row.data = data;
  c.rows.insert(c.rows.begin() + item, row);
  return item;
}

void QuietControls::ListSetItemText(int control_id, int item, int sub_item, const std::wstring& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  if (item >= 0 && item < static_cast<int>(c.rows.size())) c.rows[item].cells[sub_item] = text;
}

std::wstring QuietControls::ListItemText(int control_id, int item, int sub_item, int max_chars) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  if (item < 0 || item >= static_cast<int>(c.rows.size()) || max_chars <= 0) return std::wstring();
  std::wstring text = c.rows[item].cells[sub_item];
  if (text.size() > static_cast<size_t>(max_chars - 1)) text.resize(max_chars - 1);
  return text;
}

intptr_t QuietControls::ListItemData(int control_id, int item) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  return item >= 0 && item < static_cast<int>(c.rows.size()) ? c.rows[item].data : 0;
}

int QuietControls::ListItemCount(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(At(control_id).rows.size());
}

void QuietControls::ListDeleteAllItems(int control_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(control_id).rows.clear();
}

int QuietControls::ListNextItem(int control_id, int start, uint32_t flags) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  for (int i = start + 1; i < static_cast<int>(c.rows.size()); ++i) {
    if ((flags & wnd::kLvniSelected) == 0 || (c.rows[i].state & wnd::kLvisSelected) != 0) return i;
  }
  return -1;
}

void QuietControls::ListSetItemState(int control_id, int item, uint32_t state, uint32_t mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
    if (item != -1 && i != item) continue;
    // A single-selection list: selecting one row takes the selection from the others.
    if ((mask & state & wnd::kLvisSelected) != 0) {
      for (Row& other : c.rows) other.state &= ~wnd::kLvisSelected;
    }
    c.rows[i].state = (c.rows[i].state & ~mask) | (state & mask);
  }
}

uint32_t QuietControls::ListItemState(int control_id, int item, uint32_t mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  Control& c = At(control_id);
  return item >= 0 && item < static_cast<int>(c.rows.size()) ? c.rows[item].state & mask : 0;
}

void QuietControls::ListEnsureVisible(int, int) {}
void QuietControls::ListRedrawItems(int, int, int) {}

bool QuietControls::CreateChildPanel(int panel_id, int, int, int, int) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(panel_id);
  return true;
}

bool QuietControls::CreateEditField(int, int edit_id, int, int, int, int) {
  std::lock_guard<std::mutex> lock(mutex_);
  At(edit_id);
  return true;
}

int QuietWindowFramework::RunModal(int template_id, platform::DialogLogic& logic, platform::DialogControls* owner) {
  (void)owner;
  QuietControls controls(
      [this](const std::wstring& text, const std::wstring& caption, uint32_t flags) {
        return ShowMessageBox(text, caption, flags);
      });
  logic.OnInitDialog(controls);
  if (!controls.Ended()) {
    auto driver = drivers_.find(template_id);
    if (driver != drivers_.end()) {
      driver->second(controls, logic);
    } else {
      logic.OnCommand(controls, wnd::kIdOk, wnd::kBnClicked);
    }
  }
  controls.PumpUntilEnded(logic);
  logic.OnDestroy(controls);
  return controls.Result();
}

int QuietWindowFramework::ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) {
  const uint32_t icon = flags & 0xF0;
  if (icon == wnd::kMbIconError || icon == wnd::kMbIconExclamation) ++error_boxes_;
  LogPrint(kLogUnitInstallDlg, "QuietRun", __LINE__, "[INFO] QuietRun - Message not shown: %ws: %ws\n",
           OneLine(caption).c_str(), OneLine(text).c_str());
  // The answer that changes nothing: OK where it is the only button, else Cancel or No.
  switch (flags & 0x0F) {
    case wnd::kMbOkCancel:
      return wnd::kIdCancel;
    case wnd::kMbYesNo:
      return wnd::kIdNo;
    default:
      return wnd::kIdOk;
  }
}

}  // namespace quiet
