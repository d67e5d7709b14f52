// The real print spooler (winspool.drv).
#pragma once

#include "platform/spooler.h"

namespace platform::win32 {

class Win32Spooler : public Spooler {
 public:
  // EnumPortsW(NULL, 2, ...): asks for the size, then again until the list fits (it can grow
  // between the calls).
  bool EnumPorts(std::vector<PortInfo>* out) override;
};

}  // namespace platform::win32
