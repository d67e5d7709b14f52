// Text of the catalog and paper readers: 8-bit JSON text to UTF-16 through the machine's ANSI
// code page.
#pragma once

#include <string>

namespace platform {
class CodePage;
}

// Converts 8-bit text from the ANSI code page (MultiByteToWideChar with CP_ACP); null gives "".
std::wstring AnsiToWide(platform::CodePage& codepage, const char* text);
