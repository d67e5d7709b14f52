// The simulated window framework: dialogs whose controls live in memory, and a scripted user.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/sim/sim_faults.h"
#include "platform/window_framework.h"

namespace platform::sim {

// The controls of one simulated dialog.
class SimDialogControls : public DialogControls {
 public:
  int ComboAddString(int control_id, const std::wstring& text) override;
  bool ControlExists(int control_id) override { return existing_.count(control_id) != 0; }
  void SetProgressPos(int control_id, int position) override;

  // Arranging and reading back.
  void AddControl(int control_id) { existing_[control_id] = true; }
  const std::vector<std::wstring>& ComboItems(int control_id) { return combos_[control_id]; }
  // Every position sent to a progress bar, unclamped, in order.
  const std::vector<int>& ProgressPositions(int control_id) { return progress_[control_id]; }

 private:
  std::map<int, bool> existing_;
  std::map<int, std::vector<std::wstring>> combos_;
  std::map<int, std::vector<int>> progress_;
};

class SimWindowFramework : public WindowFramework {
 public:
  explicit SimWindowFramework(SimFaults& faults) : faults_(faults) {}

 private:
  SimFaults& faults_;
};

}  // namespace platform::sim
