// The names Windows opens as devices wherever they stand in a path: CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM0 to COM9 and LPT0 to LPT9 (also with the superscript digits 1, 2, 3), in any
// letter case, with or without an extension, with trailing dots and spaces ("CON .", "nul.txt").
#pragma once

#include <cstddef>
#include <string>

namespace platform {

namespace dos_name_detail {

template <typename Char>
unsigned Upper(Char c) {
  // Char may be signed: 8-bit names hold bytes of the ANSI code page.
  unsigned u = static_cast<unsigned>(c) & (sizeof(Char) == 1 ? 0xFFu : 0xFFFFFFFFu);
  return u >= 'a' && u <= 'z' ? u - 'a' + 'A' : u;
}

template <typename Char>
bool Is(const std::basic_string<Char>& base, const char* word) {
  size_t i = 0;
  for (; word[i] != '\0'; ++i) {
    if (i >= base.size() || Upper(base[i]) != static_cast<unsigned char>(word[i])) return false;
  }
  return i == base.size();
}

}  // namespace dos_name_detail

// True when the single path component `component` names a device.
template <typename Char>
bool IsDosDeviceName(const std::basic_string<Char>& component) {
  using dos_name_detail::Is;
  using dos_name_detail::Upper;
  // Windows drops trailing dots and spaces, then looks at the part before the first dot with its
  // own trailing spaces dropped: "CON .txt" is CON.
  std::basic_string<Char> base = component;
  while (!base.empty() && (base.back() == Char('.') || base.back() == Char(' '))) base.pop_back();
  const size_t dot = base.find(Char('.'));
  if (dot != std::basic_string<Char>::npos) base.resize(dot);
  while (!base.empty() && base.back() == Char(' ')) base.pop_back();
  if (Is(base, "CON") || Is(base, "PRN") || Is(base, "AUX") || Is(base, "NUL") ||
      Is(base, "CONIN$") || Is(base, "CONOUT$")) {
    return true;
  }
  if (base.size() != 4) return false;
  if (!Is(base.substr(0, 3), "COM") && !Is(base.substr(0, 3), "LPT")) return false;
  const unsigned digit = Upper(base[3]);
  // The superscripts are U+00B9, U+00B2, U+00B3, the same bytes in code page 1252.
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// True when any component of `path` (separated by "\" or "/") names a device.
template <typename Char>
bool PathHoldsDosDeviceName(const std::basic_string<Char>& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && path[end] != Char('\\') && path[end] != Char('/')) ++end;
    if (IsDosDeviceName(path.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace platform
