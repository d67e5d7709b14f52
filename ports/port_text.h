// Text tests on port names and device ids shared by the port lists. "Ignoring case" folds the
// letters A to Z only, as the C runtime's _wcsicmp does in the "C" locale. Pure functions; a
// null text reads as empty.
#pragma once

#include <cstddef>

// True when both texts are equal ignoring case.
bool EqualsIgnoringCase(const wchar_t* a, const wchar_t* b);

// True when `text` begins with `prefix` ignoring case (an empty prefix begins every text).
bool StartsWithIgnoringCase(const wchar_t* text, const wchar_t* prefix);

// Removes one ":" at the end of the NUL-terminated text, if there is one.
void StripTrailingColon(wchar_t* text);

// The text after the last backslash, or "" when there is none (points into `text`).
const wchar_t* AfterLastBackslash(const wchar_t* text);
