// Local time and sleeping.
#pragma once

#include <cstdint>

namespace platform {

// The fields of GetLocalTime's SYSTEMTIME.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day_of_week = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace platform
