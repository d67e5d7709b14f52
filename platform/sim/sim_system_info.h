// The simulated machine's system facts. Fault names: "GetWindowsDirectoryW",
// "GetComputerNameW", "GetVersionExW", "GlobalMemoryStatusEx", "IsWow64Process"
// (GetNativeSystemInfo cannot fail).
#pragma once

#include <mutex>
#include <string>

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
  explicit SimSystemInfo(SimFaults& faults);

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

  // Arranging.
  void SetWindowsFolder(const std::wstring& folder);
  void SetComputerName(const std::wstring& name);
  void SetVersion(const VersionInfo& version);
  void SetNativeInfo(const NativeSystemInfo& info);
  void SetMemory(const MemoryStatus& memory);
  void SetWow64(bool wow64);

 private:
  SimFaults& faults_;
  std::mutex mutex_;
  std::wstring windows_folder_ = L"C:\\Windows";
  std::wstring computer_name_ = L"TAVRO-PC";
  VersionInfo version_;
  NativeSystemInfo native_;
  MemoryStatus memory_;
  bool wow64_ = true;
};

}  // namespace platform::sim
