#include "platform/registry.h"

namespace platform {

namespace {
void AppendUtf16(std::vector<uint8_t>* out, const std::wstring& text) {
  for (wchar_t ch : text) {
    uint32_t c = static_cast<uint32_t>(ch);
    if (c > 0xFFFF) {  // wchar_t is 32-bit off Windows: store a surrogate pair
      c -= 0x10000;
      uint16_t hi = static_cast<uint16_t>(0xD800 + (c >> 10));
      uint16_t lo = static_cast<uint16_t>(0xDC00 + (c & 0x3FF));
      out->push_back(hi & 0xFF);
      out->push_back(hi >> 8);
      out->push_back(lo & 0xFF);
      out->push_back(lo >> 8);
    } else {
      out->push_back(c & 0xFF);
      out->push_back((c >> 8) & 0xFF);
    }
  }
  out->push_back(0);
  out->push_back(0);
}
}  // namespace

RegValue RegValue::Sz(const std::wstring& text) {
  RegValue v;
  v.type = regtype::kSz;
  AppendUtf16(&v.data, text);
  return v;
}

RegValue RegValue::Dword(uint32_t value) {
  RegValue v;
  v.type = regtype::kDword;
  for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return v;
}

RegValue RegValue::MultiSz(const std::vector<std::wstring>& items) {
  RegValue v;
  v.type = regtype::kMultiSz;
  for (const auto& item : items) AppendUtf16(&v.data, item);
  v.data.push_back(0);
  v.data.push_back(0);
  return v;
}

std::wstring RegValue::AsString() const {
  std::wstring text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    uint32_t c = data[i] | (data[i + 1] << 8);
    if (c == 0) break;
    if (sizeof(wchar_t) == 4 && c >= 0xD800 && c < 0xDC00 && i + 3 < data.size()) {
      uint32_t lo = data[i + 2] | (data[i + 3] << 8);
      if (lo >= 0xDC00 && lo < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    text.push_back(static_cast<wchar_t>(c));
  }
  return text;
}

uint32_t RegValue::AsDword() const {
  if (data.size() != 4) return 0;
  return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
}

}  // namespace platform
