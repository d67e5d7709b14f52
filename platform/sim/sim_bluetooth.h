// The simulated machine's Bluetooth stack: a radio or none, and the devices the stack knows, each
// with what its pairing and its serial service will do when asked. Enabling a paired device's
// Serial Port Profile installs what Windows installs: a BTHENUM node (SimDevices) whose hardware
// key holds "PortName", the port in the device map (SERIALCOMM) and a Local Port "COMn:" in the
// spooler's Ports key, each in the simulated registry. The node can be made to arrive only at a
// later look, as Windows' driver installation takes its time.
//
// As on Windows without a radio: BluetoothFindFirstRadio fails with 259 and the Winsock lookup
// in NS_BTH with WSASERVICE_NOT_FOUND (10108).
//
// Fault names: "WSAStartup", "WSALookupServiceBeginW", "WSALookupServiceNextW",
// "WSALookupServiceEnd", "WSACleanup", "BluetoothFindFirstRadio", "BluetoothFindRadioClose",
// "CloseHandle" (the radio), "BluetoothGetDeviceInfo", "BluetoothAuthenticateDevice",
// "BluetoothUpdateDeviceRecord", "BluetoothSetServiceState", and "malloc" / "realloc" for the
// lookup's result buffer (its first allocation, its growth). A Winsock fault's code is the
// call's WSA error.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_registry.h"

namespace platform::sim {

// What Windows' pairing dialog ends with.
enum class SimPairing {
  kSucceeds,       // the user confirms: the device is authenticated and remembered
  kCancelled,      // the user closes the dialog: 1223
  kNotCompleted,   // the call returns 0, the device stays unauthenticated
};

struct SimBluetoothDevice {
  uint64_t address = 0;               // 48 bits, most significant byte first in its text
  std::optional<std::wstring> name;   // none: the lookup returns no instance name
  bool authenticated = false;         // paired
  bool remembered = false;
  bool connected = false;
  bool listed = true;                 // returned by the Winsock lookup
  SimPairing pairing = SimPairing::kSucceeds;
  // Answers of BluetoothSetServiceState in turn; when they run out: 0 the first time, then 1056.
  // An answer of 0 or 1056 leaves the service enabled.
  std::deque<uint32_t> service_answers;
  bool serial_service_enabled = false;  // set at arrangement: the port is installed already
  // The "PortName" Windows gives the serial port ("COM5"; may carry colons, "COM7::"); empty: the
  // service is enabled but no port is installed.
  std::wstring port_name;
  int port_look = 0;  // the BTHENUM node is present from this SetupDiGetClassDevsW on (0: at once)
  // The Ports class installer adds the port to the spooler's Local Ports; false: the spooler does
  // not list it (yet), as happens on Windows until the spooler hears of the new port.
  bool spooler_lists_port = true;
  size_t lookup_bytes = 0;  // the result buffer WSALookupServiceNextW needs; 0: worked out
};

class SimBluetooth : public Bluetooth {
 public:
  SimBluetooth(SimFaults& faults, SimRegistry& registry, SimDevices& devices);
  ~SimBluetooth() override;

  std::unique_ptr<WinsockSession> StartWinsock(int* error) override;
  std::unique_ptr<BluetoothLookup> LookupBegin(uint32_t flags, int* error) override;
  std::unique_ptr<BluetoothRadio> FindFirstRadio() override;
  uint32_t GetDeviceInfo(BluetoothRadio& radio, BluetoothDeviceInfo* info) override;
  uint32_t AuthenticateDevice(BluetoothRadio& radio, BluetoothDeviceInfo* info) override;
  uint32_t UpdateDeviceRecord(const BluetoothDeviceInfo& info) override;
  uint32_t EnableSerialPortService(BluetoothRadio* radio, const BluetoothDeviceInfo& info) override;

  // Arranging. A new machine has a radio and knows no device.
  void SetRadio(bool present) { radio_ = present; }
  // Adds (or replaces, by address) a known device; one whose serial service is enabled and that
  // has a port name gets its port installed now (or at its look).
  void AddDevice(const SimBluetoothDevice& device);
  SimBluetoothDevice* Find(uint64_t address);

  // The instance id Windows gives the serial port node of a device:
  // BTHENUM\{00001101-...}_LOCALMFG&0000\7&<hash>&0&<12 hex digits>_C00000000.
  static std::wstring SerialNodeId(uint64_t address);
  // What the tests read back: WSAStartup calls not yet matched by WSACleanup, lookups and radio
  // handles still open.
  int OpenStartups() const { return startups_; }
  int OpenLookups() const { return open_lookups_; }
  int OpenRadios() const { return open_radios_; }

 private:
  friend class SimBluetoothLookup;
  friend class SimWinsockSession;
  friend class SimBluetoothRadio;
  void InstallSerialPort(const SimBluetoothDevice& device);

  SimFaults& faults_;
  SimRegistry& registry_;
  SimDevices& devices_;
  bool radio_ = true;
  std::vector<SimBluetoothDevice> devices_known_;
  int startups_ = 0;
  int open_lookups_ = 0;
  int open_radios_ = 0;
  int next_modem_ = 0;
};

}  // namespace platform::sim
