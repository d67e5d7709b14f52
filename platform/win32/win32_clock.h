// Local time and sleeping: GetLocalTime and Sleep.
#pragma once

#include "platform/clock.h"

namespace platform::win32 {

class Win32Clock : public Clock {
 public:
  LocalTime Now() override;
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace platform::win32
