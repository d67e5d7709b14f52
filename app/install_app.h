// The application object: InitInstance runs the whole program (payload, configuration files,
// language, installer texts, main dialog), ExitInstance stops the log facility.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Machine;
}

class CInstallApp {
 public:
  // One per run; it publishes m_nLanguage to every part (AppLanguage) while it lives.
  explicit CInstallApp(platform::Machine& machine);
  ~CInstallApp();
  CInstallApp(const CInstallApp&) = delete;
  CInstallApp& operator=(const CInstallApp&) = delete;

  // The start-up sequence and the main dialog. Always FALSE: no message loop follows.
  bool InitInstance();
  // Stops the log facility with every line on disk; the process exit code (0).
  int ExitInstance();

  // 0 English, 1 Simplified Chinese, 2 Traditional Chinese; set once the language is chosen.
  int m_nLanguage = 0;

  // The configuration folder formed at start-up ("<LocalAppData>\Temp\TavroPrint\Config\"),
  // empty when LocalAppData is unknown.
  const std::wstring& ConfigFolder() const { return config_folder_; }

 private:
  platform::Machine& machine_;
  std::wstring config_folder_;
  uint8_t* payload_ = nullptr;
};
