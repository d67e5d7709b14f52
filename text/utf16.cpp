#include "text/utf16.h"

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }

bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

uint32_t JoinSurrogates(uint32_t high, uint32_t low) { return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00); }

uint32_t CodePointAt(const std::wstring& text, size_t* i) {
  uint32_t c = static_cast<uint32_t>(text[*i]);
  if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) && *i + 1 < text.size()) {
    const uint32_t lo = static_cast<uint32_t>(text[*i + 1]);
    if (IsLowSurrogate(lo)) {
      ++*i;
      return JoinSurrogates(c, lo);
    }
  }
  return c;
}

void AppendCodePoint(uint32_t c, std::wstring* out) {
  if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
    c -= 0x10000;
    out->push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out->push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out->push_back(static_cast<wchar_t>(c));
  }
}

std::wstring Utf16ToWide(const std::u16string& units) {
  std::wstring out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t u = units[i];
    if (sizeof(wchar_t) == 4 && IsHighSurrogate(u) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      out.push_back(static_cast<wchar_t>(JoinSurrogates(u, units[i + 1])));
      ++i;
    } else {
      out.push_back(static_cast<wchar_t>(u));
    }
  }
  return out;
}

std::wstring DecodeUtf16Le(const std::vector<uint8_t>& data, size_t offset, bool stop_at_nul) {
  std::u16string units;
  for (size_t i = offset; i + 1 < data.size(); i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0 && stop_at_nul) break;
    units.push_back(unit);
  }
  return Utf16ToWide(units);
}

void AppendUtf16Le(const std::wstring& text, std::vector<uint8_t>* out) {
  auto unit = [out](uint32_t u) {
    out->push_back(static_cast<uint8_t>(u & 0xFF));
    out->push_back(static_cast<uint8_t>((u >> 8) & 0xFF));
  };
  for (wchar_t ch : text) {
    uint32_t c = static_cast<uint32_t>(ch);
    if (c > 0xFFFF) {
      c -= 0x10000;
      unit(0xD800 + (c >> 10));
      unit(0xDC00 + (c & 0x3FF));
    } else {
      unit(c);
    }
  }
}

size_t Utf16Units(const std::wstring& text) {
  size_t units = 0;
  for (wchar_t c : text) units += (static_cast<uint32_t>(c) >> 16) != 0 ? 2 : 1;
  return units;
}

size_t CharBoundaryAtOrBefore(const std::wstring& text, size_t pos) {
  if (pos >= text.size()) return text.size();
  if (pos > 0 && IsLowSurrogate(static_cast<uint32_t>(text[pos])) && IsHighSurrogate(static_cast<uint32_t>(text[pos - 1]))) {
    return pos - 1;
  }
  return pos;
}

std::wstring CutToUnits(const std::wstring& text, size_t max_units) {
  return text.substr(0, CharBoundaryAtOrBefore(text, max_units));
}
