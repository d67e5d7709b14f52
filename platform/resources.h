// Resources of the program's own module.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class Resources {
 public:
  virtual ~Resources() = default;
  // FindResourceW(NULL, MAKEINTRESOURCEW(id), type): an opaque handle, or null with the last error.
  virtual const void* Find(uint32_t id, const std::wstring& type) = 0;
  // LoadResource: null on failure.
  virtual const void* Load(const void* found) = 0;
  // LockResource on the loaded handle: the bytes.
  virtual const uint8_t* Lock(const void* loaded) = 0;
  // SizeofResource on the found handle.
  virtual uint32_t SizeOf(const void* found) = 0;
};

}  // namespace platform
