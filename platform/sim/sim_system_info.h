// The simulated machine's system facts. The system folder is the Windows folder's "system32" as
// GetSystemDirectoryA spells it; which folder a 32-bit process then reaches is the file system's
// affair (WOW64 redirection, sim_files.h). Message texts are those of an English Windows 10.
// Fault names: "GetWindowsDirectoryW", "GetComputerNameW", "GetVersionExW",
// "GlobalMemoryStatusEx", "IsWow64Process", "GetSystemDirectoryA", "FormatMessageW"
// (GetNativeSystemInfo cannot fail).
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_faults.h"
#include "platform/system_info.h"

namespace platform::sim {

namespace arch {
constexpr uint16_t kX86 = 0;
constexpr uint16_t kArm = 5;
constexpr uint16_t kX64 = 9;
constexpr uint16_t kArm64 = 12;
}  // namespace arch

class SimSystemInfo : public SystemInfo {
 public:
  SimSystemInfo(SimFaults& faults, SimCodePage& codepage);

  bool WindowsFolder(std::wstring* out) override;
  // Fails with 111 (ERROR_BUFFER_OVERFLOW) for a name longer than 15 characters, as
  // GetComputerNameW does with a MAX_COMPUTERNAME_LENGTH + 1 buffer.
  bool ComputerName(std::wstring* out) override;
  // What GetVersionExW reports to this program. An installer without a compatibility manifest
  // sees Windows 8 (6.2.9200) on Windows 8.1 and later; that is the default.
  bool Version(VersionInfo* out) override;
  NativeSystemInfo NativeInfo() override;
  bool Memory(MemoryStatus* out) override;
  // True by default: a 32-bit installer on 64-bit Windows.
  bool IsWow64() override;
  // False with 122 when the folder and its NUL do not fit.
  bool SystemDirectoryA(size_t buffer_bytes, std::string* out) override;
  // The text with its closing CR LF; false with 317 for a code this Windows has no text for.
  bool ErrorMessageText(uint32_t code, std::wstring* out) override;
  // Fault name "IsWow64Process2". AMD64 by default (as SetNativeMachine sets it).
  bool NativeMachine(uint16_t* out) override;
  // Fault name "CreateMutexW". One namespace for the whole simulated machine: a second mutex of
  // a name that is held fails with 183 until the first is released.
  std::unique_ptr<InstanceMutex> CreateInstanceMutex(const std::wstring& name) override;

  // The same facts for the machine's own services: no faults, no call counting.
  std::wstring WindowsPath();
  bool Wow64Process();
  uint16_t ProcessorArchitecture();

  // Arranging.
  void SetWindowsFolder(const std::wstring& folder);
  void SetComputerName(const std::wstring& name);
  void SetVersion(const VersionInfo& version);
  void SetNativeInfo(const NativeSystemInfo& info);
  void SetMemory(const MemoryStatus& memory);
  void SetWow64(bool wow64);
  void SetNativeMachine(uint16_t machine);
  bool MutexHeld(const std::wstring& name);

 private:
  SimFaults& faults_;
  SimCodePage& codepage_;
  std::mutex mutex_;
  std::wstring windows_folder_ = L"C:\\Windows";
  std::wstring computer_name_ = L"TAVRO-PC";
  VersionInfo version_;
  NativeSystemInfo native_;
  MemoryStatus memory_;
  bool wow64_ = true;
  uint16_t native_machine_ = machinetype::kAmd64;
  std::set<std::wstring> mutexes_;
};

}  // namespace platform::sim
