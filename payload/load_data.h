// Loading the payload resource of the program's own module into memory.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Machine;
}

// The payload resource: type "INSTALL", id 142 (IDR_INSTALL).
constexpr uint32_t kPayloadResourceId = 142;
constexpr const wchar_t* kPayloadResourceType = L"INSTALL";

// Copies resource `id` of type `type` into a new buffer of its size plus 16 spare bytes and
// returns it, or null (with a log line) when the resource cannot be found, loaded or copied.
// *out_length is 0 first and the resource size once known. The installer keeps the buffer for
// the whole run; others release it with FreeLoadedData.
uint8_t* LoadData(platform::Machine& machine, uint32_t id, const std::wstring& type,
                  int32_t* out_length);

// Releases a buffer of LoadData.
void FreeLoadedData(uint8_t* buffer);
