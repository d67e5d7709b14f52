// Names an installation turns into file, folder and registry names: the model name (the printer
// name, the GPC file, the driver copies), the install folder name. One check for every layer
// that builds a path from such a name.
#pragma once

#include <string>

namespace platform {
class CodePage;
}

enum class NameProblem {
  kNone = 0,
  kEmpty = 1,         // empty, or nothing left once Windows drops trailing dots and spaces
  kSeparator = 2,     // holds "\" or "/"
  kColon = 3,         // holds ":" (a drive or a stream)
  kParent = 4,        // holds ".."
  kControl = 5,       // holds a control character (U+0000 to U+001F, U+007F to U+009F)
  kDevice = 6,        // a name Windows opens as a device (CON, NUL, COM1, LPT1 ...)
  kNotAnsi = 7,       // the ANSI code page does not carry it exactly (a look-alike or '?')
  kAnsiSeparator = 8, // its ANSI form holds a byte that 8-bit path code reads as "\", "/" or ":"
};

// The first problem of `name` in the order above; kNone for a name that stays one component of
// the folder it is put in, whichever of its UTF-16 and ANSI forms a later step uses.
NameProblem CheckInstallName(platform::CodePage& codepage, const std::wstring& name);

// Text for a problem, for log lines.
const char* NameProblemText(NameProblem problem);
