// Device setup and the configuration manager of the real Windows (setupapi, cfgmgr32).
#pragma once

#include "platform/devices.h"

namespace platform::win32 {

class Win32Devices : public Devices {
 public:
  std::unique_ptr<DeviceSet> OpenPresentDevices(const std::wstring& enumerator) override;
  bool ParentOfInstanceId(const std::wstring& instance_id, ParentLookup* out) override;
};

}  // namespace platform::win32
