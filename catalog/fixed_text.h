// Text helpers of the catalog and paper readers: 8-bit JSON text to UTF-16 through the machine's
// ANSI code page, and copies into fixed-size, NUL-terminated fields that never run past them.
#pragma once

#include <cstddef>
#include <string>

namespace platform {
class CodePage;
}

// Converts 8-bit text from the ANSI code page (MultiByteToWideChar with CP_ACP); null gives "".
std::wstring AnsiToWide(platform::CodePage& codepage, const char* text);

// Copies at most capacity - 1 characters of `text` into `field` and terminates it. Nothing is
// written when capacity is 0 or less. Returns true when the whole text fitted.
bool CopyToField(wchar_t* field, int capacity, const std::wstring& text);

// Appends at most what fits of `text` behind the NUL-terminated content of `field`.
bool AppendToField(wchar_t* field, int capacity, const std::wstring& text);

// Length of a NUL-terminated field's content, never looking past `capacity` characters.
size_t FieldLength(const wchar_t* field, int capacity);
