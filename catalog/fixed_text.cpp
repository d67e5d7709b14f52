#include "catalog/fixed_text.h"

#include "platform/codepage.h"

std::wstring AnsiToWide(platform::CodePage& codepage, const char* text) {
  if (text == nullptr || *text == '\0') return std::wstring();
  return codepage.FromAnsi(std::string(text));
}

size_t FieldLength(const wchar_t* field, int capacity) {
  size_t n = 0;
  while (static_cast<int>(n) < capacity && field[n] != L'\0') ++n;
  return n;
}

bool CopyToField(wchar_t* field, int capacity, const std::wstring& text) {
  if (capacity <= 0) return false;
  field[0] = L'\0';
  return AppendToField(field, capacity, text);
}

bool AppendToField(wchar_t* field, int capacity, const std::wstring& text) {
  if (capacity <= 0) return false;
  size_t used = FieldLength(field, capacity);
  if (static_cast<int>(used) >= capacity) used = static_cast<size_t>(capacity) - 1;
  size_t room = static_cast<size_t>(capacity) - 1 - used;
  size_t n = text.size() < room ? text.size() : room;
  text.copy(field + used, n);
  field[used + n] = L'\0';
  return n == text.size();
}
