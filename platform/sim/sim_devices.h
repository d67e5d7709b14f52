// The simulated machine's device tree.
#pragma once

#include "platform/devices.h"
#include "platform/sim/sim_faults.h"

namespace platform::sim {

class SimDevices : public Devices {
 public:
  explicit SimDevices(SimFaults& faults) : faults_(faults) {}

 private:
  SimFaults& faults_;
};

}  // namespace platform::sim
