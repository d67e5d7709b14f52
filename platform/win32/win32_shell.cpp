#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace platform::win32 {

bool Win32Shell::SpecialFolder(int csidl, std::wstring* out) {
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return false;
  *out = path;
  return true;
}

std::wstring Win32Shell::ExpandEnvironment(const std::wstring& text) {
  std::vector<wchar_t> buffer(text.size() + 64);
  for (;;) {
    DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return text;  // the call failed: keep the text as written
    if (n <= buffer.size()) return std::wstring(buffer.data());
    buffer.resize(n);
  }
}

}  // namespace platform::win32
