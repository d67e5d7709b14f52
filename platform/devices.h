// Device setup and the configuration manager: present devices, their properties and parents.
#pragma once

namespace platform {

class Devices {
 public:
  virtual ~Devices() = default;
};

}  // namespace platform
