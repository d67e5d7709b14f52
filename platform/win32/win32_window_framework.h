// The window framework on real Windows: modal dialogs from the program's templates through one
// dialog procedure that forwards to the dialog's logic, and message boxes.
#pragma once

#include "platform/window_framework.h"

namespace platform::win32 {

class Win32WindowFramework : public WindowFramework {
 public:
  // Templates and icons come from the program's own module.
  Win32WindowFramework();

  int RunModal(int template_id, DialogLogic& logic, DialogControls* owner = nullptr) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) override;
  void EnableControlContainer() override;

 private:
  void* module_;
};

}  // namespace platform::win32
