#include "ports/network_ports.h"

#include <vector>

#include "platform/spooler.h"
#include "ports/port_text.h"
#include "text/case_fold.h"

void EnumNetworkPorts(platform::Spooler& spooler, NetworkPortList* list) {
  std::vector<platform::PortInfo> ports;
  if (!spooler.EnumPorts(&ports)) return;
  for (const platform::PortInfo& port : ports) {
    if (!EqualsIgnoringAsciiCase(port.monitor.c_str(), kTcpIpPortMonitorName)) continue;
    list->push_back(NetworkPortRecord{port.name, port.monitor, port.description, port.type, port.reserved});
  }
}

void DeleteNetworkPort(platform::Spooler& spooler, platform::DialogControls* window, NetworkPortList* list,
                       const std::wstring& name) {
  for (auto it = list->begin(); it != list->end(); ++it) {
    if (it->PortName != name) continue;
    list->erase(it);
    spooler.DeletePort(window, name);
    return;
  }
}
