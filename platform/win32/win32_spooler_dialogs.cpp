// The port monitors' own dialogs, reached through the spooler: the monitor's UI module (for the
// Standard TCP/IP Port, tcpmonui.dll) runs modally on the calling thread.
#include <windows.h>
#include <winspool.h>
// winspool.h maps these to their W functions, which would rename the methods defined here.
#undef EnumPorts
#undef ConfigurePort
#undef DeletePort

#include "platform/win32/win32_dialog_controls.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/winspool_api.h"

namespace platform::win32 {

namespace {

HWND OwnerWindow(DialogControls* owner) {
  auto* real = dynamic_cast<Win32DialogControls*>(owner);
  return real ? static_cast<HWND>(real->Hwnd()) : nullptr;
}

// The spooler's calls take writable strings but do not write them.
LPWSTR Text(const std::wstring& text) { return const_cast<LPWSTR>(text.c_str()); }

}  // namespace

bool Win32Spooler::AddPortUI(DialogControls* owner, const std::wstring& monitor) {
  return winspool::AddPortW(nullptr, OwnerWindow(owner), Text(monitor)) != FALSE;
}

bool Win32Spooler::ConfigurePort(DialogControls* owner, const std::wstring& port) {
  return winspool::ConfigurePortW(nullptr, OwnerWindow(owner), Text(port)) != FALSE;
}

bool Win32Spooler::DeletePort(DialogControls* owner, const std::wstring& port) {
  return winspool::DeletePortW(nullptr, OwnerWindow(owner), Text(port)) != FALSE;
}

}  // namespace platform::win32
