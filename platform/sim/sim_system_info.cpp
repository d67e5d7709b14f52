#include "platform/sim/sim_system_info.h"

#include "platform/last_error.h"

namespace platform::sim {

namespace {
constexpr uint32_t kBufferOverflow = 111;
constexpr size_t kMaxComputerName = 15;
}  // namespace

SimSystemInfo::SimSystemInfo(SimFaults& faults) : faults_(faults) {
  version_.major = 6;
  version_.minor = 2;
  version_.build = 9200;
  native_.processor_architecture = arch::kX64;
  native_.number_of_processors = 4;
  memory_.total_physical = 8ULL << 30;
  memory_.available_physical = 5ULL << 30;
}

bool SimSystemInfo::WindowsFolder(std::wstring* out) {
  if (faults_.ShouldFail("GetWindowsDirectoryW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  *out = windows_folder_;
  return true;
}

bool SimSystemInfo::ComputerName(std::wstring* out) {
  if (faults_.ShouldFail("GetComputerNameW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (computer_name_.size() > kMaxComputerName) {
    SetLastErrorCode(kBufferOverflow);
    return false;
  }
  *out = computer_name_;
  return true;
}

bool SimSystemInfo::Version(VersionInfo* out) {
  if (faults_.ShouldFail("GetVersionExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  *out = version_;
  return true;
}

NativeSystemInfo SimSystemInfo::NativeInfo() {
  std::lock_guard<std::mutex> lock(mutex_);
  return native_;
}

bool SimSystemInfo::Memory(MemoryStatus* out) {
  if (faults_.ShouldFail("GlobalMemoryStatusEx")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  *out = memory_;
  return true;
}

bool SimSystemInfo::IsWow64() {
  if (faults_.ShouldFail("IsWow64Process")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  return wow64_;
}

void SimSystemInfo::SetWindowsFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  windows_folder_ = folder;
}

void SimSystemInfo::SetComputerName(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  computer_name_ = name;
}

void SimSystemInfo::SetVersion(const VersionInfo& version) {
  std::lock_guard<std::mutex> lock(mutex_);
  version_ = version;
}

void SimSystemInfo::SetNativeInfo(const NativeSystemInfo& info) {
  std::lock_guard<std::mutex> lock(mutex_);
  native_ = info;
}

void SimSystemInfo::SetMemory(const MemoryStatus& memory) {
  std::lock_guard<std::mutex> lock(mutex_);
  memory_ = memory;
}

void SimSystemInfo::SetWow64(bool wow64) {
  std::lock_guard<std::mutex> lock(mutex_);
  wow64_ = wow64;
}

}  // namespace platform::sim
