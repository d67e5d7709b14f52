#include "catalog/install_name.h"

#include "platform/codepage.h"
#include "platform/dos_device_name.h"

NameProblem CheckInstallName(platform::CodePage& codepage, const std::wstring& name) {
  if (name.find_first_not_of(L". ") == std::wstring::npos) return NameProblem::kEmpty;
  for (wchar_t c : name) {
    const uint32_t u = static_cast<uint32_t>(c);
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) return NameProblem::kControl;
  }
  if (name.find_first_of(L"\\/") != std::wstring::npos) return NameProblem::kSeparator;
  if (name.find(L':') != std::wstring::npos) return NameProblem::kColon;
  if (name.find(L"..") != std::wstring::npos) return NameProblem::kParent;
  if (platform::IsDosDeviceName(name)) return NameProblem::kDevice;
  // Best fit would turn U+2215 into "/" and U+FF0E into "." on the way to the ANSI paths.
  std::string ansi;
  if (!codepage.ToAnsiExact(name, &ansi)) return NameProblem::kNotAnsi;
  // A double-byte character whose trail byte is 0x5C is "\" to code that walks the bytes.
  if (ansi.find_first_of("\\/:") != std::string::npos) return NameProblem::kAnsiSeparator;
  return NameProblem::kNone;
}

const char* NameProblemText(NameProblem problem) {
  switch (problem) {
    case NameProblem::kNone: return "no problem";
    case NameProblem::kEmpty: return "the name is empty or only dots and spaces";
    case NameProblem::kSeparator: return "the name holds a \\ or /";
    case NameProblem::kColon: return "the name holds a colon";
    case NameProblem::kParent: return "the name holds ..";
    case NameProblem::kControl: return "the name holds a control character";
    case NameProblem::kDevice: return "the name is one Windows opens as a device";
    case NameProblem::kNotAnsi: return "the ANSI code page does not carry the name exactly";
    case NameProblem::kAnsiSeparator: return "the ANSI form of the name holds a \\, / or : byte";
  }
  return "unknown problem";
}
