// Network ports: the ports of Windows' Standard TCP/IP port monitor, which the main dialog lists
// with "Configure" and "Delete" cells. The installer never makes TCP/IP ports itself; the monitor's
// own dialogs add and configure them (Spooler::AddPortUI with kTcpIpMonitorName, ConfigurePort).
#pragma once

#include <cstdint>
#include <list>
#include <string>

namespace platform {
class DialogControls;
class Spooler;
}  // namespace platform

// The monitor whose add-port wizard AddPortW runs.
constexpr const wchar_t* kTcpIpMonitorName = L"Standard TCP/IP Port";
// The monitor name the TCP/IP ports report in PORT_INFO_2, compared ignoring case.
constexpr const wchar_t* kTcpIpPortMonitorName = L"tcpmon.dll";

// A copy of one PORT_INFO_2 entry, owned by the list that holds it.
struct NetworkPortRecord {
  std::wstring PortName;
  std::wstring MonitorName;
  std::wstring Description;
  uint32_t PortType = 0;
  uint32_t Reserved = 0;
};

// In the spooler's order. Emptying the list (clear) frees every record.
using NetworkPortList = std::list<NetworkPortRecord>;

// Appends a copy of every spooler port whose monitor is "tcpmon.dll" (ignoring case), in the
// spooler's order. When the spooler cannot be asked, the list stays as it was. No log lines.
void EnumNetworkPorts(platform::Spooler& spooler, NetworkPortList* list);

// Removes the first record whose port name equals `name` exactly (case-sensitive) and then asks
// the spooler to delete that port (DeletePortW, owned by `window`; its result is not examined).
// A name that is not in the list deletes nothing.
void DeleteNetworkPort(platform::Spooler& spooler, platform::DialogControls* window, NetworkPortList* list,
                       const std::wstring& name);
