// The window framework: modal dialogs, controls by id, message boxes.
// Dialog classes hold the behaviour and reach their controls only through this interface.
#pragma once

#include <string>

namespace platform {

// One live dialog's controls, addressed by control id.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  // CB_ADDSTRING: the new item's index, or -1 (CB_ERR).
  virtual int ComboAddString(int control_id, const std::wstring& text) = 0;
  // IsWindow on the control: false while the dialog or the control does not exist.
  virtual bool ControlExists(int control_id) = 0;
  // SendMessageW(control, PBM_SETPOS, position, 0); the bar clamps to its range.
  virtual void SetProgressPos(int control_id, int position) = 0;
};

class WindowFramework {
 public:
  virtual ~WindowFramework() = default;
};

}  // namespace platform
