// The uninstaller's log lines: the installer's log facility and format, under the source unit
// "Uninstall.cpp" and the day's file "TavroPrintUninstall_<date>.log".
#pragma once

#include "log/log.h"

constexpr const char* kLogUnitUninstall = "Uninstall.cpp";
constexpr const char* kUninstallLogStem = "TavroPrintUninstall";

// One line from function `fn` at this line (LogPrint's format).
#define UNINSTALL_LOG(fn, ...) LogPrint(kLogUnitUninstall, fn, __LINE__, __VA_ARGS__)
