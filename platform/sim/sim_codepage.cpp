#include "platform/sim/sim_codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "platform/last_error.h"

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

}  // namespace

SimCodePage::SimCodePage(SimFaults& faults) : faults_(faults) {}

SimCodePage::~SimCodePage() {
  for (auto& entry : converters_) iconv_close(static_cast<iconv_t>(entry.second));
}

uint32_t SimCodePage::AnsiCodePage() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ansi_;
}

void SimCodePage::SetAnsiCodePage(uint32_t code_page) {
  std::lock_guard<std::mutex> lock(mutex_);
  ansi_ = code_page;
}

uint32_t SimCodePage::Resolve(uint32_t code_page) { return code_page == kCodePageAnsi ? ansi_ : code_page; }

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

bool SimCodePage::Encode(uint32_t code_page, const std::wstring& text, std::string* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t cp = Resolve(code_page);
  out->clear();
  if (KeepsAscii(cp) && IsAscii(text)) {
    out->assign(text.begin(), text.end());
    return true;
  }
  iconv_t cd = static_cast<iconv_t>(Converter(cp, false));
  if (cd == nullptr) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buffer[16];
  // One character at a time, so that a character the code page lacks becomes '?' by itself.
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      uint32_t lo = static_cast<uint32_t>(text[i + 1]);
      if (lo >= 0xDC00 && lo < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                  static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
    char* in_ptr = in;
    size_t in_left = 4;
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      out->push_back('?');
      continue;
    }
    out->append(buffer, out_ptr - buffer);
  }
  return true;
}

bool SimCodePage::Decode(uint32_t code_page, const std::string& text, std::wstring* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t cp = Resolve(code_page);
  out->clear();
  if (KeepsAscii(cp) && IsAscii(text)) {
    out->assign(text.begin(), text.end());
    return true;
  }
  iconv_t cd = static_cast<iconv_t>(Converter(cp, true));
  if (cd == nullptr) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> buffer(text.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(text.data());
  size_t in_left = text.size();
  auto emit = [out](uint32_t c) {
    if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
      c -= 0x10000;
      out->push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out->push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out->push_back(static_cast<wchar_t>(c));
    }
  };
  while (in_left > 0) {
    char* out_ptr = buffer.data();
    size_t out_left = buffer.size();
    size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    int error = errno;
    for (char* p = buffer.data(); p + 4 <= out_ptr; p += 4) {
      const auto* b = reinterpret_cast<const unsigned char*>(p);
      emit(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
    }
    if (rc != static_cast<size_t>(-1)) break;
    if (error == E2BIG) continue;
    // EILSEQ (invalid byte) or EINVAL (a cut multi-byte sequence): one U+FFFD, skip the byte.
    emit(0xFFFD);
    ++in_ptr;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return true;
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
