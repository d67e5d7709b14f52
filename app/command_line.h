// The installer's command line:
//   TavroPrintSetup.exe [/quiet] [/language=en|zh-CN|zh-TW] [/model=NAME] [/port=PORT|auto]
//                       [/ip=ADDRESS] [/serial=BAUD,PARITY,DATA,STOP,FLOW] [/nodefault]
//                       [/log=FOLDER] [/?]
// Pure logic: the words are split as CommandLineToArgvW splits them, then every switch is checked.
#pragma once

#include <string>
#include <vector>

#include "ui/install_preset.h"

struct CommandLine {
  bool valid = true;        // false: `error` says why (the run ends with 87)
  std::wstring error;       // English, for the log and the usage box
  bool help = false;        // "/?"
  bool any = false;         // at least one switch was given
  int language = -1;        // 0 English, 1 Simplified, 2 Traditional Chinese; -1 not given
  std::wstring log_folder;  // "/log=": a further folder for the log; empty when not given
  InstallPreset preset;
};

// The words of a whole command line (GetCommandLineW), program name first, split by the rules of
// CommandLineToArgvW: the program name ends at its closing quote or the first blank; in the other
// words 2n backslashes before a quote give n and the quote opens or closes quoting, 2n+1 give n and
// a literal quote, other backslashes are kept, and "" inside quotes is a literal quote.
std::vector<std::wstring> SplitCommandLine(const std::wstring& command_line);

// Parses the switches of `args` (the words after the program name). Switch names ignore case;
// each switch may be given once; a value is required where the syntax shows one.
CommandLine ParseCommandLine(const std::vector<std::wstring>& args);

// Parses "BAUD,PARITY,DATA,STOP,FLOW" as the Ports key stores it ("9600,n,8,1,p"; the flow field
// may be empty). False for anything else.
bool ParseSerialSettings(const std::wstring& text, SerialPreset* out);

// The usage text in `language` (0, 1, 2 as everywhere; other values English).
std::wstring UsageText(int language);
