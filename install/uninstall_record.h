// What an installation records in its uninstall entry for its uninstaller, besides the entry's
// standard values: what it created, so that the uninstaller removes exactly that. The values are
// REG_SZ; lists are separated by ';'. The uninstaller checks each value before it uses it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class InstallHost;

namespace platform {
class Machine;
}

constexpr const wchar_t* kEntryFileStem = L"TavroFileStem";          // the product key's name
constexpr const wchar_t* kEntryDriver = L"TavroDriver";              // the driver's name
constexpr const wchar_t* kEntryEnvironments = L"TavroEnvironments";  // where it was registered
constexpr const wchar_t* kEntryPort = L"TavroPort";                  // the printer's port
constexpr const wchar_t* kEntryOwnMonitor = L"TavroOwnMonitor";      // the monitor serving an own port
constexpr const wchar_t* kEntryDriverFiles = L"TavroDriverFiles";    // bare names in the driver directory
constexpr const wchar_t* kUninstallerName = L"Uninstaller.exe";

// The values above for the installation InstallTarget describes now (after a successful
// registration): the environment of the worker's registration, the own monitor when the
// spooler lists the port on InstallTarget's monitor, the driver files derived from FileStem.
std::vector<std::pair<const wchar_t*, std::wstring>> UninstallRecordValues(platform::Machine& machine);

// EstimatedSize: the install folder's files (and those of its folders, links not followed) and
// the installation's driver files in the driver directory of its environment, in KB rounded up.
uint32_t EstimatedSizeKb(platform::Machine& machine, const std::wstring& folder);
