// The simulated dialog's list views: columns, rows with item data, states and their notifications.
#include "platform/sim/sim_dialog.h"

namespace platform::sim {

namespace {
constexpr uint32_t kLvsSingleSel = 0x0004;
int DuToPxX(int du) { return du * 6 / 4; }
}  // namespace

void SimDialogControls::ListSetExtendedStyle(int control_id, uint32_t styles) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).ext_style = styles;
}

uint32_t SimDialogControls::ListExtendedStyle(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).ext_style;
}

void SimDialogControls::ListSetRowHeight(int control_id, int pixels) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).row_height = pixels;
}

int SimDialogControls::ListRowHeight(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).row_height;
}

int SimDialogControls::ListClientWidth(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // The client edge takes two pixels on each side.
  int width = DuToPxX(Get(control_id).def.width) - 4;
  return width > 0 ? width : 0;
}

int SimDialogControls::ListInsertColumn(int control_id, int column, const std::wstring& text,
                                        int width, int format) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (column < 0) return -1;
  size_t at = static_cast<size_t>(column) > c.columns.size() ? c.columns.size() : column;
  c.columns.insert(c.columns.begin() + at, ListColumn{text, width, format});
  for (ListRow& row : c.rows) {
    if (row.cells.size() > at) row.cells.insert(row.cells.begin() + at, std::wstring());
  }
  return static_cast<int>(at);
}

void SimDialogControls::ListSetColumnFormat(int control_id, int column, int format) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (column >= 0 && column < static_cast<int>(c.columns.size())) c.columns[column].format = format;
}

void SimDialogControls::ListSetColumnText(int control_id, int column, const std::wstring& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (column >= 0 && column < static_cast<int>(c.columns.size())) c.columns[column].text = text;
}

int SimDialogControls::ListColumnCount(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<int>(Get(control_id).columns.size());
}

int SimDialogControls::ListColumnWidth(int control_id, int column) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  return column >= 0 && column < static_cast<int>(c.columns.size()) ? c.columns[column].width : -1;
}

int SimDialogControls::ListColumnFormat(int control_id, int column) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  return column >= 0 && column < static_cast<int>(c.columns.size()) ? c.columns[column].format : -1;
}

std::wstring SimDialogControls::ListColumnText(int control_id, int column) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  return column >= 0 && column < static_cast<int>(c.columns.size()) ? c.columns[column].text
                                                                     : std::wstring();
}

int SimDialogControls::ListInsertItem(int control_id, int item, const std::wstring& text,
                                      intptr_t data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (item < 0) return -1;
  size_t at = static_cast<size_t>(item) > c.rows.size() ? c.rows.size() : item;
  ListRow row;
  row.cells.push_back(text);
  row.data = data;
  c.rows.insert(c.rows.begin() + at, row);
  return static_cast<int>(at);
}

void SimDialogControls::ListSetItemText(int control_id, int item, int sub_item,
                                        const std::wstring& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (item < 0 || item >= static_cast<int>(c.rows.size()) || sub_item < 0) return;
  auto& cells = c.rows[item].cells;
  if (cells.size() <= static_cast<size_t>(sub_item)) cells.resize(sub_item + 1);
  cells[sub_item] = text;
}

std::wstring SimDialogControls::ListItemText(int control_id, int item, int sub_item,
                                             int max_chars) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (item < 0 || item >= static_cast<int>(c.rows.size()) || sub_item < 0) return std::wstring();
  const auto& cells = c.rows[item].cells;
  if (static_cast<size_t>(sub_item) >= cells.size()) return std::wstring();
  // The caller's buffer holds max_chars characters with the terminator.
  size_t keep = max_chars > 0 ? static_cast<size_t>(max_chars - 1) : 0;
  return cells[sub_item].substr(0, keep);
}

intptr_t SimDialogControls::ListItemData(int control_id, int item) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (item < 0 || item >= static_cast<int>(c.rows.size())) return 0;
  return c.rows[item].data;
}

int SimDialogControls::ListItemCount(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<int>(Get(control_id).rows.size());
}

void SimDialogControls::ListDeleteAllItems(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  c.rows.clear();
  c.visible_item = -1;
}

int SimDialogControls::ListNextItem(int control_id, int start, uint32_t flags) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  uint32_t want = 0;
  if (flags & wnd::kLvniSelected) want |= wnd::kLvisSelected;
  if (flags & 0x0001) want |= wnd::kLvisFocused;  // LVNI_FOCUSED
  for (int i = start + 1; i < static_cast<int>(c.rows.size()); ++i) {
    if ((c.rows[i].state & want) == want) return i;
  }
  return -1;
}

std::vector<ListNotification> SimDialogControls::SetStates(Control& c, int item, uint32_t state,
                                                           uint32_t mask) {
  std::vector<ListNotification> notes;
  auto change = [&](int i, uint32_t new_state) {
    ListRow& row = c.rows[i];
    if (row.state == new_state) return;
    notes.push_back(ListNotification{c.def.id, wnd::kLvnItemChanged, i, 0, row.state, new_state,
                                     wnd::kLvifState});
    row.state = new_state;
  };
  int count = static_cast<int>(c.rows.size());
  if (item < 0) {
    for (int i = 0; i < count; ++i) change(i, (c.rows[i].state & ~mask) | (state & mask));
    return notes;
  }
  if (item >= count) return notes;
  uint32_t target = (c.rows[item].state & ~mask) | (state & mask);
  // One row holds the focus; a single-selection list keeps one selected row.
  uint32_t exclusive = target & wnd::kLvisFocused;
  if ((c.def.style & kLvsSingleSel) != 0) exclusive |= target & wnd::kLvisSelected;
  if (exclusive != 0) {
    for (int i = 0; i < count; ++i) {
      if (i != item) change(i, c.rows[i].state & ~exclusive);
    }
  }
  change(item, target);
  return notes;
}

void SimDialogControls::ListSetItemState(int control_id, int item, uint32_t state, uint32_t mask) {
  std::vector<ListNotification> notes;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    notes = SetStates(Get(control_id), item, state, mask);
  }
  Notify(notes);
}

uint32_t SimDialogControls::ListItemState(int control_id, int item, uint32_t mask) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (item < 0 || item >= static_cast<int>(c.rows.size())) return 0;
  return c.rows[item].state & mask;
}

void SimDialogControls::ListEnsureVisible(int control_id, int item) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Control& c = Get(control_id);
  if (item >= 0 && item < static_cast<int>(c.rows.size())) c.visible_item = item;
}

int SimDialogControls::ListVisibleItem(int control_id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Get(control_id).visible_item;
}

void SimDialogControls::ListRedrawItems(int control_id, int first, int last) {
  (void)first;
  (void)last;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Get(control_id).redraws++;
}

void SimDialogControls::Notify(const std::vector<ListNotification>& notes) {
  if (logic_ == nullptr) return;
  for (const ListNotification& n : notes) logic_->OnNotify(logic_view_, n);
}

}  // namespace platform::sim
