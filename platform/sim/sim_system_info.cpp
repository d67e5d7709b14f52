#include "platform/sim/sim_system_info.h"

#include <functional>
#include <vector>

#include "platform/last_error.h"

namespace platform::sim {

namespace {
constexpr uint32_t kBufferOverflow = 111;
constexpr uint32_t kMessageNotFound = 317;
constexpr size_t kMaxComputerName = 15;

struct MessageText {
  uint32_t code;
  const wchar_t* text;
};

// FormatMessageW's system texts of an English Windows 10 for the codes this system meets.
constexpr MessageText kMessages[] = {
    {0, L"The operation completed successfully."},
    {1, L"Incorrect function."},
    {2, L"The system cannot find the file specified."},
    {3, L"The system cannot find the path specified."},
    {5, L"Access is denied."},
    {6, L"The handle is invalid."},
    {8, L"Not enough memory resources are available to process this command."},
    {13, L"The data is invalid."},
    {14, L"Not enough memory resources are available to complete this operation."},
    {31, L"A device attached to the system is not functioning."},
    {32, L"The process cannot access the file because it is being used by another process."},
    {50, L"The request is not supported."},
    {80, L"The file exists."},
    {87, L"The parameter is incorrect."},
    {111, L"The file name is too long."},
    {122, L"The data area passed to a system call is too small."},
    {123, L"The filename, directory name, or volume label syntax is incorrect."},
    {124, L"The system call level is not correct."},
    {126, L"The specified module could not be found."},
    {127, L"The specified procedure could not be found."},
    {183, L"Cannot create a file when that file already exists."},
    {234, L"More data is available."},
    {259, L"No more data is available."},
    {317, L"The system cannot find message text for message number 0x%1 in the message file for %2."},
    {1053, L"The service did not respond to the start or control request in a timely fashion."},
    {1056, L"An instance of the service is already running."},
    {1060, L"The specified service does not exist as an installed service."},
    {1072, L"The specified service has been marked for deletion."},
    {1073, L"The specified service already exists."},
    {1078, L"The name is already in use as either a service name or a service display name."},
    {1722, L"The RPC server is unavailable."},
    {1795, L"The specified printer driver is already installed."},
    {1796, L"The specified port is unknown."},
    {1797, L"The printer driver is unknown."},
    {1798, L"The print processor is unknown."},
    {1801, L"The printer name is invalid."},
    {1802, L"The printer already exists."},
    {1804, L"The specified datatype is invalid."},
    {1805, L"The environment specified is invalid."},
    {1813, L"The specified resource type cannot be found in the image file."},
    {1814, L"The specified resource name cannot be found in the image file."},
    {1905, L"The printer has been deleted."},
    {3000, L"The specified print monitor is unknown."},
    {3006, L"The specified print monitor has already been installed."},
};
struct Architecture {
  uint16_t id;
  const wchar_t* name;  // as %PROCESSOR_ARCHITECTURE% spells it
  uint16_t machine;
};

constexpr Architecture kArchitectures[] = {
    {arch::kX86, L"x86", machinetype::kI386},
    {arch::kX64, L"AMD64", machinetype::kAmd64},
    {arch::kArm64, L"ARM64", machinetype::kArm64},
    {arch::kArm, L"ARM", machinetype::kUnknown},
};

const Architecture& ArchitectureOf(uint16_t id) {
  for (const Architecture& a : kArchitectures) {
    if (a.id == id) return a;
  }
  return kArchitectures[0];
}

bool Is64Bit(uint16_t id) { return id == arch::kX64 || id == arch::kArm64; }

// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "CreateMutexW", "FormatMessageW", "GetComputerNameW", "GetSystemDirectoryA", "GetVersionExW",
    "GetWindowsDirectoryW", "GlobalMemoryStatusEx", "IsWow64Process", "IsWow64Process2"};
}  // namespace

SimSystemInfo::SimSystemInfo(SimFaults& faults, SimCodePage& codepage, SimRegistry& registry, SimShell& shell)
    : faults_(faults), codepage_(codepage), registry_(registry), shell_(shell) {
  faults_.Declare(kFaultNames);
  version_.major = 6;
  version_.minor = 2;
  version_.build = 9200;
  memory_.total_physical = 8ULL << 30;
  memory_.available_physical = 5ULL << 30;
}

std::wstring SimSystemInfo::Fact(const wchar_t* key, const wchar_t* name) {
  RegValue value;
  if (!registry_.Get(Hive::kLocalMachine, key, name, RegView::k64, &value)) return std::wstring();
  return value.AsString();
}

bool SimSystemInfo::WindowsFolder(std::wstring* out) {
  if (faults_.ShouldFail("GetWindowsDirectoryW")) return false;
  *out = WindowsPath();
  return true;
}

bool SimSystemInfo::ComputerName(std::wstring* out) {
  if (faults_.ShouldFail("GetComputerNameW")) return false;
  std::wstring name = Fact(kComputerNameKey, L"ComputerName");
  if (name.size() > kMaxComputerName) {
    SetLastErrorCode(kBufferOverflow);
    return false;
  }
  *out = name;
  return true;
}

bool SimSystemInfo::Version(VersionInfo* out) {
  if (faults_.ShouldFail("GetVersionExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  *out = version_;
  return true;
}

NativeSystemInfo SimSystemInfo::NativeInfo() {
  NativeSystemInfo info;
  info.processor_architecture = ProcessorArchitecture();
  std::vector<std::wstring> processors;
  registry_.SubKeys(Hive::kLocalMachine, kProcessorsKey, RegView::k64, &processors);
  info.number_of_processors = static_cast<uint32_t>(processors.size());
  return info;
}

bool SimSystemInfo::Memory(MemoryStatus* out) {
  if (faults_.ShouldFail("GlobalMemoryStatusEx")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  *out = memory_;
  return true;
}

bool SimSystemInfo::IsWow64() {
  if (faults_.ShouldFail("IsWow64Process")) return false;
  return Wow64Process();
}

bool SimSystemInfo::SystemDirectoryA(size_t buffer_bytes, std::string* out) {
  if (faults_.ShouldFail("GetSystemDirectoryA")) return false;
  std::string path;
  codepage_.Encode(kCodePageAnsi, WindowsPath() + L"\\system32", &path);
  if (path.size() + 1 > buffer_bytes) {
    SetLastErrorCode(err::kInsufficientBuffer);
    return false;
  }
  *out = path;
  return true;
}

bool SimSystemInfo::ErrorMessageText(uint32_t code, std::wstring* out) {
  if (faults_.ShouldFail("FormatMessageW")) return false;
  for (const MessageText& message : kMessages) {
    if (message.code == code) {
      *out = std::wstring(message.text) + L"\r\n";
      return true;
    }
  }
  SetLastErrorCode(kMessageNotFound);
  return false;
}

std::wstring SimSystemInfo::WindowsPath() { return Fact(kCurrentVersionKey, L"SystemRoot"); }

bool SimSystemInfo::Wow64Process() { return Is64Bit(ProcessorArchitecture()); }

uint16_t SimSystemInfo::ProcessorArchitecture() {
  const std::wstring name = Fact(kSystemEnvironmentKey, L"PROCESSOR_ARCHITECTURE");
  for (const Architecture& a : kArchitectures) {
    if (name == a.name) return a.id;
  }
  return arch::kX86;
}

void SimSystemInfo::SetWindowsFolder(const std::wstring& folder) {
  registry_.Put(Hive::kLocalMachine, kCurrentVersionKey, L"SystemRoot", RegView::k64, RegValue::Sz(folder));
  shell_.SetEnvironment(L"SystemRoot", folder);
  shell_.SetEnvironment(L"windir", folder);
  shell_.SetEnvironment(L"ComSpec", folder + L"\\system32\\cmd.exe");
  ShowFolders();
}

void SimSystemInfo::SetComputerName(const std::wstring& name) {
  registry_.Put(Hive::kLocalMachine, kComputerNameKey, L"ComputerName", RegView::k64, RegValue::Sz(name));
  shell_.SetEnvironment(L"COMPUTERNAME", name);
}

void SimSystemInfo::SetProcessorArchitecture(uint16_t architecture) {
  const Architecture& a = ArchitectureOf(architecture);
  const bool wow64 = Is64Bit(a.id);
  registry_.Put(Hive::kLocalMachine, kSystemEnvironmentKey, L"PROCESSOR_ARCHITECTURE", RegView::k64,
                RegValue::Sz(a.name));
  registry_.SetRedirection(wow64);
  if (!wow64) registry_.Erase(Hive::kLocalMachine, L"SOFTWARE\\Wow6432Node", RegView::k64);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    native_machine_ = a.machine;
  }
  // This program is a 32-bit one: the variables it sees are those of an x86 process.
  shell_.SetEnvironment(L"PROCESSOR_ARCHITECTURE", L"x86");
  shell_.SetEnvironment(L"PROCESSOR_ARCHITEW6432", wow64 ? a.name : L"");
  const std::wstring native = L"C:\\Program Files";
  const std::wstring x86 = wow64 ? L"C:\\Program Files (x86)" : native;
  shell_.SetEnvironment(L"ProgramFiles", x86);
  shell_.SetEnvironment(L"CommonProgramFiles", x86 + L"\\Common Files");
  shell_.SetEnvironment(L"ProgramFiles(x86)", wow64 ? x86 : L"");
  shell_.SetEnvironment(L"CommonProgramFiles(x86)", wow64 ? x86 + L"\\Common Files" : L"");
  shell_.SetEnvironment(L"ProgramW6432", wow64 ? native : L"");
  shell_.SetEnvironment(L"CommonProgramW6432", wow64 ? native + L"\\Common Files" : L"");
  shell_.SetSpecialFolder(csidl::kProgramFiles, x86);
  shell_.SetSpecialFolder(csidl_more::kProgramFilesX86, wow64 ? x86 : L"");
  ShowFolders();
}

void SimSystemInfo::SetProcessorCount(uint32_t count) {
  std::vector<std::pair<std::wstring, RegValue>> first;
  registry_.Values(Hive::kLocalMachine, std::wstring(kProcessorsKey) + L"\\0", RegView::k64, &first);
  std::vector<std::wstring> keys;
  registry_.SubKeys(Hive::kLocalMachine, kProcessorsKey, RegView::k64, &keys);
  for (uint32_t i = count; i < keys.size(); ++i) {
    registry_.Erase(Hive::kLocalMachine, std::wstring(kProcessorsKey) + L"\\" + std::to_wstring(i), RegView::k64);
  }
  for (uint32_t i = 0; i < count; ++i) {
    const std::wstring key = std::wstring(kProcessorsKey) + L"\\" + std::to_wstring(i);
    registry_.MakeKey(Hive::kLocalMachine, key, RegView::k64);
    if (i < keys.size()) continue;
    for (const auto& value : first) registry_.Put(Hive::kLocalMachine, key, value.first, RegView::k64, value.second);
  }
  shell_.SetEnvironment(L"NUMBER_OF_PROCESSORS", std::to_wstring(count));
}

void SimSystemInfo::ShowFolders() {
  const std::wstring windows = WindowsPath();
  shell_.SetSpecialFolder(csidl_more::kWindows, windows);
  // As a 32-bit process sees it: SysWOW64 under WOW64.
  shell_.SetSpecialFolder(csidl_more::kSystem, windows + (Wow64Process() ? L"\\SysWOW64" : L"\\System32"));
}

void SimSystemInfo::SetVersion(const VersionInfo& version) {
  std::lock_guard<std::mutex> lock(mutex_);
  version_ = version;
}

void SimSystemInfo::SetNativeInfo(const NativeSystemInfo& info) {
  if (info.processor_architecture != ProcessorArchitecture()) SetProcessorArchitecture(info.processor_architecture);
  SetProcessorCount(info.number_of_processors);
}

void SimSystemInfo::SetMemory(const MemoryStatus& memory) {
  std::lock_guard<std::mutex> lock(mutex_);
  memory_ = memory;
}

bool SimSystemInfo::NativeMachine(uint16_t* out) {
  if (faults_.ShouldFail("IsWow64Process2")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  *out = native_machine_;
  return true;
}

void SimSystemInfo::SetNativeMachine(uint16_t machine) {
  std::lock_guard<std::mutex> lock(mutex_);
  native_machine_ = machine;
}

namespace {

class SimInstanceMutex : public InstanceMutex {
 public:
  SimInstanceMutex(std::function<void()> release) : release_(std::move(release)) {}
  ~SimInstanceMutex() override { release_(); }

 private:
  std::function<void()> release_;
};

}  // namespace

std::unique_ptr<InstanceMutex> SimSystemInfo::CreateInstanceMutex(const std::wstring& name) {
  constexpr uint32_t kAlreadyExists = 183;
  if (faults_.ShouldFail("CreateMutexW")) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!mutexes_.insert(name).second) {
    SetLastErrorCode(kAlreadyExists);
    return nullptr;
  }
  return std::make_unique<SimInstanceMutex>([this, name] {
    std::lock_guard<std::mutex> release_lock(mutex_);
    mutexes_.erase(name);
  });
}

bool SimSystemInfo::MutexHeld(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  return mutexes_.count(name) != 0;
}

}  // namespace platform::sim
