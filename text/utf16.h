// UTF-16 as Windows keeps text: the units of the registry and of Unicode files (UTF-16LE), the
// surrogate pairs of characters above U+FFFF, and the character boundaries a cut must respect.
// wchar_t is 16-bit on Windows and 32-bit off it: there a character above U+FFFF read from
// UTF-16 becomes one wchar_t. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// True for the first (D800-DBFF) and the second (DC00-DFFF) unit of a surrogate pair.
bool IsHighSurrogate(uint32_t unit);
bool IsLowSurrogate(uint32_t unit);

// The character of a high and a low surrogate.
uint32_t JoinSurrogates(uint32_t high, uint32_t low);

// The character at text[*i]. Where wchar_t is 16-bit, a surrogate pair starting there is joined
// and *i moves onto its second unit; a lone surrogate stays as it is.
uint32_t CodePointAt(const std::wstring& text, size_t* i);

// Appends character `c`: as a surrogate pair where wchar_t is 16-bit and c is above U+FFFF.
void AppendCodePoint(uint32_t c, std::wstring* out);

// UTF-16 units as the logic's text: surrogate pairs joined where wchar_t is 32-bit (a lone
// surrogate stays as it is).
std::wstring Utf16ToWide(const std::u16string& units);

// The UTF-16LE units of `data` from `offset` on as text, surrogate pairs joined where wchar_t is
// 32-bit (a lone surrogate stays as it is); an odd last byte is dropped. With `stop_at_nul` the
// text ends before the first NUL unit, otherwise NULs are kept.
std::wstring DecodeUtf16Le(const std::vector<uint8_t>& data, size_t offset, bool stop_at_nul);

// Appends `text` to `out` as UTF-16LE, without a terminator.
void AppendUtf16Le(const std::wstring& text, std::vector<uint8_t>* out);

// The UTF-16 length of `text` (wchar_t is 32-bit off Windows: a character above U+FFFF takes two).
size_t Utf16Units(const std::wstring& text);

// The largest position <= pos that does not fall between the two halves of a surrogate pair.
size_t CharBoundaryAtOrBefore(const std::wstring& text, size_t pos);

// `text` cut at a character boundary to at most `max_units` wchar_t units.
std::wstring CutToUnits(const std::wstring& text, size_t max_units);
