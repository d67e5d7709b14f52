// The tests' Standard TCP/IP Port monitor (tavro_test_tcpmon.dll with its UI module, built beside
// the Windows test programs, never part of the payload) as the tests install and remove it in the
// prefix's spooler, and its ports as it keeps them in the registry.
#pragma once

// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace testmon {

constexpr wchar_t kMonitorKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port";
constexpr wchar_t kPortsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
constexpr wchar_t kModule[] = L"tavro_test_tcpmon.dll";

// Puts this program's folder, where the monitor's modules are, first on PATH for as long as it
// lives: a process started meanwhile inherits it, and the spooler inside it finds the modules.
// The installer takes system libraries from the system folder only (as Windows' spooler takes a
// monitor's), so the modules are also copied there, and removed again at the end.
class ModulesOnPath {
 public:
  ModulesOnPath() {
    std::vector<wchar_t> path(32768);
    GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
    saved_ = path.data();
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder = folder.substr(0, folder.find_last_of(L'\\'));
    SetEnvironmentVariableW(L"PATH", (folder + L";" + saved_).c_str());
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (const wchar_t* module : {L"tavro_test_tcpmon.dll", L"tavro_test_tcpmonui.dll"}) {
      std::wstring from = folder + L"\\" + module;
      std::wstring to = std::wstring(system) + L"\\" + module;
      // A copy still loaded by an earlier process cannot be replaced: the same build is there.
      if (CopyFileW(from.c_str(), to.c_str(), FALSE) || SameSize(from, to)) copies_.push_back(to);
    }
  }
  ~ModulesOnPath() {
    SetEnvironmentVariableW(L"PATH", saved_.c_str());
    for (const std::wstring& copy : copies_) DeleteFileW(copy.c_str());
  }
  ModulesOnPath(const ModulesOnPath&) = delete;
  ModulesOnPath& operator=(const ModulesOnPath&) = delete;

 private:
  static bool SameSize(const std::wstring& a, const std::wstring& b) {
    WIN32_FILE_ATTRIBUTE_DATA da, db;
    return GetFileAttributesExW(a.c_str(), GetFileExInfoStandard, &da) &&
           GetFileAttributesExW(b.c_str(), GetFileExInfoStandard, &db) && da.nFileSizeLow == db.nFileSizeLow &&
           da.nFileSizeHigh == db.nFileSizeHigh;
  }

  std::wstring saved_;
  std::vector<std::wstring> copies_;
};

// Installs the monitor under the Standard TCP/IP Port's name: empty, or the failure.
inline std::string Install() {
  wchar_t name[] = L"Standard TCP/IP Port";
  wchar_t module[64];
  std::wcscpy(module, kModule);
  MONITOR_INFO_2W info = {name, nullptr, module};
  if (!AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info))) return "AddMonitorW " + std::to_string(GetLastError());
  return "";
}

// Removes the monitor with its ports, whoever made them; true when its key is gone.
inline bool Remove() {
  wchar_t monitor[] = L"Standard TCP/IP Port";
  DeleteMonitorW(nullptr, nullptr, monitor);
  LONG result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMonitorKey);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// A port of the monitor written as the monitor itself keeps it.
inline bool AddPortKey(const wchar_t* port) {
  platform::win32::unique_hkey key;
  std::wstring name = std::wstring(kPortsKey) + L"\\" + port;
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) ==
         ERROR_SUCCESS;
}

inline bool HasPortKey(const wchar_t* port) {
  platform::win32::unique_hkey key;
  std::wstring name = std::wstring(kPortsKey) + L"\\" + port;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// How often the monitor's configuration dialog was confirmed for `port`.
inline DWORD Configured(const wchar_t* port) {
  DWORD count = 0;
  DWORD size = sizeof(count);
  std::wstring name = std::wstring(kPortsKey) + L"\\" + port;
  RegGetValueW(HKEY_LOCAL_MACHINE, name.c_str(), L"TavroConfigured", RRF_RT_REG_DWORD, nullptr, &count, &size);
  return count;
}

}  // namespace testmon
