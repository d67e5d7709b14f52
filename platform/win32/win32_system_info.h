// Facts about the running Windows from the kernel's own calls.
#pragma once

#include "platform/system_info.h"

namespace platform::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  bool WindowsFolder(std::wstring* out) override;
  bool ComputerName(std::wstring* out) override;
  // GetVersionExW with OSVERSIONINFOEXW: what the program's manifest lets it see.
  bool Version(VersionInfo* out) override;
  NativeSystemInfo NativeInfo() override;
  bool Memory(MemoryStatus* out) override;
  bool IsWow64() override;
};

}  // namespace platform::win32
