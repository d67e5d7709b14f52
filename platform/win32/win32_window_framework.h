// The window framework on real Windows: dialogs, controls by id, message boxes.
#pragma once

#include "platform/window_framework.h"

namespace platform::win32 {

class Win32WindowFramework : public WindowFramework {
 public:
  Win32WindowFramework() = default;
};

}  // namespace platform::win32
