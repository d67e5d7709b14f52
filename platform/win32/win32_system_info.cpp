#include "platform/win32/win32_system_info.h"

#include <windows.h>

#include <vector>

#include "platform/last_error.h"
#include "platform/win32/unique_handle.h"

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

bool Win32SystemInfo::NativeMachine(uint16_t* out) {
  using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  // kernel32 is loaded in every process: a module handle, not a load.
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  auto fn = kernel32 != nullptr
                ? reinterpret_cast<IsWow64Process2Fn>(reinterpret_cast<void*>(::GetProcAddress(kernel32, "IsWow64Process2")))
                : nullptr;
  if (fn == nullptr) {
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64)) {
      SetLastErrorCode(::GetLastError());
      return false;
    }
    *out = wow64 ? machinetype::kAmd64 : machinetype::kI386;
    return true;
  }
  USHORT process = 0;
  USHORT native = 0;
  if (!fn(::GetCurrentProcess(), &process, &native)) {
    SetLastErrorCode(::GetLastError());
    return false;
  }
  *out = native;
  return true;
}

namespace {

class Win32InstanceMutex : public InstanceMutex {
 public:
  explicit Win32InstanceMutex(HANDLE mutex) : mutex_(mutex) {}
  ~Win32InstanceMutex() override { ::ReleaseMutex(mutex_.get()); }

 private:
  unique_handle mutex_;
};

}  // namespace

std::unique_ptr<InstanceMutex> Win32SystemInfo::CreateInstanceMutex(const std::wstring& name) {
  HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
  const DWORD error = ::GetLastError();
  if (mutex == nullptr) {
    SetLastErrorCode(error);
    return nullptr;
  }
  // Someone else's: the handle is of no use to this process.
  if (error == ERROR_ALREADY_EXISTS) {
    unique_handle close(mutex);
    SetLastErrorCode(ERROR_ALREADY_EXISTS);
    return nullptr;
  }
  return std::make_unique<Win32InstanceMutex>(mutex);
}

}  // namespace platform::win32
