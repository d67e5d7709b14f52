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
  // GetSystemDirectoryA into `buffer_bytes` bytes: false with 122 when it does not fit.
  bool SystemDirectoryA(size_t buffer_bytes, std::string* out) override;
  // FormatMessageW (FROM_SYSTEM | IGNORE_INSERTS, language neutral) into a buffer that grows
  // while the text does not fit.
  bool ErrorMessageText(uint32_t code, std::wstring* out) override;
  bool NativeMachine(uint16_t* out) override;
  std::unique_ptr<InstanceMutex> CreateInstanceMutex(const std::wstring& name) override;
};

}  // namespace platform::win32
