// Facts about the running Windows: folders, names, version, processor and memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// GetVersionExW's OSVERSIONINFOEXW, the fields the logic reads.
struct VersionInfo {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  std::wstring service_pack;  // szCSDVersion
};

// GetNativeSystemInfo's processor facts.
struct NativeSystemInfo {
  uint16_t processor_architecture = 0;  // 0 x86, 5 ARM, 9 x64, 12 ARM64
  uint32_t number_of_processors = 0;
};

struct MemoryStatus {
  uint64_t total_physical = 0;
  uint64_t available_physical = 0;
};

// IMAGE_FILE_MACHINE_* values of IsWow64Process2.
namespace machinetype {
constexpr uint16_t kUnknown = 0;
constexpr uint16_t kI386 = 0x014c;
constexpr uint16_t kAmd64 = 0x8664;
constexpr uint16_t kArm64 = 0xAA64;
}  // namespace machinetype

// A named mutex held by this process (CreateMutexW); the destructor releases and closes it.
class InstanceMutex {
 public:
  virtual ~InstanceMutex() = default;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetWindowsDirectoryW; false when the call fails.
  virtual bool WindowsFolder(std::wstring* out) = 0;
  // GetComputerNameW; false when the call fails (also for a name longer than 15 characters).
  virtual bool ComputerName(std::wstring* out) = 0;
  virtual bool Version(VersionInfo* out) = 0;
  virtual NativeSystemInfo NativeInfo() = 0;
  virtual bool Memory(MemoryStatus* out) = 0;
  // IsWow64Process on the own process: a 32-bit program on 64-bit Windows.
  virtual bool IsWow64() = 0;
  // GetSystemDirectoryA into a buffer of `buffer_bytes` bytes (as the file system sees it: with
  // WOW64 redirection on, a 32-bit process's copies land in SysWOW64).
  virtual bool SystemDirectoryA(size_t buffer_bytes, std::string* out) = 0;
  // FormatMessageW from the system table (inserts ignored, language neutral) for `code`; false
  // when the system has no text.
  virtual bool ErrorMessageText(uint32_t code, std::wstring* out) = 0;
  // The machine Windows itself runs on (IMAGE_FILE_MACHINE_*): IsWow64Process2, looked up at run
  // time in kernel32, answers it even where an emulated x86 or x64 process is told otherwise
  // (ARM64). Where the entry point is missing (before Windows 10 1511) the answer comes from
  // IsWow64Process: AMD64 under WOW64, else I386. False with the call's code.
  virtual bool NativeMachine(uint16_t* out) = 0;
  // Creates the named mutex `name` ("Global\\..."), owned by this process. Null with 183
  // (ERROR_ALREADY_EXISTS) when another holds one of that name, or with the code of the failure.
  virtual std::unique_ptr<InstanceMutex> CreateInstanceMutex(const std::wstring& name) = 0;
};

}  // namespace platform
