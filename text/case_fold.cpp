#include "text/case_fold.h"

#include <cstdint>

wchar_t FoldCase(wchar_t c) {
  const uint32_t v = static_cast<uint32_t>(c);
  if (v >= 'a' && v <= 'z') return static_cast<wchar_t>(v - 0x20);
  if (v < 0xE0) return c;
  if (v <= 0xFE) return v == 0xF7 ? c : static_cast<wchar_t>(v - 0x20);
  if (v == 0xFF) return static_cast<wchar_t>(0x178);
  if (v >= 0x100 && v <= 0x17F) {
    // Latin Extended-A pairs its letters: upper on even code points up to U+0137 and from U+014A
    // to U+0177, upper on odd ones in between and from U+0179; U+0131 and U+0138 have no pair.
    const bool odd_upper = (v >= 0x139 && v <= 0x148) || v >= 0x179;
    if (v == 0x131 || v == 0x138 || v == 0x149 || v == 0x17F) return c;
    const bool is_lower = odd_upper ? (v % 2 == 0) : (v % 2 == 1);
    return is_lower ? static_cast<wchar_t>(v - 1) : c;
  }
  if (v >= 0x3B1 && v <= 0x3CB) return v == 0x3C2 ? static_cast<wchar_t>(0x3A3) : static_cast<wchar_t>(v - 0x20);
  if (v >= 0x430 && v <= 0x44F) return static_cast<wchar_t>(v - 0x20);
  if (v >= 0x450 && v <= 0x45F) return static_cast<wchar_t>(v - 0x50);
  if (v >= 0xFF41 && v <= 0xFF5A) return static_cast<wchar_t>(v - 0x20);
  return c;
}

std::wstring FoldCase(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) c = FoldCase(c);
  return out;
}

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring AsciiLower(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsIgnoringAsciiCase(const wchar_t* a, const wchar_t* b) {
  if (!a) a = L"";
  if (!b) b = L"";
  for (; *a && *b; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
  if (!a) a = "";
  if (!b) b = "";
  for (; *a && *b; ++a, ++b) {
    if (AsciiLower(static_cast<unsigned char>(*a)) != AsciiLower(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

bool StartsWithIgnoringAsciiCase(const wchar_t* text, const wchar_t* prefix) {
  if (!text) text = L"";
  if (!prefix) return true;
  for (; *prefix; ++text, ++prefix) {
    if (!*text || AsciiLower(*text) != AsciiLower(*prefix)) return false;
  }
  return true;
}

bool StartsWithIgnoringAsciiCase(const char* text, const char* prefix) {
  if (!text) text = "";
  if (!prefix) return true;
  for (; *prefix; ++text, ++prefix) {
    if (!*text || AsciiLower(static_cast<unsigned char>(*text)) != AsciiLower(static_cast<unsigned char>(*prefix))) {
      return false;
    }
  }
  return true;
}
