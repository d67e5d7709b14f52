// Test devices in the Wine prefix: USB printers as the USB printing stack shows them (a USBPRINT
// node whose parent is the USB device), registered with device setup, and the spooler ports they
// print to. Whatever a fixture registers it removes again, and removes first what a run that died
// may have left.
//
// Wine's configuration manager cannot report a device's parent: the USB parent is stored as the
// device's DEVPKEY_Device_Parent property, which the devices layer falls back to.
#pragma once

// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <devpropdef.h>
#include <winspool.h>
// clang-format on

#include <cstring>
#include <string>
#include <vector>

// Not declared by MinGW-w64's winspool.h, exported by winspool.drv.
extern "C" BOOL WINAPI AddPortExW(LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitor);

namespace usbdev {

const GUID kClassPrinter = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const GUID kClassUsb = {0x36fc9e60, 0xc465, 0x11cf, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kClassDisk = {0x4d36e967, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
const DEVPROPKEY kDevicePropertyParent = {
    {0x4340a6c5, 0x93fa, 0x4706, {0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7}}, 8};

// Not declared by MinGW-w64: looked up in setupapi.dll.
using SetDevicePropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*, DEVPROPTYPE,
                                          const BYTE*, DWORD, DWORD);

struct TestDevice {
  const wchar_t* id;
  const GUID* device_class;
  const wchar_t* parent;  // null: no parent property
  const wchar_t* hardware_id;
  const wchar_t* desc;
  const wchar_t* mfg;
  const wchar_t* friendly;
};

inline std::vector<BYTE> Utf16Bytes(const std::wstring& text, bool multi) {
  std::vector<BYTE> bytes((text.size() + (multi ? 2 : 1)) * sizeof(wchar_t), 0);
  std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
  return bytes;
}

inline bool SetText(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, const wchar_t* text, bool multi) {
  if (!text) return true;
  std::vector<BYTE> bytes = Utf16Bytes(text, multi);
  return SetupDiSetDeviceRegistryPropertyW(set, data, property, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// Registers one device in the prefix; an empty result means success, else the failing step.
inline std::string Register(const TestDevice& device) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(device.device_class, nullptr);
  if (set == INVALID_HANDLE_VALUE) return "SetupDiCreateDeviceInfoList " + std::to_string(GetLastError());
  std::string failure;
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiCreateDeviceInfoW(set, device.id, device.device_class, device.desc, nullptr, 0, &data)) {
    failure = "SetupDiCreateDeviceInfoW " + std::to_string(GetLastError());
  } else if (!SetupDiRegisterDeviceInfo(set, &data, 0, nullptr, nullptr, nullptr)) {
    failure = "SetupDiRegisterDeviceInfo " + std::to_string(GetLastError());
  } else if (!SetText(set, &data, SPDRP_HARDWAREID, device.hardware_id, true) ||
             !SetText(set, &data, SPDRP_DEVICEDESC, device.desc, false) ||
             !SetText(set, &data, SPDRP_MFG, device.mfg, false) ||
             !SetText(set, &data, SPDRP_FRIENDLYNAME, device.friendly, false)) {
    failure = "SetupDiSetDeviceRegistryPropertyW " + std::to_string(GetLastError());
  } else if (device.parent) {
    auto set_property = reinterpret_cast<SetDevicePropertyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"setupapi.dll"), "SetupDiSetDevicePropertyW")));
    std::vector<BYTE> bytes = Utf16Bytes(device.parent, false);
    if (!set_property) {
      failure = "GetProcAddress SetupDiSetDevicePropertyW";
    } else if (!set_property(set, &data, &kDevicePropertyParent, DEVPROP_TYPE_STRING, bytes.data(),
                             static_cast<DWORD>(bytes.size()), 0)) {
      failure = "SetupDiSetDevicePropertyW " + std::to_string(GetLastError());
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return failure;
}

// Removes a device if it is there; true when it is gone afterwards.
inline bool RemoveIfPresent(const wchar_t* id) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  bool gone = true;
  if (SetupDiOpenDeviceInfoW(set, id, nullptr, 0, &data)) gone = SetupDiRemoveDevice(set, &data) != FALSE;
  SetupDiDestroyDeviceInfoList(set);
  return gone;
}

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

// Adds a port on the "Local Port" monitor, as a USB printer's driver would have its port: 0, or
// the Win32 code of the failure.
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

}  // namespace usbdev
