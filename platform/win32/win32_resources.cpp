#include "platform/win32/win32_resources.h"

#include <windows.h>

namespace platform::win32 {

// Resource handles of a loaded module are never closed: they live as long as the module.

const void* Win32Resources::Find(uint32_t id, const std::wstring& type) {
  return ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), type.c_str());
}

const void* Win32Resources::Load(const void* found) {
  if (!found) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return ::LoadResource(nullptr, static_cast<HRSRC>(const_cast<void*>(found)));
}

const uint8_t* Win32Resources::Lock(const void* loaded) {
  if (!loaded) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<const uint8_t*>(::LockResource(static_cast<HGLOBAL>(const_cast<void*>(loaded))));
}

uint32_t Win32Resources::SizeOf(const void* found) {
  if (!found) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return ::SizeofResource(nullptr, static_cast<HRSRC>(const_cast<void*>(found)));
}

}  // namespace platform::win32
