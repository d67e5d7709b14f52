// The application object: InitInstance runs the whole program (payload, configuration files,
// language, installer texts, main dialog), ExitInstance stops the log facility.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/command_line.h"

namespace platform {
class InstanceMutex;
class Machine;
}
namespace quiet {
class QuietMachine;
}

class CInstallDlg;

class CInstallApp {
 public:
  // One per run; it publishes m_nLanguage to every part (AppLanguage) while it lives.
  explicit CInstallApp(platform::Machine& machine);
  ~CInstallApp();
  CInstallApp(const CInstallApp&) = delete;
  CInstallApp& operator=(const CInstallApp&) = delete;

  // The whole command line as GetCommandLineW gives it (program name first); before InitInstance.
  // Without switches the run is the same as without a command line.
  void UseCommandLine(const std::wstring& command_line);

  // The start-up sequence and the main dialog. Always FALSE: no message loop follows.
  bool InitInstance();
  // Stops the log facility with every line on disk (and copies this run's lines to the "/log="
  // folder); the process exit code (m_nExitCode).
  int ExitInstance();

  // The exit code: 0 installed (or, unattended, already installed), 87 unusable command line,
  // 1602 cancelled, 1603 failed, 1618 another unattended run holds the installer's mutex, 1633
  // this Windows takes no third-party printer driver.
  int m_nExitCode = kExitCancelled;

  // 0 English, 1 Simplified Chinese, 2 Traditional Chinese; set once the language is chosen.
  int m_nLanguage = 0;

  // The configuration folder formed at start-up ("<LocalAppData>\Temp\TavroPrint\Config\"),
  // empty when LocalAppData is unknown.
  const std::wstring& ConfigFolder() const { return config_folder_; }

 private:
  // InitInstance's steps after the command line is known.
  int Run();
  // What must refuse the run before anything changes: a command line that cannot be used (or
  // /?), another unattended run, a Windows that takes no third-party driver. kExitInstalled
  // when the run may go on, else its exit code (the user told when not quiet).
  int CheckBeforeStart();
  // The language: /language, English for an unattended run, else the language dialog's choice.
  // False when the user cancels the dialog.
  bool ChooseLanguage();
  // The main dialog, driven without windows when unattended: the run's exit code.
  int RunMainDialog(CInstallDlg& dialog);
  // The language of texts shown before any is chosen: /language, else the system's code page.
  int FirstLanguage();

  platform::Machine& machine_;
  CommandLine command_line_;
  std::unique_ptr<quiet::QuietMachine> quiet_machine_;
  std::unique_ptr<platform::InstanceMutex> mutex_;
  size_t log_start_ = 0;
  std::wstring config_folder_;
  uint8_t* payload_ = nullptr;
};
