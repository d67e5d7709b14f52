#include "ports/port_text.h"

#include <cwchar>

namespace {

wchar_t Fold(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

bool EqualsIgnoringCase(const wchar_t* a, const wchar_t* b) {
  if (!a) a = L"";
  if (!b) b = L"";
  for (; *a && *b; ++a, ++b) {
    if (Fold(*a) != Fold(*b)) return false;
  }
  return *a == *b;
}

bool StartsWithIgnoringCase(const wchar_t* text, const wchar_t* prefix) {
  if (!text) text = L"";
  if (!prefix) return true;
  for (; *prefix; ++text, ++prefix) {
    if (!*text || Fold(*text) != Fold(*prefix)) return false;
  }
  return true;
}

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
