// The day's log as a Windows test program in the installer's own process reads it back: the file
// outlives the run, so a test reads only the lines written since it began.
#pragma once

#include <cstdio>
#include <string>

#include "log/log.h"
#include "platform/win32/unique_handle.h"

namespace winetest {

// The log's bytes from `offset` on, after the buffered lines are written; empty when there is
// no log file.
inline std::string LogFrom(long offset) {
  LogFlush();
  char path[MAX_PATH * 2] = {};
  if (GetLogFilePath(path, sizeof path) != 0) return "";
  platform::win32::unique_crt_file file(std::fopen(path, "rb"));
  if (!file) return "";
  std::fseek(file.get(), offset, SEEK_SET);
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, n);
  return text;
}

// Where a test's own lines begin.
inline long LogSize() { return static_cast<long>(LogFrom(0).size()); }

}  // namespace winetest
