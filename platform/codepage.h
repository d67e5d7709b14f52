// Conversion between UTF-16 and 8-bit code pages. The ANSI code page is a setting of the machine.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

constexpr uint32_t kCodePageAnsi = 0;  // CP_ACP
constexpr uint32_t kCodePageUtf8 = 65001;

class CodePage {
 public:
  virtual ~CodePage() = default;
  // GetACP: 1252, 936, 950 ...
  virtual uint32_t AnsiCodePage() = 0;
  // WideCharToMultiByte with default flags: a character the code page lacks becomes its best-fit
  // look-alike where Windows has one (U+0101 to 'a' in 1252), else '?'.
  virtual std::string FromWide(uint32_t code_page, const std::wstring& text) = 0;
  // MultiByteToWideChar: invalid bytes become U+FFFD.
  virtual std::wstring ToWide(uint32_t code_page, const std::string& text) = 0;
  // WideCharToMultiByte with WC_NO_BEST_FIT_CHARS and lpUsedDefaultChar: true with `out` only
  // when every character has its own form in the code page and the bytes read back as `text`.
  // False (out empty) when anything would be replaced or a look-alike used (last error 1113,
  // ERROR_NO_UNICODE_TRANSLATION), or with the failing call's code. An empty text is exact.
  virtual bool FromWideExact(uint32_t code_page, const std::wstring& text, std::string* out) = 0;

  std::string ToAnsi(const std::wstring& text) { return FromWide(kCodePageAnsi, text); }
  std::wstring FromAnsi(const std::string& text) { return ToWide(kCodePageAnsi, text); }
  bool ToAnsiExact(const std::wstring& text, std::string* out) {
    return FromWideExact(kCodePageAnsi, text, out);
  }
};

}  // namespace platform
