// Text that must fit a fixed field: UTF-16 names cut to a number of characters, and names whose
// ANSI form must fit a number of bytes. Cuts fall between characters only: never inside a
// surrogate pair (UTF-16 on Windows) and never inside a double-byte character of the ANSI form.
#pragma once

#include <cstddef>
#include <string>

#include "text/utf16.h"

namespace platform {
class CodePage;
}

// `base` + `suffix`, with `base` cut at a character boundary so that the whole holds at most
// `max_units` units. When the suffix alone is longer, the result is the suffix cut to fit.
std::wstring FitWithSuffix(const std::wstring& base, const std::wstring& suffix, size_t max_units);

// The ANSI form (the machine's code page) of the longest prefix of `text`, cut at a character
// boundary, whose ANSI form holds at most `max_bytes` bytes. "" when the conversion fails.
std::string AnsiPrefixFitting(platform::CodePage& codepage, const std::wstring& text, size_t max_bytes);
