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

  // What a test reads back.
  const std::vector<std::wstring>& ComboItems(int control_id) { return combos_[control_id]; }

 private:
  std::map<int, std::vector<std::wstring>> combos_;
};

class SimWindowFramework : public WindowFramework {
 public:
  explicit SimWindowFramework(SimFaults& faults) : faults_(faults) {}

 private:
  SimFaults& faults_;
};

}  // namespace platform::sim
