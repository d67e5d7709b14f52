#include "platform/win32/cfgmgr_api.h"

#include "platform/win32/system_library.h"

namespace platform::win32::cfgmgr {

namespace {

template <typename Fn, typename... Args>
CONFIGRET Call(const char* name, Args... args) {
  Fn fn = CfgMgrLibrary().Entry<Fn>(name);
  return fn != nullptr ? fn(args...) : CR_FAILURE;
}

}  // namespace

CONFIGRET CM_Get_Device_ID_Size(PULONG length, DEVINST node, ULONG flags) {
  return Call<decltype(&::CM_Get_Device_ID_Size)>("CM_Get_Device_ID_Size", length, node, flags);
}

CONFIGRET CM_Get_Device_IDW(DEVINST node, PWSTR buffer, ULONG length, ULONG flags) {
  return Call<decltype(&::CM_Get_Device_IDW)>("CM_Get_Device_IDW", node, buffer, length, flags);
}

CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST node, ULONG flags) {
  return Call<decltype(&::CM_Get_Parent)>("CM_Get_Parent", parent, node, flags);
}

CONFIGRET CM_Locate_DevNodeW(PDEVINST node, DEVINSTID_W instance_id, ULONG flags) {
  return Call<decltype(&::CM_Locate_DevNodeW)>("CM_Locate_DevNodeW", node, instance_id, flags);
}

}  // namespace platform::win32::cfgmgr
