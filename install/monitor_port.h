// The spooler's port list and the installer's own port monitor and port, for the registration
// paths. The names come from InstallTarget (MonitorName, PortName).
#pragma once

#include <string>

namespace platform {
class Machine;
}

// True when the spooler lists a port named `port` exactly (case-sensitive), or a port whose
// name is `port` followed by one ":" ("COM3" matches "COM3:", not the reverse). False when the
// list cannot be read.
bool IsPortValid(platform::Machine& machine, const std::wstring& port);

// Registers InstallTarget.MonitorName for "Windows NT x86" with the monitor DLL `dll` (a bare
// file name in the system directory). True when the monitor is registered afterwards, also when
// it was before (3006); false with the spooler's code as last error otherwise.
bool AddPrinterMonitor(platform::Machine& machine, const std::wstring& dll);

// Adds InstallTarget.PortName to the monitor InstallTarget.MonitorName (AddPortExW, level 1).
// True when the spooler accepted it; false with its code as last error.
bool AddPortW(platform::Machine& machine);
