#include "platform/sim/sim_bluetooth.h"

#include <cwchar>

#include "platform/last_error.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_spooler.h"

namespace platform::sim {

namespace {

constexpr int kWsaNotInitialised = 10093;
constexpr int kWsaInvalidArgument = 10022;
constexpr uint32_t kLupContainers = 0x0002;
constexpr uint32_t kLupReturnName = 0x0010;
constexpr uint32_t kLupReturnAddr = 0x0100;

// A WSAQUERYSETW with its CSADDR_INFO, two SOCKADDR_BTH and the BTH_DEVICE_INFO blob, as a
// 32-bit process receives it, before the name.
constexpr size_t kFixedResultBytes = 60 + 24 + 2 * 30 + 270;

std::wstring Hex(uint64_t value, int digits) {
  wchar_t buffer[24];
  std::swprintf(buffer, 24, L"%0*llX", digits, static_cast<unsigned long long>(value));
  return buffer;
}

std::wstring WithoutTrailingColons(std::wstring text) {
  while (!text.empty() && text.back() == L':') text.pop_back();
  return text;
}

}  // namespace

// A snapshot of the devices listed when WSALookupServiceBeginW ran.
class SimBluetoothLookup : public BluetoothLookup {
 public:
  SimBluetoothLookup(SimBluetooth& owner, std::vector<SimBluetoothDevice> devices)
      : owner_(owner), devices_(std::move(devices)) {
    ++owner_.open_lookups_;
  }
  ~SimBluetoothLookup() override {
    owner_.faults_.ShouldFail("WSALookupServiceEnd");
    --owner_.open_lookups_;
  }

  bool Reserve(size_t bytes) override {
    if (owner_.faults_.ShouldFail(buffer_bytes_ == 0 ? "malloc" : "realloc")) return false;
    buffer_bytes_ = bytes;
    return true;
  }

  size_t BufferBytes() const override { return buffer_bytes_; }

  int Next(uint32_t flags, BluetoothLookupResult* out, size_t* needed_bytes) override {
    *out = BluetoothLookupResult{};
    const size_t buffer_bytes = buffer_bytes_;
    if (owner_.faults_.ShouldFail("WSALookupServiceNextW")) return static_cast<int>(LastErrorCode());
    if (next_ >= devices_.size()) {
      SetLastErrorCode(wsa::kENoMore);
      return wsa::kENoMore;
    }
    const SimBluetoothDevice& device = devices_[next_];
    size_t needed = device.lookup_bytes;
    if (needed == 0) needed = kFixedResultBytes + 2 * (device.name.value_or(L"").size() + 1);
    if (buffer_bytes < needed) {
      *needed_bytes = needed;
      SetLastErrorCode(wsa::kEFault);
      return wsa::kEFault;
    }
    if ((flags & kLupReturnName) && device.name) out->name = *device.name;
    if (flags & kLupReturnAddr) {
      out->has_address = true;
      out->address = device.address & 0xFFFFFFFFFFFFull;
    }
    ++next_;
    SetLastErrorCode(0);
    return 0;
  }

 private:
  SimBluetooth& owner_;
  std::vector<SimBluetoothDevice> devices_;
  size_t next_ = 0;
  size_t buffer_bytes_ = 0;
};

class SimBluetoothRadio : public BluetoothRadio {
 public:
  explicit SimBluetoothRadio(SimBluetooth& owner) : owner_(owner) { ++owner_.open_radios_; }
  ~SimBluetoothRadio() override {
    owner_.faults_.ShouldFail("CloseHandle");
    --owner_.open_radios_;
  }

 private:
  SimBluetooth& owner_;
};

namespace {
// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "BluetoothAuthenticateDevice", "BluetoothFindFirstRadio", "BluetoothFindRadioClose",
    "BluetoothGetDeviceInfo", "BluetoothSetServiceState", "BluetoothUpdateDeviceRecord", "CloseHandle",
    "malloc", "realloc", "WSACleanup", "WSALookupServiceBeginW", "WSALookupServiceEnd", "WSALookupServiceNextW",
    "WSAStartup"};
}  // namespace

SimBluetooth::SimBluetooth(SimFaults& faults, SimRegistry& registry, SimDevices& devices)
    : faults_(faults), registry_(registry), devices_(devices) {
  faults_.Declare(kFaultNames);
}

SimBluetooth::~SimBluetooth() = default;

class SimWinsockSession : public WinsockSession {
 public:
  explicit SimWinsockSession(SimBluetooth& owner) : owner_(owner) { ++owner_.startups_; }
  ~SimWinsockSession() override {
    owner_.faults_.ShouldFail("WSACleanup");
    --owner_.startups_;
  }

 private:
  SimBluetooth& owner_;
};

std::unique_ptr<WinsockSession> SimBluetooth::StartWinsock(int* error) {
  *error = 0;
  if (faults_.ShouldFail("WSAStartup")) {
    *error = static_cast<int>(LastErrorCode());
    return nullptr;
  }
  SetLastErrorCode(0);
  return std::make_unique<SimWinsockSession>(*this);
}

std::unique_ptr<BluetoothLookup> SimBluetooth::LookupBegin(uint32_t flags, int* error) {
  *error = 0;
  int code = 0;
  if (faults_.ShouldFail("WSALookupServiceBeginW")) {
    code = static_cast<int>(LastErrorCode());
  } else if (startups_ == 0) {
    code = kWsaNotInitialised;
  } else if (!(flags & kLupContainers)) {
    code = kWsaInvalidArgument;  // a service search needs a device address as its context
  } else if (!radio_) {
    code = wsa::kServiceNotFound;
  }
  if (code != 0) {
    *error = code;
    SetLastErrorCode(static_cast<uint32_t>(code));
    return nullptr;
  }
  std::vector<SimBluetoothDevice> listed;
  for (const auto& device : devices_known_) {
    if (device.listed) listed.push_back(device);
  }
  return std::make_unique<SimBluetoothLookup>(*this, std::move(listed));
}

std::unique_ptr<BluetoothRadio> SimBluetooth::FindFirstRadio() {
  if (faults_.ShouldFail("BluetoothFindFirstRadio")) return nullptr;
  if (!radio_) {
    SetLastErrorCode(err::kNoMoreItems);
    return nullptr;
  }
  faults_.ShouldFail("BluetoothFindRadioClose");
  SetLastErrorCode(0);
  return std::make_unique<SimBluetoothRadio>(*this);
}

uint32_t SimBluetooth::GetDeviceInfo(BluetoothRadio&, BluetoothDeviceInfo* info) {
  if (faults_.ShouldFail("BluetoothGetDeviceInfo")) return LastErrorCode();
  const SimBluetoothDevice* device = Find(info->address);
  if (!device) return kErrorNotFound;
  info->authenticated = device->authenticated;
  info->remembered = device->remembered;
  info->connected = device->connected;
  info->name = device->name.value_or(L"");
  return 0;
}

uint32_t SimBluetooth::AuthenticateDevice(BluetoothRadio&, BluetoothDeviceInfo* info) {
  if (faults_.ShouldFail("BluetoothAuthenticateDevice")) return LastErrorCode();
  SimBluetoothDevice* device = Find(info->address);
  if (!device) return kErrorNotFound;
  switch (device->pairing) {
    case SimPairing::kSucceeds:
      device->authenticated = true;
      device->remembered = true;
      info->authenticated = true;
      info->remembered = true;
      return 0;
    case SimPairing::kCancelled:
      return err::kCancelled;
    case SimPairing::kNotCompleted:
      return 0;
  }
  return 0;
}

uint32_t SimBluetooth::UpdateDeviceRecord(const BluetoothDeviceInfo& info) {
  if (faults_.ShouldFail("BluetoothUpdateDeviceRecord")) return LastErrorCode();
  return Find(info.address) ? 0 : kErrorNotFound;
}

uint32_t SimBluetooth::EnableSerialPortService(BluetoothRadio*, const BluetoothDeviceInfo& info) {
  if (faults_.ShouldFail("BluetoothSetServiceState")) return LastErrorCode();
  SimBluetoothDevice* device = Find(info.address);
  if (!device) return kErrorNotFound;
  uint32_t code = device->serial_service_enabled ? err::kServiceAlreadyRunning : 0;
  if (!device->service_answers.empty()) {
    code = device->service_answers.front();
    device->service_answers.pop_front();
  }
  if ((code == 0 || code == err::kServiceAlreadyRunning) && !device->serial_service_enabled) {
    device->serial_service_enabled = true;
    InstallSerialPort(*device);
  }
  return code;
}

void SimBluetooth::AddDevice(const SimBluetoothDevice& device) {
  SimBluetoothDevice* known = Find(device.address);
  if (known) {
    *known = device;
  } else {
    devices_known_.push_back(device);
  }
  if (device.serial_service_enabled) InstallSerialPort(device);
}

SimBluetoothDevice* SimBluetooth::Find(uint64_t address) {
  for (auto& device : devices_known_) {
    if ((device.address & 0xFFFFFFFFFFFFull) == (address & 0xFFFFFFFFFFFFull)) return &device;
  }
  return nullptr;
}

std::wstring SimBluetooth::SerialNodeId(uint64_t address) {
  uint64_t mac = address & 0xFFFFFFFFFFFFull;
  uint32_t hash = static_cast<uint32_t>((mac * 2654435761ull) >> 8);
  return L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&" + Hex(hash, 8) + L"&0&" +
         Hex(mac, 12) + L"_C00000000";
}

void SimBluetooth::InstallSerialPort(const SimBluetoothDevice& device) {
  if (device.port_name.empty()) return;
  const std::wstring port = WithoutTrailingColons(device.port_name);
  SimDeviceSpec node;
  node.instance_id = SerialNodeId(device.address);
  node.hardware_ids = {L"BTHENUM\\{00001101-0000-1000-8000-00805f9b34fb}_LOCALMFG&0000"};
  node.description = L"Standard Serial over Bluetooth link";
  node.manufacturer = L"Microsoft";
  node.friendly_name = L"Standard Serial over Bluetooth link (" + port + L")";
  const std::wstring modem = L"\\Device\\BthModem" + std::to_wstring(next_modem_++);
  const std::wstring id = node.instance_id;
  const std::wstring port_name = device.port_name;
  // What the serial port's installation writes: the hardware key, the device map and, through
  // the Ports class installer, the spooler's Local Port.
  const bool spooler_lists_port = device.spooler_lists_port;
  devices_.AddArrivingDevice(node, device.port_look, [this, id, port_name, port, modem, spooler_lists_port]() {
    registry_.Put(Hive::kLocalMachine, SimDevices::EnumKey(id) + L"\\Device Parameters", L"PortName", RegView::k64,
                  RegValue::Sz(port_name));
    registry_.Put(Hive::kLocalMachine, SimFiles::kSerialCommKey, modem, RegView::k64, RegValue::Sz(port));
    if (spooler_lists_port) {
      registry_.Put(Hive::kLocalMachine, SimSpooler::kPortsKey, port + L":", RegView::k64, RegValue::Sz(L""));
    }
  });
}

}  // namespace platform::sim
