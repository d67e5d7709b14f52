#include "catalog/fixed_text.h"

#include "platform/codepage.h"

std::wstring AnsiToWide(platform::CodePage& codepage, const char* text) {
  if (text == nullptr || *text == '\0') return std::wstring();
  return codepage.FromAnsi(std::string(text));
}
