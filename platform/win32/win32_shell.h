// Shell folders and environment expansion.
#pragma once

#include "platform/shell.h"

namespace platform::win32 {

class Win32Shell : public Shell {
 public:
  // SHGetSpecialFolderPathW without creating the folder.
  bool SpecialFolder(int csidl, std::wstring* out) override;
  std::wstring ExpandEnvironment(const std::wstring& text) override;
};

}  // namespace platform::win32
