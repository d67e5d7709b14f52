#include "platform/sim/sim_devices.h"

#include <cwchar>

#include "platform/last_error.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

// The enumerator is the id's text before its first backslash.
bool HasEnumerator(const std::wstring& instance_id, const std::wstring& enumerator) {
  if (enumerator.empty()) return true;
  size_t slash = instance_id.find(L'\\');
  std::wstring head = slash == std::wstring::npos ? instance_id : instance_id.substr(0, slash);
  return FoldCase(head) == FoldCase(enumerator);
}

std::wstring Hex4(uint16_t value) {
  wchar_t buf[8];
  std::swprintf(buf, 8, L"%04X", static_cast<unsigned>(value));
  return buf;
}

}  // namespace

// A snapshot of the present devices, as SetupDiGetClassDevsW takes one.
class SimDeviceSet : public DeviceSet {
 public:
  SimDeviceSet(SimDevices& owner, std::vector<uint32_t> members) : owner_(owner), members_(std::move(members)) {
    ++owner_.open_sets_;
  }
  ~SimDeviceSet() override {
    owner_.faults_.ShouldFail("SetupDiDestroyDeviceInfoList");
    --owner_.open_sets_;
  }

  bool Enum(uint32_t index, DeviceRef* out) override {
    if (owner_.faults_.ShouldFail("SetupDiEnumDeviceInfo")) return false;
    if (index >= members_.size()) {
      SetLastErrorCode(err::kNoMoreItems);
      return false;
    }
    *out = DeviceRef{index, members_[index]};
    return true;
  }

  bool InstanceId(const DeviceRef& device, std::wstring* out) override {
    out->clear();
    if (owner_.faults_.ShouldFail("SetupDiGetDeviceInstanceIdW")) return false;
    const SimDevices::Node* node = Member(device);
    if (!node) return false;
    *out = node->device.instance_id;
    return true;
  }

  bool RegistryProperty(const DeviceRef& device, DeviceProperty property, std::wstring* out) override {
    out->clear();
    if (owner_.faults_.ShouldFail("SetupDiGetDeviceRegistryPropertyW")) return false;
    const SimDevices::Node* node = Member(device);
    if (!node) return false;
    const SimDeviceSpec& info = node->device;
    const std::optional<std::wstring>* text = nullptr;
    switch (property) {
      case DeviceProperty::kHardwareId:
        if (info.hardware_ids.empty()) break;
        *out = info.hardware_ids.front();
        return true;
      case DeviceProperty::kDeviceDesc: text = &info.description; break;
      case DeviceProperty::kMfg: text = &info.manufacturer; break;
      case DeviceProperty::kFriendlyName: text = &info.friendly_name; break;
    }
    if (text && text->has_value()) {
      *out = **text;
      return true;
    }
    SetLastErrorCode(err::kInvalidData);
    return false;
  }

  bool Parent(const DeviceRef& device, ParentLookup* out) override {
    *out = ParentLookup{};
    if (!Member(device)) return false;
    if (owner_.ConfigManagerParent(device.devinst, out)) return true;
    return owner_.ParentProperty(device.devinst, out);
  }

  bool DeviceKeyValue(const DeviceRef& device, const std::wstring& name, size_t buffer_bytes,
                      std::wstring* out) override {
    out->clear();
    if (owner_.faults_.ShouldFail("SetupDiOpenDevRegKey")) return false;
    const SimDevices::Node* node = Member(device);
    if (!node) return false;
    const std::wstring key = SimDevices::EnumKey(node->device.instance_id) + L"\\Device Parameters";
    std::vector<std::pair<std::wstring, RegValue>> values;
    if (!owner_.registry_.Values(Hive::kLocalMachine, key, RegView::k64, &values)) {
      SetLastErrorCode(kErrorKeyDoesNotExist);
      return false;
    }
    if (owner_.faults_.ShouldFail("RegQueryValueExW")) return false;
    RegValue value;
    if (!owner_.registry_.Get(Hive::kLocalMachine, key, name, RegView::k64, &value)) {
      SetLastErrorCode(err::kFileNotFound);
      return false;
    }
    if (value.data.size() > buffer_bytes) {
      SetLastErrorCode(err::kMoreData);
      return false;
    }
    *out = value.AsString();
    SetLastErrorCode(err::kSuccess);
    return true;
  }

  const void* LogHandle() const override { return this; }

 private:
  // The node behind a reference this set handed out; a foreign one fails as Windows does.
  const SimDevices::Node* Member(const DeviceRef& device) const {
    if (device.index >= members_.size() || members_[device.index] != device.devinst) {
      SetLastErrorCode(err::kInvalidParameter);
      return nullptr;
    }
    return owner_.NodeAt(device.devinst);
  }

  SimDevices& owner_;
  std::vector<uint32_t> members_;
};

namespace {
// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "CM_Get_Device_IDW", "CM_Get_Parent", "CM_Locate_DevNodeW", "RegQueryValueExW",
    "SetupDiDestroyDeviceInfoList", "SetupDiEnumDeviceInfo", "SetupDiGetClassDevsW",
    "SetupDiGetDeviceInstanceIdW", "SetupDiGetDevicePropertyW", "SetupDiGetDeviceRegistryPropertyW",
    "SetupDiOpenDevRegKey"};
}  // namespace

SimDevices::SimDevices(SimFaults& faults, SimRegistry& registry) : faults_(faults), registry_(registry) {
  faults_.Declare(kFaultNames);
  Node root;
  root.device.instance_id = kRootId;
  root.device.has_parent_property = false;
  nodes_.push_back(root);
  by_id_[FoldCase(kRootId)] = 0;
}

std::unique_ptr<DeviceSet> SimDevices::OpenPresentDevices(const std::wstring& enumerator) {
  if (faults_.ShouldFail("SetupDiGetClassDevsW")) return nullptr;
  AdvanceArrivals();
  std::vector<uint32_t> members;
  for (uint32_t n = 1; n < nodes_.size(); ++n) {
    const Node& node = nodes_[n];
    if (node.alive && node.device.present && HasEnumerator(node.device.instance_id, enumerator)) members.push_back(n);
  }
  return std::make_unique<SimDeviceSet>(*this, std::move(members));
}

bool SimDevices::ParentOfInstanceId(const std::wstring& instance_id, ParentLookup* out) {
  *out = ParentLookup{};
  long n = Lookup(instance_id);
  if (faults_.ShouldFail("CM_Locate_DevNodeW")) {
    out->locate_cr = LastErrorCode();
  } else if (n < 0 || !nodes_[n].device.present) {
    // CM_LOCATE_DEVNODE_NORMAL finds present nodes only.
    out->locate_cr = cr::kNoSuchDevNode;
  } else if (ConfigManagerParent(static_cast<uint32_t>(n), out)) {
    return true;
  }
  if (n < 0) {
    // SetupDiOpenDeviceInfoW cannot open what is not there.
    out->used_parent_property = true;
    out->parent_property_error = kErrorNoSuchDevinst;
    SetLastErrorCode(kErrorNoSuchDevinst);
    return false;
  }
  return ParentProperty(static_cast<uint32_t>(n), out);
}

bool SimDevices::ConfigManagerParent(uint32_t devinst, ParentLookup* out) {
  if (faults_.ShouldFail("CM_Get_Parent")) {
    out->get_parent_cr = LastErrorCode();
    return false;
  }
  const Node* node = NodeAt(devinst);
  long parent = -1;
  if (node && node->alive && devinst != 0) parent = node->device.parent_id.empty() ? 0 : Lookup(node->device.parent_id);
  if (parent < 0) {
    out->get_parent_cr = cr::kNoSuchDevNode;
    return false;
  }
  if (faults_.ShouldFail("CM_Get_Device_IDW")) {
    out->get_device_id_cr = LastErrorCode();
    return false;
  }
  out->instance_id = nodes_[parent].device.instance_id;
  return true;
}

bool SimDevices::ParentProperty(uint32_t devinst, ParentLookup* out) {
  out->used_parent_property = true;
  out->instance_id.clear();
  if (faults_.ShouldFail("SetupDiGetDevicePropertyW")) {
    out->parent_property_error = LastErrorCode();
    return false;
  }
  const Node* node = NodeAt(devinst);
  if (!node || !node->device.has_parent_property) {
    out->parent_property_error = kErrorNotFound;
    SetLastErrorCode(kErrorNotFound);
    return false;
  }
  out->instance_id = node->device.parent_id.empty() ? std::wstring(kRootId) : node->device.parent_id;
  out->parent_property_error = 0;
  return true;
}

const SimDevices::Node* SimDevices::NodeAt(uint32_t devinst) const {
  if (devinst >= nodes_.size()) return nullptr;
  return &nodes_[devinst];
}

long SimDevices::Lookup(const std::wstring& instance_id) const {
  auto it = by_id_.find(FoldCase(instance_id));
  if (it == by_id_.end() || !nodes_[it->second].alive) return -1;
  return static_cast<long>(it->second);
}

uint32_t SimDevices::AddDevice(const SimDeviceSpec& device) {
  std::wstring key = FoldCase(device.instance_id);
  auto it = by_id_.find(key);
  if (it != by_id_.end() && it->second != 0 && nodes_[it->second].alive) {
    nodes_[it->second].device = device;
    return it->second;
  }
  Node node;
  node.device = device;
  nodes_.push_back(node);
  uint32_t n = static_cast<uint32_t>(nodes_.size() - 1);
  by_id_[key] = n;
  return n;
}

SimDevices::UsbPrinterIds SimDevices::AddUsbPrinter(const std::wstring& model_segment, const std::wstring& port,
                                                    uint16_t vid, uint16_t pid, const std::wstring& serial) {
  int number = next_serial_++;
  wchar_t buf[32];
  std::swprintf(buf, 32, L"TAVRO%06d", number);
  std::wstring usb_serial = serial.empty() ? std::wstring(buf) : serial;
  std::wstring vid_pid = L"VID_" + Hex4(vid) + L"&PID_" + Hex4(pid);

  SimDeviceSpec usb;
  usb.instance_id = L"USB\\" + vid_pid + L"\\" + usb_serial;
  usb.hardware_ids = {L"USB\\" + vid_pid + L"&REV_0100", L"USB\\" + vid_pid};
  usb.description = L"USB Printing Support";
  usb.manufacturer = L"(Standard USB Host Controller)";
  AddDevice(usb);

  std::swprintf(buf, 32, L"7&%08X&0&", 0x2C1A0000u + static_cast<unsigned>(number));
  SimDeviceSpec printer;
  printer.instance_id = L"USBPRINT\\" + model_segment + L"\\" + buf + port;
  printer.parent_id = usb.instance_id;
  printer.hardware_ids = {L"USBPRINT\\" + model_segment, L"USBPRINT\\" + model_segment.substr(0, 4)};
  printer.description = model_segment;
  printer.manufacturer = L"Tavro";
  printer.friendly_name = model_segment + L" (" + port + L")";
  AddDevice(printer);
  SetPortName(printer.instance_id, port);
  return UsbPrinterIds{printer.instance_id, usb.instance_id};
}

std::wstring SimDevices::EnumKey(const std::wstring& instance_id) {
  return L"SYSTEM\\CurrentControlSet\\Enum\\" + instance_id;
}

bool SimDevices::SetPortName(const std::wstring& instance_id, const std::wstring& port) {
  if (Lookup(instance_id) <= 0) return false;
  registry_.Put(Hive::kLocalMachine, EnumKey(instance_id) + L"\\Device Parameters", L"PortName", RegView::k64,
                RegValue::Sz(port));
  return true;
}

uint32_t SimDevices::AddOtherDevice(const std::wstring& instance_id) {
  SimDeviceSpec device;
  device.instance_id = instance_id;
  device.hardware_ids = {instance_id.substr(0, instance_id.rfind(L'\\'))};
  device.description = L"Generic device";
  return AddDevice(device);
}

uint32_t SimDevices::AddArrivingDevice(const SimDeviceSpec& device, int look, std::function<void()> on_arrival) {
  SimDeviceSpec arriving = device;
  arriving.present = look <= 0;
  uint32_t n = AddDevice(arriving);
  if (look <= 0) {
    if (on_arrival) on_arrival();
    return n;
  }
  nodes_[n].looks_to_arrival = look;
  nodes_[n].on_arrival = std::move(on_arrival);
  return n;
}

void SimDevices::AdvanceArrivals() {
  for (size_t n = 1; n < nodes_.size(); ++n) {
    Node& node = nodes_[n];
    if (!node.alive || node.looks_to_arrival <= 0 || --node.looks_to_arrival > 0) continue;
    node.device.present = true;
    // The installer's writes may add devices; take the action out of the node first.
    std::function<void()> arrival = std::move(node.on_arrival);
    node.on_arrival = nullptr;
    if (arrival) arrival();
  }
}

SimDeviceSpec* SimDevices::Find(const std::wstring& instance_id) {
  long n = Lookup(instance_id);
  return n <= 0 ? nullptr : &nodes_[n].device;
}

bool SimDevices::SetPresent(const std::wstring& instance_id, bool present) {
  SimDeviceSpec* device = Find(instance_id);
  if (!device) return false;
  device->present = present;
  return true;
}

bool SimDevices::RemoveDevice(const std::wstring& instance_id) {
  long target = Lookup(instance_id);
  if (target <= 0) {
    SetLastErrorCode(kErrorNoSuchDevinst);
    return false;
  }
  nodes_[target].alive = false;
  registry_.Erase(Hive::kLocalMachine, EnumKey(nodes_[target].device.instance_id), RegView::k64);
  // Children go with their parent; repeat until no node hangs below a removed one.
  bool changed = true;
  while (changed) {
    changed = false;
    for (size_t n = 1; n < nodes_.size(); ++n) {
      Node& node = nodes_[n];
      if (!node.alive || node.device.parent_id.empty()) continue;
      auto it = by_id_.find(FoldCase(node.device.parent_id));
      if (it != by_id_.end() && !nodes_[it->second].alive) {
        node.alive = false;
        registry_.Erase(Hive::kLocalMachine, EnumKey(node.device.instance_id), RegView::k64);
        changed = true;
      }
    }
  }
  return true;
}

size_t SimDevices::Count() const {
  size_t count = 0;
  for (size_t n = 1; n < nodes_.size(); ++n) count += nodes_[n].alive ? 1 : 0;
  return count;
}

}  // namespace platform::sim
