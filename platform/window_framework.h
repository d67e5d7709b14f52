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
};

class WindowFramework {
 public:
  virtual ~WindowFramework() = default;
};

}  // namespace platform
