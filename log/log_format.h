// The log's printf: MSVC's format language on every compiler, with "%ws" (and "%ls", "%S")
// strings converted to 8-bit through a code page.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace platform {
class CodePage;
}

// Formats into `out` (capacity `size`, always NUL-terminated when size > 0), cutting silently.
// Knows the flags - + space # 0, width and precision (also '*'), the lengths hh h l ll L I I32
// I64 z j t w, and the conversions d i u o x X c C s S p f F e E g G a A and %%. As on Windows,
// "l" is 32 bits, "I" pointer-sized, "h" with s/c narrow and "l"/"w" with s/c wide; %p prints
// the pointer as upper-case hex digits; %n writes nothing. Wide text goes through `codepage`
// (its ANSI code page); without one, characters above 0x7F become '?'.
// Returns the number of bytes written.
size_t LogFormatV(platform::CodePage* codepage, char* out, size_t size, const char* format, va_list args);
size_t LogFormat(platform::CodePage* codepage, char* out, size_t size, const char* format, ...);
