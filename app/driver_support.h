// Whether this Windows takes a third-party printer driver at all: Windows protected print mode
// allows none, and the payload carries no driver for ARM64 Windows (where the installer itself
// runs emulated). Checked before anything is changed.
#pragma once

namespace platform {
class Machine;
}

enum class DriverSupport { kSupported, kProtectedPrint, kArm64 };

// The policy of Windows protected print mode (the key
// HKLM\SOFTWARE\Policies\Microsoft\Windows NT\Printers\WPP in the 64-bit view, its value
// "WindowsProtectedPrintGroupPolicyState" or "WindowsProtectedPrintMode" = 1), then the native
// machine (IsWow64Process2: IMAGE_FILE_MACHINE_ARM64). Each finding is logged.
DriverSupport CheckDriverSupport(platform::Machine& machine);

// Why the installer refuses, in `language` (0, 1, 2 as everywhere).
const wchar_t* DriverSupportText(DriverSupport support, int language);
