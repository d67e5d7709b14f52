// The simulated machine's shell folders and environment. Fault names:
// "SHGetSpecialFolderPathW", "ExpandEnvironmentStringsW" (the text then comes back unexpanded).
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/shell.h"
#include "platform/sim/sim_faults.h"

namespace platform::sim {

namespace csidl_more {
constexpr int kDesktopDirectory = 16;
constexpr int kAppData = 26;
constexpr int kCommonAppData = 35;
constexpr int kWindows = 36;
constexpr int kSystem = 37;
constexpr int kProfile = 40;
constexpr int kProgramFilesX86 = 42;
}  // namespace csidl_more

class SimShell : public Shell {
 public:
  explicit SimShell(SimFaults& faults);

  bool SpecialFolder(int csidl, std::wstring* out) override;
  // %NAME% (names compared without regard to case) becomes the variable's value; unknown
  // variables and a lone '%' stay as written.
  std::wstring ExpandEnvironment(const std::wstring& text) override;

  // Arranging: a folder for a CSIDL (an empty path makes it unknown); an environment variable
  // (an empty value removes it).
  void SetSpecialFolder(int csidl, const std::wstring& path);
  void SetEnvironment(const std::wstring& name, const std::wstring& value);
  // The value of a variable, or "" when it is not set.
  std::wstring Environment(const std::wstring& name);

 private:
  SimFaults& faults_;
  std::mutex mutex_;
  std::map<int, std::wstring> folders_;
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> environment_;  // upper -> (name, value)
};

}  // namespace platform::sim
