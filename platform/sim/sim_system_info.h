// The simulated machine's system facts. The system folder is the Windows folder's "system32" as
// GetSystemDirectoryA spells it; which folder a 32-bit process then reaches is the file system's
// affair (WOW64 redirection, sim_files.h). Message texts are those of an English Windows 10.
//
// Each machine fact lives where Windows keeps it, and the answers here read it from there: the
// computer name, the Windows folder ("SystemRoot"), the processor architecture and the processor
// count (one CentralProcessor key each) in the registry. A setter writes the fact there and
// brings along every other view a program has of it (environment variables, shell folders, the
// registry's WOW64 redirection), so that no view can disagree with another.
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
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_shell.h"
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
  SimSystemInfo(SimFaults& faults, SimCodePage& codepage, SimRegistry& registry, SimShell& shell);

  // Where the registry keeps the facts (HKLM, 64-bit view).
  static constexpr const wchar_t* kComputerNameKey = L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
  static constexpr const wchar_t* kCurrentVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  static constexpr const wchar_t* kProcessorsKey = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor";
  static constexpr const wchar_t* kSystemEnvironmentKey =
      L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

  bool WindowsFolder(std::wstring* out) override;
  // Fails with 111 (ERROR_BUFFER_OVERFLOW) for a name longer than 15 characters, as
  // GetComputerNameW does with a MAX_COMPUTERNAME_LENGTH + 1 buffer.
  bool ComputerName(std::wstring* out) override;
  // What GetVersionExW reports to this program. An installer without a compatibility manifest
  // sees Windows 8 (6.2.9200) on Windows 8.1 and later; that is the default.
  bool Version(VersionInfo* out) override;
  NativeSystemInfo NativeInfo() override;
  bool Memory(MemoryStatus* out) override;
  // True on a 64-bit Windows (the default): this is a 32-bit program.
  bool IsWow64() override;
  // False with 122 when the folder and its NUL do not fit.
  bool SystemDirectoryA(size_t buffer_bytes, std::string* out) override;
  // The text with its closing CR LF; false with 317 for a code this Windows has no text for.
  bool ErrorMessageText(uint32_t code, std::wstring* out) override;
  // Fault name "IsWow64Process2". The machine of the processor architecture (AMD64 by default)
  // unless SetNativeMachine says otherwise (an ARM64 Windows emulating x64).
  bool NativeMachine(uint16_t* out) override;
  // Fault name "CreateMutexW". One namespace for the whole simulated machine: a second mutex of
  // a name that is held fails with 183 until the first is released.
  std::unique_ptr<InstanceMutex> CreateInstanceMutex(const std::wstring& name) override;

  // The same facts for the machine's own services: no faults, no call counting.
  std::wstring WindowsPath();
  bool Wow64Process();
  uint16_t ProcessorArchitecture();

  // Arranging. The Windows folder: the registry's "SystemRoot", %SystemRoot%, %windir%,
  // %ComSpec% and the Windows and system shell folders.
  void SetWindowsFolder(const std::wstring& folder);
  // The registry's "ComputerName" and %COMPUTERNAME%.
  void SetComputerName(const std::wstring& name);
  void SetVersion(const VersionInfo& version);
  // The processor architecture (SetProcessorArchitecture) and count (SetProcessorCount).
  void SetNativeInfo(const NativeSystemInfo& info);
  // x86 makes a 32-bit Windows: no WOW64, one registry view without Wow6432Node, the program
  // files folders and variables of a 32-bit Windows, System32 as the system folder, and the native
  // machine I386. Any other makes this program a 32-bit one under WOW64.
  void SetProcessorArchitecture(uint16_t architecture);
  // One CentralProcessor key per processor (each new one a copy of the first) and
  // %NUMBER_OF_PROCESSORS%.
  void SetProcessorCount(uint32_t count);
  void SetMemory(const MemoryStatus& memory);
  void SetNativeMachine(uint16_t machine);
  bool MutexHeld(const std::wstring& name);

 private:
  std::wstring Fact(const wchar_t* key, const wchar_t* name);
  // The shell folders and variables that follow the Windows folder and the architecture.
  void ShowFolders();

  SimFaults& faults_;
  SimCodePage& codepage_;
  SimRegistry& registry_;
  SimShell& shell_;
  std::mutex mutex_;
  VersionInfo version_;
  MemoryStatus memory_;
  uint16_t native_machine_ = machinetype::kAmd64;
  std::set<std::wstring> mutexes_;
};

}  // namespace platform::sim
