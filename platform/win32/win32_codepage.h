// Code page conversion through GetACP, WideCharToMultiByte and MultiByteToWideChar.
#pragma once

#include "platform/codepage.h"

namespace platform::win32 {

class Win32CodePage : public CodePage {
 public:
  uint32_t AnsiCodePage() override;
  std::string FromWide(uint32_t code_page, const std::wstring& text) override;
  std::wstring ToWide(uint32_t code_page, const std::string& text) override;
  bool FromWideExact(uint32_t code_page, const std::wstring& text, std::string* out) override;
};

}  // namespace platform::win32
