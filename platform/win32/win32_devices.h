// Device setup and the configuration manager on real Windows.
#pragma once

#include "platform/devices.h"

namespace platform::win32 {

class Win32Devices : public Devices {
 public:
  Win32Devices() = default;
};

}  // namespace platform::win32
