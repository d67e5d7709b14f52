#include "platform/win32/win32_spooler.h"

#include <windows.h>
#include <winspool.h>
// winspool.h maps these to their W functions, which would rename the methods of the class.
#undef EnumPorts
#undef ConfigurePort
#undef DeletePort

#include <memory>
#include <new>

#include "platform/win32/winspool_api.h"

namespace platform::win32 {

namespace {

std::wstring Text(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

}  // namespace

bool Win32Spooler::EnumPorts(std::vector<PortInfo>* out) {
  out->clear();
  DWORD needed = 0;
  DWORD returned = 0;
  if (winspool::EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned)) {
    ::SetLastError(ERROR_SUCCESS);
    return true;  // no ports at all
  }
  std::unique_ptr<BYTE[]> buffer;
  for (int attempt = 0; attempt < 8; ++attempt) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.reset(new (std::nothrow) BYTE[needed]);
    if (!buffer) {
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    if (winspool::EnumPortsW(nullptr, 2, buffer.get(), needed, &needed, &returned)) {
      const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.get());
      for (DWORD i = 0; i < returned; ++i) {
        PortInfo port;
        port.name = Text(ports[i].pPortName);
        port.monitor = Text(ports[i].pMonitorName);
        port.description = Text(ports[i].pDescription);
        port.type = ports[i].fPortType;
        port.reserved = ports[i].Reserved;
        out->push_back(std::move(port));
      }
      ::SetLastError(ERROR_SUCCESS);
      return true;
    }
  }
  return false;
}

}  // namespace platform::win32
