// Resources of the program's own module (the executable that started the process).
#pragma once

#include "platform/resources.h"

namespace platform::win32 {

class Win32Resources : public Resources {
 public:
  const void* Find(uint32_t id, const std::wstring& type) override;
  const void* Load(const void* found) override;
  const uint8_t* Lock(const void* loaded) override;
  uint32_t SizeOf(const void* found) override;
};

}  // namespace platform::win32
