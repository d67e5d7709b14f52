#include "platform/win32/system_library.h"

#include <cwchar>
#include <string>

namespace platform::win32 {

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

}  // namespace

bool HardenDllSearch() {
  // kernel32 is a known DLL: asking it by name cannot reach a planted file.
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return false;
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
  if (set_default == nullptr) return false;  // Windows 7 without KB2533623
  return set_default(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

HMODULE LoadSystemLibraryWith(LoadLibraryExFn load, const wchar_t* file_name) {
  if (file_name == nullptr || *file_name == L'\0' || std::wcspbrk(file_name, L"\\/:") != nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HMODULE module = load(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A loader without the search flags: the file in the system folder by its full path, never
  // the bare name, which would search the program's folder first. The altered search path has
  // its dependencies looked up from there too.
  wchar_t folder[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0) return nullptr;
  if (length >= MAX_PATH) {
    ::SetLastError(ERROR_BUFFER_OVERFLOW);
    return nullptr;
  }
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  path += file_name;
  return load(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadSystemLibrary(const wchar_t* file_name) { return LoadSystemLibraryWith(&::LoadLibraryExW, file_name); }

HMODULE SystemLibrary::Module() {
  std::call_once(once_, [this] {
    module_.reset(LoadSystemLibrary(file_name_));
    if (!module_) load_error_ = ::GetLastError() ? ::GetLastError() : ERROR_MOD_NOT_FOUND;
  });
  if (!module_) ::SetLastError(load_error_);
  return module_.get();
}

FARPROC SystemLibrary::EntryAddress(const char* name) {
  HMODULE module = Module();
  if (module == nullptr) return nullptr;
  FARPROC entry = ::GetProcAddress(module, name);
  if (entry == nullptr && ::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_PROC_NOT_FOUND);
  return entry;
}

SystemLibrary& WinspoolLibrary() {
  static SystemLibrary library(L"winspool.drv");
  return library;
}

SystemLibrary& CfgMgrLibrary() {
  static SystemLibrary library(L"cfgmgr32.dll");
  return library;
}

SystemLibrary& BluetoothLibrary() {
  static SystemLibrary library(L"bthprops.cpl");
  return library;
}

}  // namespace platform::win32
