#include "text/fixed_field.h"

#include "text/utf16.h"

bool CopyToField(wchar_t* field, int capacity, const wchar_t* text, size_t max_length) {
  if (field == nullptr || capacity <= 0) return false;
  const size_t limit = static_cast<size_t>(capacity) - 1;
  size_t n = 0;
  if (text != nullptr) {
    for (; n < limit && n < max_length && text[n] != L'\0'; ++n) field[n] = text[n];
  }
  field[n] = L'\0';
  return text == nullptr || n == max_length || text[n] == L'\0';
}

void CopyToFieldAtBoundary(wchar_t* field, int capacity, const std::wstring& text) {
  if (field == nullptr || capacity <= 0) return;
  const std::wstring cut = CutToUnits(text, static_cast<size_t>(capacity) - 1);
  for (size_t i = 0; i < cut.size(); ++i) field[i] = cut[i];
  field[cut.size()] = L'\0';
}

size_t FieldLength(const wchar_t* field, int capacity) {
  size_t n = 0;
  while (static_cast<int>(n) < capacity && field[n] != L'\0') ++n;
  return n;
}

bool AppendToField(wchar_t* field, int capacity, const std::wstring& text) {
  if (field == nullptr || capacity <= 0) return false;
  size_t used = FieldLength(field, capacity);
  if (static_cast<int>(used) >= capacity) used = static_cast<size_t>(capacity) - 1;
  const size_t room = static_cast<size_t>(capacity) - 1 - used;
  const size_t n = text.size() < room ? text.size() : room;
  text.copy(field + used, n);
  field[used + n] = L'\0';
  return n == text.size();
}
