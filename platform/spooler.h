// The print spooler (winspool): what the installer asks of it. Buffers and the "ask for the size,
// then call again" of EnumPortsW stay behind the seam; the logic sees records. Each call leaves
// the failing call's Win32 code as the last error. winspool.h defines EnumPorts as a macro: a
// file that includes it and calls or defines Spooler::EnumPorts must #undef EnumPorts first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// PORT_TYPE_* flags of PORT_INFO_2.
namespace porttype {
constexpr uint32_t kWrite = 0x1;
constexpr uint32_t kRead = 0x2;
constexpr uint32_t kRedirected = 0x4;
constexpr uint32_t kNetAttached = 0x8;
}  // namespace porttype

// One PORT_INFO_2 record.
struct PortInfo {
  std::wstring name;         // "COM1:", "USB001", "IP_10.0.0.5" ...
  std::wstring monitor;      // the monitor's name as the port reports it ("Local Monitor" ...)
  std::wstring description;  // may be empty
  uint32_t type = 0;         // porttype flags
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // EnumPortsW (local server, level 2): every port in the spooler's order. True with an empty
  // list when there are none; false with the code of the failing call (8 when the buffer could
  // not be allocated).
  virtual bool EnumPorts(std::vector<PortInfo>* out) = 0;
};

}  // namespace platform
