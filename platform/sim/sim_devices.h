// The simulated machine's device tree: device nodes under the root node HTREE\ROOT\0, each with
// an instance id, a parent, registry properties and a present flag. Sets, the configuration
// manager and the parent property behave as on Windows; every call can be made to fail through
// SimFaults under its Win32 name (SetupDiGetClassDevsW, SetupDiEnumDeviceInfo,
// SetupDiGetDeviceInstanceIdW, SetupDiGetDeviceRegistryPropertyW, CM_Locate_DevNodeW,
// CM_Get_Parent, CM_Get_Device_IDW, SetupDiGetDevicePropertyW, SetupDiOpenDevRegKey and the
// RegQueryValueExW of a hardware key); a failing configuration manager call returns the fault's
// code as its CR value. What Windows keeps of a device in the registry lives in the simulated
// registry, under HKLM\SYSTEM\CurrentControlSet\Enum\<instance id>: a USB printer's or a
// Bluetooth serial port's "PortName" under its "Device Parameters" (the hardware key that
// SetupDiOpenDevRegKey opens); removing a device removes its key.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/devices.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_registry.h"

namespace platform::sim {

// SetupAPI codes the simulation answers with (setupapi.h, winerror.h).
constexpr uint32_t kErrorNotFound = 1168;
constexpr uint32_t kErrorNoSuchDevinst = 0xE000020B;
constexpr uint32_t kErrorKeyDoesNotExist = 0xE0000204;

struct SimDeviceSpec {
  std::wstring instance_id;
  std::wstring parent_id;                 // empty: a child of the root node
  std::vector<std::wstring> hardware_ids;  // SPDRP_HARDWAREID, a multi-string
  std::optional<std::wstring> description;  // SPDRP_DEVICEDESC
  std::optional<std::wstring> manufacturer;  // SPDRP_MFG
  std::optional<std::wstring> friendly_name;  // SPDRP_FRIENDLYNAME
  bool present = true;
  bool has_parent_property = true;        // DEVPKEY_Device_Parent is stored for the node
};

class SimDevices : public Devices {
 public:
  static constexpr const wchar_t* kRootId = L"HTREE\\ROOT\\0";

  SimDevices(SimFaults& faults, SimRegistry& registry);

  std::unique_ptr<DeviceSet> OpenPresentDevices(const std::wstring& enumerator) override;
  bool ParentOfInstanceId(const std::wstring& instance_id, ParentLookup* out) override;

  // Arranging. Adds a device node (replacing one with the same instance id, compared ignoring
  // case as Windows does); returns its node number. Devices are listed in the order added.
  uint32_t AddDevice(const SimDeviceSpec& device);

  struct UsbPrinterIds {
    std::wstring printer;  // USBPRINT\<model>\7&<hash>&0&<port>
    std::wstring parent;   // USB\VID_xxxx&PID_yyyy\<serial>
  };
  // A USB printer as the USB printing stack shows it: a USB\VID_xxxx&PID_yyyy node under the
  // root and, under it, a USBPRINT node whose id ends in the port ("USB001") and whose
  // "Device Parameters" hold "PortName" = the port; both present, with hardware id,
  // description, manufacturer and friendly name. `serial` defaults to a number of its own per call.
  UsbPrinterIds AddUsbPrinter(const std::wstring& model_segment, const std::wstring& port, uint16_t vid,
                              uint16_t pid, const std::wstring& serial = L"");
  // Writes the device's Enum\<id>\Device Parameters "PortName" (REG_SZ), as the driver that
  // serves a port does; false when there is no such device.
  bool SetPortName(const std::wstring& instance_id, const std::wstring& port);
  // The registry key that holds the device's "Device Parameters" (below HKLM).
  static std::wstring EnumKey(const std::wstring& instance_id);

  // A device of another kind (a disk, a hub) with the given id under the root.
  uint32_t AddOtherDevice(const std::wstring& instance_id);

  // A device that Windows finishes installing a while later: it is missing from the present
  // devices until the `look`-th SetupDiGetClassDevsW from now, and present from then on;
  // `on_arrival` runs as it becomes present (what its installer writes). A `look` of 0 or less
  // makes it present at once.
  uint32_t AddArrivingDevice(const SimDeviceSpec& device, int look, std::function<void()> on_arrival);

  // The stored description of a device, to change it; null when there is none.
  SimDeviceSpec* Find(const std::wstring& instance_id);
  bool SetPresent(const std::wstring& instance_id, bool present);
  // SetupDiRemoveDevice: the node and everything below it disappear.
  bool RemoveDevice(const std::wstring& instance_id);
  // Number of device nodes (present or not), without the root.
  size_t Count() const;
  // Device-information sets not yet destroyed.
  int OpenSets() const { return open_sets_; }

 private:
  friend class SimDeviceSet;
  struct Node {
    SimDeviceSpec device;
    bool alive = true;
    int looks_to_arrival = 0;  // > 0: SetupDiGetClassDevsW calls until the device is present
    std::function<void()> on_arrival;
  };

  // Counts one look for every arriving device; those whose time has come become present.
  void AdvanceArrivals();

  // Node number of an instance id (0 is the root), or -1.
  long Lookup(const std::wstring& instance_id) const;
  // The configuration manager's answer for a node; fills `out` and returns true on success.
  bool ConfigManagerParent(uint32_t devinst, ParentLookup* out);
  // Reads DEVPKEY_Device_Parent of a node into `out`.
  bool ParentProperty(uint32_t devinst, ParentLookup* out);
  const Node* NodeAt(uint32_t devinst) const;

  SimFaults& faults_;
  SimRegistry& registry_;
  std::vector<Node> nodes_;  // node number = index; 0 is the root
  std::unordered_map<std::wstring, uint32_t> by_id_;  // upper-cased id -> node number
  int open_sets_ = 0;
  int next_serial_ = 1;
};

}  // namespace platform::sim
