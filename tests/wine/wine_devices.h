// Test devices in the Wine prefix: a Windows test program registers USBPRINT printers, their USB
// parents and other devices with SetupAPI, and removes them again. Wine's configuration manager
// cannot report a parent, so each device's parent is also stored as its parent property
// (DEVPKEY_Device_Parent), which the devices layer falls back to.
#pragma once

// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <devpropdef.h>
// clang-format on

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace winetest {

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
  platform::win32::unique_hdevinfo set(SetupDiCreateDeviceInfoList(device.device_class, nullptr));
  if (!set) return "SetupDiCreateDeviceInfoList " + std::to_string(GetLastError());
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiCreateDeviceInfoW(set.get(), device.id, device.device_class, device.desc, nullptr, 0, &data))
    return "SetupDiCreateDeviceInfoW " + std::to_string(GetLastError());
  if (!SetupDiRegisterDeviceInfo(set.get(), &data, 0, nullptr, nullptr, nullptr))
    return "SetupDiRegisterDeviceInfo " + std::to_string(GetLastError());
  if (!SetText(set.get(), &data, SPDRP_HARDWAREID, device.hardware_id, true) ||
      !SetText(set.get(), &data, SPDRP_DEVICEDESC, device.desc, false) ||
      !SetText(set.get(), &data, SPDRP_MFG, device.mfg, false) ||
      !SetText(set.get(), &data, SPDRP_FRIENDLYNAME, device.friendly, false))
    return "SetupDiSetDeviceRegistryPropertyW " + std::to_string(GetLastError());
  if (!device.parent) return "";
  auto set_property = reinterpret_cast<SetDevicePropertyFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"setupapi.dll"), "SetupDiSetDevicePropertyW")));
  if (!set_property) return "GetProcAddress SetupDiSetDevicePropertyW";
  std::vector<BYTE> bytes = Utf16Bytes(device.parent, false);
  if (!set_property(set.get(), &data, &kDevicePropertyParent, DEVPROP_TYPE_STRING, bytes.data(),
                    static_cast<DWORD>(bytes.size()), 0))
    return "SetupDiSetDevicePropertyW " + std::to_string(GetLastError());
  return "";
}

// Removes a device if it is there; true when it is gone afterwards.
inline bool RemoveIfPresent(const wchar_t* id) {
  platform::win32::unique_hdevinfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  if (!set) return false;
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiOpenDeviceInfoW(set.get(), id, nullptr, 0, &data)) return true;
  return SetupDiRemoveDevice(set.get(), &data) != FALSE;
}

}  // namespace winetest
