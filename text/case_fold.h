// Comparing text ignoring case, the two ways the system needs.
//
// The name fold is the upper case Windows compares names by: registry keys and value names,
// file and folder names, printer, driver, port and monitor names. It maps one character to one
// (ASCII, Latin-1 but for ß, ÷ and µ, ÿ to Ÿ, Latin Extended-A, Greek, Cyrillic, full-width Latin
// letters), whatever the C runtime's locale.
//
// The ASCII fold turns only the letters A to Z into a to z, as the C runtime's _wcsicmp and
// towlower do in the "C" locale: for texts the program compares by the C runtime's rules
// (command lines, port and model names of the device lists). Pure functions.
#pragma once

#include <string>

// The character as the name fold compares it (its upper case, or itself).
wchar_t FoldCase(wchar_t c);

// Every character of `text` through the name fold: equal results mean equal names.
std::wstring FoldCase(const std::wstring& text);

// True when both names are equal under the name fold.
bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b);

// True when `text` begins with `prefix` under the name fold (an empty prefix begins every text).
bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix);

// The character with A to Z turned into a to z; everything else stays.
wchar_t AsciiLower(wchar_t c);

// `text` with A to Z turned into a to z.
std::wstring AsciiLower(const std::wstring& text);

// True when both texts are equal with A to Z folded to a to z; a null text reads as empty. The
// 8-bit form compares bytes the same way.
bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b);
bool EqualsIgnoringAsciiCase(const char* a, const char* b);

// True when `text` begins with `prefix` with A to Z folded (an empty or null prefix begins every
// text; a null text reads as empty). The 8-bit form compares bytes the same way.
bool StartsWithIgnoringAsciiCase(const wchar_t* text, const wchar_t* prefix);
bool StartsWithIgnoringAsciiCase(const char* text, const char* prefix);
