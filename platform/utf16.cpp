#include "platform/utf16.h"

namespace platform {

std::wstring DecodeUtf16Le(const std::vector<uint8_t>& data, size_t offset, bool stop_at_nul) {
  std::wstring text;
  for (size_t i = offset; i + 1 < data.size(); i += 2) {
    uint32_t c = data[i] | (data[i + 1] << 8);
    if (c == 0 && stop_at_nul) break;
    if (sizeof(wchar_t) == 4 && c >= 0xD800 && c < 0xDC00 && i + 3 < data.size()) {
      const uint32_t lo = data[i + 2] | (data[i + 3] << 8);
      if (lo >= 0xDC00 && lo < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    text.push_back(static_cast<wchar_t>(c));
  }
  return text;
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

}  // namespace platform
