// Copies into fixed-size, NUL-terminated wchar_t fields (the records' name and text fields) that
// never run past them. A field of capacity n holds at most n - 1 characters and its terminator;
// a capacity of 0 or less (or a null field) writes nothing; a null text reads as empty.
#pragma once

#include <cstddef>
#include <string>

// Copies at most capacity - 1 units of `text`, stopping at its first NUL or after `max_length`
// units, and terminates the field. True when the whole text fitted.
bool CopyToField(wchar_t* field, int capacity, const wchar_t* text, size_t max_length = static_cast<size_t>(-1));
inline bool CopyToField(wchar_t* field, int capacity, const std::wstring& text) {
  return CopyToField(field, capacity, text.c_str(), text.size());
}

// The same copy cut at a character boundary: never between the two halves of a surrogate pair.
void CopyToFieldAtBoundary(wchar_t* field, int capacity, const std::wstring& text);

// Appends at most what fits of `text` behind the NUL-terminated content of `field`. True when
// the whole text fitted.
bool AppendToField(wchar_t* field, int capacity, const std::wstring& text);

// Length of a NUL-terminated field's content, never looking past `capacity` characters.
size_t FieldLength(const wchar_t* field, int capacity);
