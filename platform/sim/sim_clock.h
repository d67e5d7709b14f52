// The simulated machine's clock: local time that starts at 2026-12-07 10:00:00.000 (a Monday) and
// moves only when Sleep is called or a test advances it.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/clock.h"

namespace platform::sim {

class SimClock : public Clock {
 public:
  SimClock();

  LocalTime Now() override;
  // Advances the time by `milliseconds` and yields the processor (at most a millisecond of real
  // time), so that polling loops stay fast but still let other threads run.
  void Sleep(uint32_t milliseconds) override;

  // Arranging: jump to a local time (day_of_week is computed); advance by a number of ms.
  void Set(const LocalTime& time);
  void Advance(int64_t milliseconds);
  // Total simulated time slept so far.
  int64_t SleptMilliseconds();

 private:
  std::mutex mutex_;
  int64_t now_ms_ = 0;  // milliseconds since 1970-01-01 00:00 local time
  int64_t slept_ms_ = 0;
};

}  // namespace platform::sim
