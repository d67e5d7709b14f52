#include "platform/win32/win32_devices.h"

namespace platform::win32 {}  // namespace platform::win32
