// The configuration manager's functions the devices layer calls, resolved at the first call from
// cfgmgr32.dll in the system folder (it is not a known DLL; see system_library.h). When the
// library or the entry is missing they answer CR_FAILURE and leave 126 or 127 as last error.
#pragma once

// clang-format off
#include <windows.h>
#include <cfgmgr32.h>
// clang-format on

namespace platform::win32::cfgmgr {

CONFIGRET CM_Get_Device_ID_Size(PULONG length, DEVINST node, ULONG flags);
CONFIGRET CM_Get_Device_IDW(DEVINST node, PWSTR buffer, ULONG length, ULONG flags);
CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST node, ULONG flags);
CONFIGRET CM_Locate_DevNodeW(PDEVINST node, DEVINSTID_W instance_id, ULONG flags);

}  // namespace platform::win32::cfgmgr
