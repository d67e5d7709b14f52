#include "platform/win32/win32_window_framework.h"

namespace platform::win32 {}  // namespace platform::win32
