// Device setup and the configuration manager: present devices, their properties and parents.
// The logic sees values; the device-information set and the node handles stay behind the seam.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Configuration manager results (cfgmgr32.h); reported beside Win32 codes in the log.
namespace cr {
constexpr uint32_t kSuccess = 0x00;
constexpr uint32_t kInvalidPointer = 0x03;
constexpr uint32_t kInvalidDevNode = 0x05;
constexpr uint32_t kNoSuchDevNode = 0x0D;
constexpr uint32_t kCallNotImplemented = 0x13;
constexpr uint32_t kBufferSmall = 0x1A;
constexpr uint32_t kNoSuchValue = 0x25;
}  // namespace cr

// The registry properties of a device that the installer reads (SPDRP_*).
enum class DeviceProperty { kHardwareId, kDeviceDesc, kMfg, kFriendlyName };

// One device of an open set: its position in the set and its configuration manager node.
struct DeviceRef {
  uint32_t index = 0;
  uint32_t devinst = 0;
};

// How a device's parent was looked up, with the code of every step, so that a caller can log
// the step that failed. The configuration manager is asked first (CM_Get_Parent, then
// CM_Get_Device_IDW); when it fails the device's parent property (DEVPKEY_Device_Parent) is read.
struct ParentLookup {
  std::wstring instance_id;            // the parent's instance id; empty when not found
  uint32_t locate_cr = cr::kSuccess;   // CM_Locate_DevNodeW (lookups by instance id only)
  uint32_t get_parent_cr = cr::kSuccess;
  uint32_t get_device_id_cr = cr::kSuccess;  // not asked (stays kSuccess) when CM_Get_Parent failed
  bool used_parent_property = false;   // the configuration manager failed and the property was read
  uint32_t parent_property_error = 0;  // Win32 code of SetupDiGetDevicePropertyW; 0 when read

  // True when the configuration manager answered on its own.
  bool ConfigManagerSucceeded() const {
    return locate_cr == cr::kSuccess && get_parent_cr == cr::kSuccess && get_device_id_cr == cr::kSuccess;
  }
};

// An open device-information set (SetupDiGetClassDevsW); the destructor destroys it
// (SetupDiDestroyDeviceInfoList). Each call leaves the failing call's code as the last error.
class DeviceSet {
 public:
  virtual ~DeviceSet() = default;
  // SetupDiEnumDeviceInfo: true and the device at `index`; false with 259 past the last device,
  // or with another code when enumeration fails.
  virtual bool Enum(uint32_t index, DeviceRef* out) = 0;
  // SetupDiGetDeviceInstanceIdW: the whole instance id.
  virtual bool InstanceId(const DeviceRef& device, std::wstring* out) = 0;
  // SetupDiGetDeviceRegistryPropertyW: the text (for the hardware id, its first string). False
  // with 13 when the device has no such property; `out` is then empty.
  virtual bool RegistryProperty(const DeviceRef& device, DeviceProperty property, std::wstring* out) = 0;
  // The parent's instance id; false (and an empty id) when neither way finds it, with the last
  // step's code as the last error. `out` holds every step's code either way.
  virtual bool Parent(const DeviceRef& device, ParentLookup* out) = 0;
  // SetupDiOpenDevRegKey (DICS_FLAG_GLOBAL, profile 0, DIREG_DEV, KEY_READ) and RegQueryValueExW
  // of `name` into `buffer_bytes`: the device's hardware key value as text ("PortName" of a
  // BTHENUM node). False with the code when the key or the value is missing.
  virtual bool DeviceKeyValue(const DeviceRef& device, const std::wstring& name, size_t buffer_bytes,
                              std::wstring* out) = 0;
  // The set's handle, for the log only.
  virtual const void* LogHandle() const = 0;
};

class Devices {
 public:
  virtual ~Devices() = default;
  // SetupDiGetClassDevsW with DIGCF_PRESENT | DIGCF_ALLCLASSES, no window, and the enumerator
  // (empty: every enumerator; "BTHENUM", "USBPRINT"...). Null with the last error on failure.
  virtual std::unique_ptr<DeviceSet> OpenPresentDevices(const std::wstring& enumerator) = 0;
  // The parent of the device with this instance id (CM_Locate_DevNodeW, CM_Get_Parent,
  // CM_Get_Device_IDW; else its parent property), for walks up the device tree.
  virtual bool ParentOfInstanceId(const std::wstring& instance_id, ParentLookup* out) = 0;
};

}  // namespace platform
