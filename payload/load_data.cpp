#include "payload/load_data.h"

#include <cstring>
#include <new>

#include "log/log.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/resources.h"

namespace {
constexpr uint32_t kSpareBytes = 16;
}

uint8_t* LoadData(platform::Machine& machine, uint32_t id, const std::wstring& type,
                  int32_t* out_length) {
  LogPrint(kLogUnitInstall, "LoadData", __LINE__, "[ENTRY] LoadData - ResID=%u, Key=%ws\n", id,
           type.c_str());
  *out_length = 0;
  platform::Resources& resources = machine.resources();
  const void* found = resources.Find(id, type);
  if (found == nullptr) {
    LogPrint(kLogUnitInstall, "LoadData", __LINE__,
             "[ERROR] LoadData - FindResource failed, ResID=%u, Error=%d\n", id,
             static_cast<int>(platform::LastErrorCode()));
    return nullptr;
  }
  LogPrint(kLogUnitInstall, "LoadData", __LINE__, "[INFO] LoadData - FindResource success, hRsrc=%p\n",
           found);
  const void* loaded = resources.Load(found);
  if (loaded == nullptr) {
    LogPrint(kLogUnitInstall, "LoadData", __LINE__, "[ERROR] LoadData - LoadResource failed\n");
    return nullptr;
  }
  LogPrint(kLogUnitInstall, "LoadData", __LINE__,
           "[INFO] LoadData - LoadResource success, hGlobal=%p\n", loaded);
  const uint8_t* bytes = resources.Lock(loaded);
  const uint32_t size = resources.SizeOf(found);
  LogPrint(kLogUnitInstall, "LoadData", __LINE__, "[INFO] LoadData - Resource size=%d bytes\n",
           static_cast<int>(size));
  if (bytes == nullptr && size > 0) {
    LogPrint(kLogUnitInstall, "LoadData", __LINE__, "[ERROR] LoadData - LockResource failed\n");
    return nullptr;
  }
  // The length is a signed 32-bit value: a resource beyond 2 GiB cannot be described by it.
  if (size > static_cast<uint32_t>(INT32_MAX) - kSpareBytes) {
    LogPrint(kLogUnitInstall, "LoadData", __LINE__,
             "[ERROR] LoadData - Memory allocation failed, size=%d\n",
             static_cast<int>(size > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : size));
    platform::SetLastErrorCode(platform::err::kNotEnoughMemory);
    return nullptr;
  }
  *out_length = static_cast<int32_t>(size);
  uint8_t* buffer = new (std::nothrow) uint8_t[size + kSpareBytes];
  if (buffer == nullptr) {
    LogPrint(kLogUnitInstall, "LoadData", __LINE__,
             "[ERROR] LoadData - Memory allocation failed, size=%d\n",
             static_cast<int>(size + kSpareBytes));
    platform::SetLastErrorCode(platform::err::kNotEnoughMemory);
    return nullptr;
  }
  if (size > 0) std::memcpy(buffer, bytes, size);
  LogPrint(kLogUnitInstall, "LoadData", __LINE__,
           "[EXIT] LoadData - Success, returned buffer=%p, nDataLen=%d\n", static_cast<void*>(buffer),
           static_cast<int>(size));
  return buffer;
}

void FreeLoadedData(uint8_t* buffer) { delete[] buffer; }
