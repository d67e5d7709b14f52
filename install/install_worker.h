// The installation worker: the body of the thread the install command starts, and the step that
// writes the GPC file, runs the spooler registration for this Windows and sets the default
// printer. It reads InstallTarget, PrinterInfo and PaperTable, which nothing changes while it runs.
#pragma once

#include <cstdint>
#include <string>

class InstallHost;

namespace platform {
class Machine;
}

// WM_INSTALL_FINISHED: WM_APP + 0x64; wParam 1 success / 0 failure, lParam the Win32 code.
constexpr uint32_t kWmInstallFinished = 0x8000 + 0x64;

// Extracts the payload into the install folder (an entry that cannot be written fails the
// installation with its code), installs the driver and printer, and on success writes the
// uninstall registration and installs the service; then posts the outcome through `host` (a
// failure's code, 31 when the failing call left 0). Returns 0.
uint32_t RetractFileThread(platform::Machine& machine, InstallHost& host);

// Writes "<driver directory>\<FileStem>GPC.pcd" (the "Windows x64" directory under WOW64; a GPC
// file that cannot be written fails with its code), fills InstallTarget.DriverName and (when
// empty) MonitorName, runs InstallPrinterDriver64 under WOW64 and InstallPrinterDriver32
// otherwise, and makes PrinterName (by then the name the printer was added under) the default
// printer when the host's check box asks for it and the registration succeeded. Nonzero on
// success; 0 with the failing call's code as last error.
bool InstallPrinterDriver(platform::Machine& machine, InstallHost& host, const std::wstring& dir);

// True when the installer runs as a 32-bit process on 64-bit Windows.
bool IsWow64(platform::Machine& machine);
