#include "platform/win32/win32_codepage.h"

#include <windows.h>

namespace platform::win32 {

uint32_t Win32CodePage::AnsiCodePage() { return ::GetACP(); }

std::string Win32CodePage::FromWide(uint32_t code_page, const std::wstring& text) {
  if (text.empty()) return std::string();
  // Default flags and default character: what the code page lacks becomes its default, '?'.
  int n = ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  n = ::WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

bool Win32CodePage::FromWideExact(uint32_t code_page, const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  // UTF-8 carries every character and refuses the flag and the used-default pointer (87); it
  // only has to reject lone surrogates.
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  LPBOOL used = utf8 ? nullptr : &used_default;
  const int length = static_cast<int>(text.size());
  int n = ::WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0, nullptr, used);
  if (n <= 0) return false;
  if (used_default) {
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  std::string bytes(static_cast<size_t>(n), '\0');
  n = ::WideCharToMultiByte(code_page, flags, text.data(), length, &bytes[0], n, nullptr, used);
  if (n <= 0) return false;
  if (used_default) {
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  bytes.resize(static_cast<size_t>(n));
  // What reads back differently was not carried exactly, whatever the flags promised.
  if (ToWide(code_page, bytes) != text) {
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  *out = std::move(bytes);
  return true;
}

std::wstring Win32CodePage::ToWide(uint32_t code_page, const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  n = ::MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

}  // namespace platform::win32
