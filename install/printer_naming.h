// Printer names that no existing printer has: the spooler's printer list (FindPrinter), the
// conflict rule of the install command (GetPrinterName) and the same rule applied once more by
// the spooler registration right before it adds the printer (ResolvePrinterNameInline).
#pragma once

#include <string>
#include <vector>

#include "install/install_target.h"

namespace platform {
class CodePage;
class Machine;
}  // namespace platform

// Longest printer name in characters: the 256-unit field less its terminator.
constexpr size_t kPrinterNameMaxUnits = kInstallTargetChars - 1;

// Lists the names of every local and connected printer (EnumPrintersW, flags 6, level 2) in the
// spooler's order. False, with the spooler's code as last error and an empty list, on failure.
bool FindPrinter(platform::Machine& machine, std::vector<std::wstring>* names);

// Writes into `out` a name for a new printer that no listed printer has (case ignored): `base` itself, else
// "<base> (副本 n)" (Chinese languages, when its ANSI form survives) or "<base> (copy n)" for the
// smallest n from 1 up that is free. The base is cut at a character boundary so that the name
// fits the field. Without a printer list the base is kept.
void GetPrinterName(platform::Machine& machine, const std::wstring& base, wchar_t (&out)[kInstallTargetChars]);

// True when `text` is empty, or its ANSI form (at most 255 bytes) converts back to exactly the
// same text (at most 255 characters).
bool AnsiRoundTrips(platform::CodePage& codepage, const std::wstring& text);

// The registration's own conflict pass over `printers`: candidates are compared in their ANSI
// form converted back (at most 255 bytes), starting from the ANSI form of `base`. Returns the
// final name in UTF-16. `printers` null: no list, the base's round trip is used unchanged.
std::wstring ResolvePrinterNameInline(platform::Machine& machine, const std::wstring& base,
                                      const std::vector<std::wstring>* printers);

// The suffix of conflict candidate `n`: " (副本 n)" in the Chinese languages (AppLanguage) when
// the candidate survives the ANSI round trip, else " (copy n)".
std::wstring ConflictSuffix(platform::CodePage& codepage, const std::wstring& base, int n);
