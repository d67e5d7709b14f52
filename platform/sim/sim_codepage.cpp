#include "platform/sim/sim_codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_codepage_tables.h"
#include "platform/sim/sim_registry.h"
#include "text/utf16.h"

namespace platform::sim {

namespace {

std::string IconvName(uint32_t code_page) {
  switch (code_page) {
    case kCodePageUtf8: return "UTF-8";
    case 936: return "CP936";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    default: return "CP" + std::to_string(code_page);
  }
}

bool IsAscii(const std::wstring& text) {
  for (wchar_t c : text) {
    if (static_cast<uint32_t>(c) >= 0x80) return false;
  }
  return true;
}

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Every code page this machine knows keeps ASCII as it is, except the UTF-16/32 ones it does not
// offer as 8-bit targets.
bool KeepsAscii(uint32_t code_page) { return code_page != 1200 && code_page != 1201; }

// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "MultiByteToWideChar", "WideCharToMultiByte"};
}  // namespace

SimCodePage::SimCodePage(SimFaults& faults) : faults_(faults) {
  faults_.Declare(kFaultNames);
}

SimCodePage::~SimCodePage() {
  for (auto& entry : converters_) iconv_close(static_cast<iconv_t>(entry.second));
}

uint32_t SimCodePage::AnsiCodePage() { return Resolve(kCodePageAnsi); }

void SimCodePage::KeepIn(SimRegistry* registry) { registry_ = registry; }

void SimCodePage::SetAnsiCodePage(uint32_t code_page) {
  if (registry_ == nullptr) {
    std::fprintf(stderr, "SimCodePage: no registry keeps the ANSI code page %u\n", code_page);
    std::abort();
  }
  registry_->Put(Hive::kLocalMachine, kNlsCodePageKey, L"ACP", RegView::k64, RegValue::Sz(std::to_wstring(code_page)));
}

uint32_t SimCodePage::Resolve(uint32_t code_page) {
  constexpr uint32_t kDefaultAnsi = 1252;
  if (code_page != kCodePageAnsi) return code_page;
  RegValue acp;
  if (registry_ == nullptr || !registry_->Get(Hive::kLocalMachine, kNlsCodePageKey, L"ACP", RegView::k64, &acp))
    return kDefaultAnsi;
  const std::wstring text = acp.AsString();
  uint32_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return kDefaultAnsi;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
  }
  return text.empty() ? kDefaultAnsi : value;
}

void* SimCodePage::Converter(uint32_t code_page, bool to_wide) {
  uint64_t key = (static_cast<uint64_t>(code_page) << 1) | (to_wide ? 1 : 0);
  auto it = converters_.find(key);
  if (it != converters_.end()) return it->second;
  std::string name = IconvName(code_page);
  iconv_t cd = to_wide ? iconv_open("UTF-32LE", name.c_str()) : iconv_open(name.c_str(), "UTF-32LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  converters_[key] = cd;
  return cd;
}

namespace {

// One character through an iconv descriptor: false when the code page lacks it.
bool IconvOne(iconv_t cd, const char* in, size_t in_size, char* out, size_t* out_size) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in_ptr = const_cast<char*>(in);
  size_t in_left = in_size;
  char* out_ptr = out;
  size_t out_left = *out_size;
  if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) || in_left != 0) return false;
  *out_size = static_cast<size_t>(out_ptr - out);
  return true;
}

void Utf32Bytes(uint32_t c, char out[4]) {
  out[0] = static_cast<char>(c & 0xFF);
  out[1] = static_cast<char>((c >> 8) & 0xFF);
  out[2] = static_cast<char>((c >> 16) & 0xFF);
  out[3] = static_cast<char>((c >> 24) & 0xFF);
}

uint32_t FromUtf32Bytes(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void PushBytes(uint16_t bytes, std::string* out) {
  if (bytes > 0xFF) out->push_back(static_cast<char>(bytes >> 8));
  out->push_back(static_cast<char>(bytes & 0xFF));
}

// The code pages whose Windows tables (best fit, extra mappings, invalid sequences) this machine
// reproduces beyond iconv.
bool HasWindowsTables(uint32_t code_page) { return code_page == 1252 || code_page == 936; }

}  // namespace

bool SimCodePage::Encode(uint32_t code_page, const std::wstring& text, std::string* out) {
  return EncodeWith(code_page, text, out, true, nullptr);
}

bool SimCodePage::EncodeWith(uint32_t code_page, const std::wstring& text, std::string* out, bool best_fit,
                             bool* replaced) {
  const uint32_t cp = Resolve(code_page);
  std::lock_guard<std::mutex> lock(mutex_);
  if (replaced != nullptr) *replaced = false;
  auto mark = [replaced]() {
    if (replaced != nullptr) *replaced = true;
  };
  out->clear();
  if (KeepsAscii(cp) && IsAscii(text)) {
    out->assign(text.begin(), text.end());
    return true;
  }
  iconv_t cd = static_cast<iconv_t>(Converter(cp, false));
  if (cd == nullptr) return false;
  const bool utf8 = cp == kCodePageUtf8;
  // One character at a time, so that a character the code page lacks is replaced by itself.
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = CodePointAt(text, &i);
    if (c < 0x80 && KeepsAscii(cp)) {
      out->push_back(static_cast<char>(c));
      continue;
    }
    // An 8-bit code page converts UTF-16 units one by one: a character beyond the BMP is two
    // units, so two default characters.
    if (!utf8 && c > 0xFFFF) {
      out->append("??");
      mark();
      continue;
    }
    uint16_t bytes = 0;
    if (HasWindowsTables(cp) && WindowsExtraToBytes(cp, c, &bytes)) {
      PushBytes(bytes, out);
      continue;
    }
    char in[4];
    Utf32Bytes(c, in);
    char buffer[16];
    size_t size = sizeof(buffer);
    if (IconvOne(cd, in, sizeof(in), buffer, &size)) {
      out->append(buffer, size);
    } else if (best_fit && HasWindowsTables(cp) && WindowsBestFit(cp, c, &bytes)) {
      PushBytes(bytes, out);  // WideCharToMultiByte's default flags allow a look-alike
      mark();
    } else {
      out->push_back('?');
      mark();
    }
  }
  return true;
}

bool SimCodePage::Decode(uint32_t code_page, const std::string& text, std::wstring* out) {
  const uint32_t cp = Resolve(code_page);
  std::lock_guard<std::mutex> lock(mutex_);
  out->clear();
  if (KeepsAscii(cp) && IsAscii(text)) {
    out->assign(text.begin(), text.end());
    return true;
  }
  iconv_t cd = static_cast<iconv_t>(Converter(cp, true));
  if (cd == nullptr) return false;
  if (HasWindowsTables(cp)) {
    DecodeWindows(cp, cd, text, out);
    return true;
  }
  std::vector<char> buffer(text.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(text.data());
  size_t in_left = text.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  while (in_left > 0) {
    char* out_ptr = buffer.data();
    size_t out_left = buffer.size();
    size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    int error = errno;
    for (char* p = buffer.data(); p + 4 <= out_ptr; p += 4) AppendCodePoint(FromUtf32Bytes(p), out);
    if (rc != static_cast<size_t>(-1)) break;
    if (error == E2BIG) continue;
    // EILSEQ (invalid byte) or EINVAL (a cut multi-byte sequence): one U+FFFD, skip the byte.
    AppendCodePoint(0xFFFD, out);
    ++in_ptr;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return true;
}

// 1252 and 936 as MultiByteToWideChar reads them: every 1252 byte is a character; in 936 a lead
// byte takes the next byte with it whatever it is, and a pair (or a lead byte at the end) that
// the table lacks becomes '?'.
void SimCodePage::DecodeWindows(uint32_t cp, void* converter, const std::string& text, std::wstring* out) {
  iconv_t cd = static_cast<iconv_t>(converter);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char b = bytes[i];
    if (b < 0x80) {
      out->push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    const bool lead = cp == 936 && b >= 0x81 && b <= 0xFE;
    size_t length = lead ? 2 : 1;
    if (lead && i + 1 >= n) {
      out->push_back(L'?');
      ++i;
      continue;
    }
    uint16_t code = lead ? static_cast<uint16_t>((b << 8) | bytes[i + 1]) : b;
    uint32_t wide = 0;
    char buffer[16];
    size_t size = sizeof(buffer);
    if (WindowsExtraToWide(cp, code, &wide)) {
      AppendCodePoint(wide, out);
    } else if (IconvOne(cd, text.data() + i, length, buffer, &size) && size >= 4) {
      AppendCodePoint(FromUtf32Bytes(buffer), out);
    } else {
      out->push_back(L'?');
    }
    i += length;
  }
}

std::string SimCodePage::FromWide(uint32_t code_page, const std::wstring& text) {
  if (faults_.ShouldFail("WideCharToMultiByte")) return std::string();
  std::string out;
  if (!Encode(code_page, text, &out)) {
    SetLastErrorCode(err::kInvalidParameter);
    return std::string();
  }
  return out;
}

bool SimCodePage::FromWideExact(uint32_t code_page, const std::wstring& text, std::string* out) {
  out->clear();
  if (faults_.ShouldFail("WideCharToMultiByte")) return false;
  if (text.empty()) return true;
  std::string bytes;
  bool replaced = false;
  if (!EncodeWith(code_page, text, &bytes, false, &replaced)) {
    SetLastErrorCode(err::kInvalidParameter);
    return false;
  }
  // Read back as Windows' own check would: what does not return as it went was not carried.
  std::wstring back;
  if (replaced || !Decode(code_page, bytes, &back) || back != text) {
    SetLastErrorCode(err::kNoUnicodeTranslation);
    return false;
  }
  *out = std::move(bytes);
  return true;
}

std::wstring SimCodePage::ToWide(uint32_t code_page, const std::string& text) {
  if (faults_.ShouldFail("MultiByteToWideChar")) return std::wstring();
  std::wstring out;
  if (!Decode(code_page, text, &out)) {
    SetLastErrorCode(err::kInvalidParameter);
    return std::wstring();
  }
  return out;
}

}  // namespace platform::sim
