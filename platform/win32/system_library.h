// Libraries of Windows that are not among its known DLLs (winspool.drv, cfgmgr32.dll,
// bthprops.cpl, ...): loaded at run time from the system folder only, never from the program's
// folder, where anyone may have put a DLL of that name beside a downloaded installer.
#pragma once

#include <windows.h>

#include <mutex>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// Makes the system folder the only default place a DLL loaded by name comes from
// (SetDefaultDllDirectories, when this Windows has it: 8 and later, 7 with KB2533623).
// Whether it was applied; the first call of the program's entry point.
bool HardenDllSearch();

// Loads `file_name` (a bare name such as L"winspool.drv") from the system folder; null with the
// loader's code as last error (126 when it is not there). Where the loader knows no search flags
// (87), the full path in the system folder is loaded instead.
HMODULE LoadSystemLibrary(const wchar_t* file_name);

// The same with the loader given: what a test uses to stand for a Windows that lacks the flags.
using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
HMODULE LoadSystemLibraryWith(LoadLibraryExFn load, const wchar_t* file_name);

// One system library, loaded at its first use and kept until the object goes.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* file_name) : file_name_(file_name) {}
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The module; null with the load's code as last error (each call, not only the first).
  HMODULE Module();

  // An exported function as type `Fn`; null with 126 (no module) or 127 (no such entry) as last
  // error.
  template <typename Fn>
  Fn Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(EntryAddress(name)));
  }
  FARPROC EntryAddress(const char* name);

 private:
  const wchar_t* file_name_;
  std::once_flag once_;
  unique_hmodule module_;
  DWORD load_error_ = ERROR_SUCCESS;
};

// The libraries the installer resolves at run time, each loaded once per process.
SystemLibrary& WinspoolLibrary();
SystemLibrary& CfgMgrLibrary();
SystemLibrary& BluetoothLibrary();

}  // namespace platform::win32
