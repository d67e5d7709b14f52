// Shell folders and environment expansion.
#pragma once

#include <string>

namespace platform {

namespace csidl {
constexpr int kPersonal = 5;        // the user's documents
constexpr int kLocalAppData = 28;
constexpr int kProgramFiles = 38;
}  // namespace csidl

class Shell {
 public:
  virtual ~Shell() = default;
  // SHGetSpecialFolderPathW with fCreate FALSE; false when the folder is not known.
  virtual bool SpecialFolder(int csidl, std::wstring* out) = 0;
  // ExpandEnvironmentStringsW: unknown variables stay as written.
  virtual std::wstring ExpandEnvironment(const std::wstring& text) = 0;
};

}  // namespace platform
