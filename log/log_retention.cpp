#include "log/log_retention.h"

#include <cstring>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "text/case_fold.h"

namespace {

constexpr const char* kUnit = "Log.cpp";
constexpr const char* kFn = "RemoveOldLogFiles";
#define RETENTION_LOG(...) LogPrint(kUnit, kFn, __LINE__, __VA_ARGS__)

// Exactly `n` decimal digits at `text`.
bool Digits(const char* text, int n, int* value) {
  *value = 0;
  for (int i = 0; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

long DaysFromCivil(int year, int month, int day) {
  // Howard Hinnant's days_from_civil.
  year -= month <= 2 ? 1 : 0;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yoe = year - era * 400;
  const long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool LogFileDay(const char* name, long* day) {
  // "TavroPrint" + stem + "_yyyy_mm_dd.log": the date part is the last 15 characters.
  constexpr size_t kPrefix = 10;
  constexpr size_t kDatePart = 15;
  if (name == nullptr || !StartsWithIgnoringAsciiCase(name, "TavroPrint")) return false;
  size_t n = std::strlen(name);
  if (n < kPrefix + kDatePart) return false;
  for (size_t i = kPrefix; i < n - kDatePart; ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i])) && name[i] != '_') return false;
  }
  const char* date = name + n - kDatePart;
  int year, month, mday;
  if (date[0] != '_' || !Digits(date + 1, 4, &year) || date[5] != '_' || !Digits(date + 6, 2, &month) ||
      date[8] != '_' || !Digits(date + 9, 2, &mday) || !StartsWithIgnoringAsciiCase(date + 11, ".log")) {
    return false;
  }
  if (month < 1 || month > 12 || mday < 1 || mday > DaysInMonth(year, month)) return false;
  *day = DaysFromCivil(year, month, mday);
  return true;
}

int RemoveOldLogFiles(platform::Machine& machine, int keep_days) {
  std::string folder;
  if (!GetLogFolderPath(&folder)) {
    RETENTION_LOG("[WARN] RemoveOldLogFiles - Log folder missing or not trusted, nothing removed\n");
    return -1;
  }
  std::vector<std::string> names;
  if (!machine.files().ListFolderA(folder, &names)) {
    RETENTION_LOG("[ERROR] RemoveOldLogFiles - Cannot list %s, Error=%d\n", folder.c_str(),
                  static_cast<int>(platform::LastErrorCode()));
    return -1;
  }
  platform::LocalTime now = machine.clock().Now();
  const long today = DaysFromCivil(now.year, now.month, now.day);
  int removed = 0;
  for (const std::string& name : names) {
    long day = 0;
    if (!LogFileDay(name.c_str(), &day) || today - day <= keep_days) continue;
    const std::string path = folder + "\\" + name;
    platform::PathFacts facts;
    if (!machine.files().Inspect(path, &facts) || !IsTrustedLogFile(machine.files(), facts)) {
      RETENTION_LOG("[WARN] RemoveOldLogFiles - %s is no plain log file of ours, left alone\n", name.c_str());
      continue;
    }
    if (!machine.files().RemoveA(path)) {
      RETENTION_LOG("[ERROR] RemoveOldLogFiles - Cannot remove %s, Error=%d\n", name.c_str(),
                    static_cast<int>(platform::LastErrorCode()));
      continue;
    }
    RETENTION_LOG("[INFO] RemoveOldLogFiles - Removed %s (%ld days old)\n", name.c_str(), today - day);
    ++removed;
  }
  return removed;
}
