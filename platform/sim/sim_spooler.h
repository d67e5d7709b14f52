// The simulated machine's print spooler. Its ports live in the simulated registry where Windows
// keeps them, so that a port written there by anyone shows in EnumPorts:
//   - the "Local Port" monitor's ports (COM1:, LPT1:, FILE: ...) are the value names of
//     HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports (shared by both views), in value
//     order, reported with the monitor name "Local Monitor", description "Local Port" and
//     PORT_TYPE_WRITE, as Wine's local spooler reports them;
//   - every other monitor's ports are the subkeys of
//     HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\<monitor>\Ports, listed after the
//     local ones, monitor by monitor in key order, with the monitor's name, the port key's
//     "Description" value (else the monitor's usual description) and PORT_TYPE_WRITE | READ.
//     The USB Monitor's port keys also hold the "Device Path" of the printer they serve.
// A new machine has the monitors "Local Port", "Standard TCP/IP Port", "USB Monitor" and
// "WSD Port" (each key with its "Driver") and the local ports of a fresh Windows 10.
//
// Fault names: "EnumPortsW".
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_registry.h"
#include "platform/spooler.h"

namespace platform::sim {

class SimSpooler : public Spooler {
 public:
  static constexpr const wchar_t* kPortsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
  static constexpr const wchar_t* kMonitorsKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
  static constexpr const wchar_t* kLocalPortMonitor = L"Local Port";
  static constexpr const wchar_t* kUsbMonitor = L"USB Monitor";
  static constexpr const wchar_t* kTcpIpMonitor = L"Standard TCP/IP Port";

  SimSpooler(SimFaults& faults, SimRegistry& registry);

  bool EnumPorts(std::vector<PortInfo>* out) override;

  // Arranging. Installs a monitor: its key under Monitors with "Driver" = `driver`.
  void AddMonitor(const std::wstring& monitor, const std::wstring& driver);
  // Adds a port on an installed monitor: on "Local Port" a value of the Ports key (data ""),
  // else a key under the monitor's Ports with "Description" when one is given. False (and
  // nothing written) when the monitor is not installed.
  bool AddPort(const std::wstring& monitor, const std::wstring& port, const std::wstring& description = L"");
  // A USB Monitor port serving the printer whose device path is given ("Device Path" value).
  bool AddUsbPort(const std::wstring& port, const std::wstring& device_path);
  // Removes a port from whichever monitor has it; false when none has.
  bool RemovePort(const std::wstring& port);

 private:
  SimFaults& faults_;
  SimRegistry& registry_;
};

}  // namespace platform::sim
