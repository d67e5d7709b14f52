#include "platform/registry.h"

#include "text/utf16.h"

namespace platform {

namespace {
// A string value's data: the text and its terminating NUL.
void AppendUtf16(std::vector<uint8_t>* out, const std::wstring& text) {
  AppendUtf16Le(text, out);
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

std::wstring RegValue::AsString() const { return DecodeUtf16Le(data, 0, true); }

uint32_t RegValue::AsDword() const {
  if (data.size() != 4) return 0;
  return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
}

}  // namespace platform
