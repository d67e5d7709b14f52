// What one installation created, as the uninstaller finds it from its own folder: the uninstall
// entry (HKLM, the installer's 32-bit view) whose InstallLocation is that folder, with the values
// the installer recorded there, and "Uninstall.ini" beside the program. Every value is checked
// before use: the entry is writable by administrators only, the folder perhaps by anyone.
#pragma once

#include <string>
#include <vector>

#include "install/uninstall_record.h"

namespace platform {
class Machine;
}

// The uninstall entries' key (32-bit view); the values the installer adds for its uninstaller are
// those of install/uninstall_record.h.
constexpr const wchar_t* kUninstallEntriesKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const wchar_t* kPublisher = L"Tavro";
constexpr const wchar_t* kServiceName = L"Mavrin Service";

struct InstallationRecord {
  std::wstring folder;      // the install folder: the uninstaller's own
  std::wstring entry_key;   // its uninstall entry below HKLM (32-bit view)
  std::wstring printer;     // DisplayName: the printer's name
  std::wstring file_stem;   // the product key's name below HKLM\SOFTWARE (64-bit view)
  std::wstring driver;      // the driver's name
  std::vector<std::wstring> environments;  // where the driver was registered
  std::wstring port;                       // the printer's port
  std::wstring own_monitor;                // the monitor this installation made `port` on, or empty
  std::vector<std::wstring> driver_files;  // bare names in each environment's driver directory
  bool chinese = false;                    // the product key's "Language" is "Chinese"
  int other_installations = 0;             // other uninstall entries of the publisher "Tavro"
  std::vector<std::wstring> other_folders;  // their InstallLocation values, as recorded
  std::vector<std::string> untrusted;      // values refused, for the log and the outcome
};

// Finds the installation whose uninstall entry names `folder` (InstallLocation, case ignored,
// a trailing backslash ignored) and fills `out`. False when there is none (a second run); every
// refused value is logged, left empty and named in `untrusted`.
bool FindInstallation(platform::Machine& machine, const std::wstring& folder, InstallationRecord* out);

// Whether two folder paths name the same folder as text (case and a trailing '\' ignored).
bool SameFolder(const std::wstring& a, const std::wstring& b);

// The checks the record applies, for the installer's writer and the tests: a printer, driver or
// port name (no '\\' or ',', 1 to 255 characters), a registry key name of one component, a bare
// file name of the driver directory (.dll, .exe or .pcd, no folder, no "..").
bool IsPlainName(const std::wstring& name);
bool IsKeyName(const std::wstring& name);
bool IsDriverFileName(const std::wstring& name);
