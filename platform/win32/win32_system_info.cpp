#include "platform/win32/win32_system_info.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {

bool Win32SystemInfo::WindowsFolder(std::wstring* out) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    UINT n = ::GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return false;
    if (n < buffer.size()) {
      out->assign(buffer.data(), n);
      return true;
    }
    buffer.resize(n + 1);  // too small: n is the size needed, terminator included
  }
}

bool Win32SystemInfo::ComputerName(std::wstring* out) {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(buffer, &size)) return false;
  out->assign(buffer, size);
  return true;
}

bool Win32SystemInfo::Version(VersionInfo* out) {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL ok = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
  if (!ok) return false;
  out->major = info.dwMajorVersion;
  out->minor = info.dwMinorVersion;
  out->build = info.dwBuildNumber;
  out->service_pack = info.szCSDVersion;
  return true;
}

NativeSystemInfo Win32SystemInfo::NativeInfo() {
  SYSTEM_INFO si = {};
  ::GetNativeSystemInfo(&si);
  NativeSystemInfo info;
  info.processor_architecture = si.wProcessorArchitecture;
  info.number_of_processors = si.dwNumberOfProcessors;
  return info;
}

bool Win32SystemInfo::Memory(MemoryStatus* out) {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (!::GlobalMemoryStatusEx(&status)) return false;
  out->total_physical = status.ullTotalPhys;
  out->available_physical = status.ullAvailPhys;
  return true;
}

bool Win32SystemInfo::IsWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

bool Win32SystemInfo::SystemDirectoryA(size_t buffer_bytes, std::string* out) {
  std::vector<char> buffer(buffer_bytes + 1, '\0');
  UINT n = ::GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer_bytes));
  if (n == 0) return false;
  if (n >= buffer_bytes) {  // too small: n is the size needed
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  out->assign(buffer.data(), n);
  return true;
}

bool Win32SystemInfo::ErrorMessageText(uint32_t code, std::wstring* out) {
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  for (DWORD size = 512; size <= 64 * 1024; size *= 4) {
    std::vector<wchar_t> buffer(size, L'\0');
    DWORD n = ::FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), buffer.data(), size,
                               nullptr);
    if (n != 0) {
      out->assign(buffer.data(), n);
      return true;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

}  // namespace platform::win32
