// Test ports in the Wine prefix's spooler: a port on the "Local Port" monitor, as a USB printer's
// port monitor would have it (USB001), added and deleted again by a Windows test program.
// Under Wine every value of the Ports key is listed by EnumPortsW with monitor "Local Monitor",
// whatever its name; a second AddPortExW of the same name fails with 87.
#pragma once

// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <cwchar>
#include <string>
#include <vector>

// Not declared by MinGW-w64's winspool.h, exported by winspool.drv.
extern "C" BOOL WINAPI AddPortExW(LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitor);

namespace winetest {

// The spooler's port names (EnumPortsW level 1), in its order.
inline std::vector<std::wstring> SpoolerPorts() {
  std::vector<std::wstring> names;
  DWORD needed = 0, count = 0;
  EnumPortsW(nullptr, 1, nullptr, 0, &needed, &count);
  if (needed == 0) return names;
  std::vector<BYTE> buffer(needed);
  if (!EnumPortsW(nullptr, 1, buffer.data(), needed, &needed, &count)) return names;
  const PORT_INFO_1W* ports = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.push_back(ports[i].pName);
  return names;
}

inline bool SpoolerHasPort(const std::wstring& name) {
  for (const std::wstring& port : SpoolerPorts()) {
    if (_wcsicmp(port.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

// AddPortExW level 1 on the "Local Port" monitor: 0, or the Win32 code of the failure.
inline DWORD AddLocalPort(const wchar_t* name) {
  std::wstring port = name;
  std::wstring monitor = L"Local Port";
  PORT_INFO_1W info = {};
  info.pName = &port[0];
  if (AddPortExW(nullptr, 1, reinterpret_cast<LPBYTE>(&info), &monitor[0])) return 0;
  return GetLastError();
}

// Deletes a local port if the spooler lists it; true when it is gone afterwards.
inline bool DeleteLocalPortIfPresent(const wchar_t* name) {
  if (!SpoolerHasPort(name)) return true;
  std::wstring port = name;
  DeletePortW(nullptr, nullptr, &port[0]);
  return !SpoolerHasPort(name);
}

}  // namespace winetest
