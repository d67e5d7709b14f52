#include "platform/sim/sim_clock.h"

#include <chrono>
#include <thread>

namespace platform::sim {

namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

}  // namespace

SimClock::SimClock() {
  LocalTime start;
  start.year = 2026;
  start.month = 12;
  start.day = 7;
  start.hour = 10;
  Set(start);
}

LocalTime SimClock::Now() {
  int64_t ms;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ms = now_ms_;
  }
  int64_t days = ms >= 0 ? ms / kMsPerDay : (ms - kMsPerDay + 1) / kMsPerDay;
  int64_t in_day = ms - days * kMsPerDay;
  LocalTime t;
  CivilFromDays(days, &t.year, &t.month, &t.day);
  t.day_of_week = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
  t.hour = static_cast<int>(in_day / 3600000);
  t.minute = static_cast<int>(in_day / 60000 % 60);
  t.second = static_cast<int>(in_day / 1000 % 60);
  t.milliseconds = static_cast<int>(in_day % 1000);
  return t;
}

void SimClock::Sleep(uint32_t milliseconds) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ms_ += milliseconds;
    slept_ms_ += milliseconds;
  }
  if (milliseconds == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::microseconds(milliseconds < 1000 ? milliseconds : 1000));
  }
}

void SimClock::Set(const LocalTime& time) {
  int64_t days = DaysFromCivil(time.year, time.month, time.day);
  std::lock_guard<std::mutex> lock(mutex_);
  now_ms_ = days * kMsPerDay + time.hour * 3600000LL + time.minute * 60000LL + time.second * 1000LL +
            time.milliseconds;
}

void SimClock::Advance(int64_t milliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ms_ += milliseconds;
}

int64_t SimClock::SleptMilliseconds() {
  std::lock_guard<std::mutex> lock(mutex_);
  return slept_ms_;
}

}  // namespace platform::sim
