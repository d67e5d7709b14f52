#include "ports/port_text.h"

#include <cwchar>

void StripTrailingColon(wchar_t* text) {
  if (!text) return;
  size_t length = std::wcslen(text);
  if (length > 0 && text[length - 1] == L':') text[length - 1] = L'\0';
}

const wchar_t* AfterLastBackslash(const wchar_t* text) {
  if (!text) return L"";
  const wchar_t* slash = std::wcsrchr(text, L'\\');
  return slash ? slash + 1 : L"";
}
