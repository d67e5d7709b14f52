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
