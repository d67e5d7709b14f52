#include "platform/sim/sim_window_framework.h"

namespace platform::sim {

int SimDialogControls::ComboAddString(int control_id, const std::wstring& text) {
  auto& items = combos_[control_id];
  items.push_back(text);
  return static_cast<int>(items.size()) - 1;
}

void SimDialogControls::SetProgressPos(int control_id, int position) {
  progress_[control_id].push_back(position);
}

}  // namespace platform::sim
