// The uninstaller program's logic: finds the installation of its own folder, asks the user (in
// the installation's language) whether to remove its printer, runs the removal steps and tells
// the outcome. The Windows entry point hands it the real machine and message boxes.
#pragma once

#include <string>

namespace platform {
class Machine;
}

// Exit codes, as Windows Installer's.
constexpr int kUninstallRemoved = 0;
constexpr int kUninstallUserSaidNo = 1602;
constexpr int kUninstallStepFailed = 1603;
constexpr int kUninstallNothingLeft = 1605;
constexpr int kUninstallRestartNeeded = 3010;

// The uninstaller's questions and messages to the user.
class UninstallUi {
 public:
  virtual ~UninstallUi() = default;
  // A Yes/No question; true for Yes.
  virtual bool Ask(const std::wstring& caption, const std::wstring& text) = 0;
  // The outcome; `error` shows it as an error.
  virtual void Tell(const std::wstring& caption, const std::wstring& text, bool error) = 0;
};

// The uninstaller's whole command line (GetCommandLineW: the program's path, quoted or not,
// then the arguments): an argument "/quiet" (case ignored, also "-quiet") shows no window at
// all; anything else is ignored.
bool QuietRequested(const std::wstring& command_line);

// Removes the installation whose folder is `folder` (the program's own; `program` the running
// uninstaller's path in it, which goes at the next restart without that being waited for). Asks
// first unless `quiet`; never uses `ui` when quiet. Returns one of the exit codes above.
int RunUninstaller(platform::Machine& machine, const std::wstring& folder, const std::wstring& program, bool quiet,
                   UninstallUi& ui);

// The texts, by language (`chinese`: Simplified Chinese, else English).
std::wstring UninstallCaption(bool chinese);
std::wstring UninstallQuestion(bool chinese, const std::wstring& printer);
std::wstring UninstallOutcome(bool chinese, int exit_code, const std::wstring& printer);
