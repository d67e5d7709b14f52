// What an installation leaves for its removal: the product key (64-bit registry view), the
// install folder's "Uninstall.ini", the uninstall entry (the installer's own view) and the
// clean-up of a stale RunOnce value; and the background service "Mavrin Service". Neither
// reports failure: a failed step is logged and the next one runs.
#pragma once

#include <string>

class InstallHost;

namespace platform {
class Machine;
}

// Writes the product key HKLM\SOFTWARE\<FileStem> (nothing else when it cannot be created),
// "<install folder>\Uninstall.ini", the Uninstall\<PrinterName> entry, and deletes RunOnce's
// "NorlUninstaller". `start_menu_dir` and `uninstaller` are stored as given.
void WriteUninstallRegistration(platform::Machine& machine, InstallHost& host, const std::wstring& start_menu_dir,
                                const std::wstring& uninstaller);

// Creates the automatic-start service "Mavrin Service" (LocalSystem) whose program is
// TavroPrinterService.exe in the install folder, sets its description and starts it. An
// existing service is left untouched.
void InstallService(platform::Machine& machine, InstallHost& host);
