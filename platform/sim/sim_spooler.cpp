#include "platform/sim/sim_spooler.h"

#include "platform/last_error.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr RegView kView = RegView::k64;

std::wstring MonitorKey(const std::wstring& monitor) { return std::wstring(SimSpooler::kMonitorsKey) + L"\\" + monitor; }

std::wstring PortsKeyOf(const std::wstring& monitor) { return MonitorKey(monitor) + L"\\Ports"; }

// The monitor name a monitor reports in PORT_INFO_2: tcpmon gives its DLL's name.
std::wstring ReportedMonitorName(const std::wstring& monitor) {
  if (EqualsIgnoringCase(monitor, SimSpooler::kTcpIpMonitor)) return L"TCPMON.DLL";
  return monitor;
}

// What Windows' monitors call their ports.
std::wstring UsualDescription(const std::wstring& monitor) {
  if (EqualsIgnoringCase(monitor, SimSpooler::kUsbMonitor)) return L"Virtual printer port for USB";
  if (EqualsIgnoringCase(monitor, L"WSD Port")) return L"WSD Port";
  return monitor;
}

// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "AddMonitorW", "AddPortExW", "AddPortW", "AddPrinterDriverW", "AddPrinterW", "ConfigurePortW",
    "DeleteMonitorW", "DeletePortW", "DeletePrinter", "DeletePrinterDriverExW", "EnumPortsW", "EnumPrintersW",
    "GetPrinterDriverDirectoryA", "GetPrinterDriverDirectoryW", "GetPrinterW", "OpenPrinterW",
    "SetDefaultPrinterW", "SetPrinterDataW", "SetPrinterW", "XcvDataW"};
}  // namespace

SimSpooler::SimSpooler(SimFaults& faults, SimRegistry& registry, SimFiles& files, SimSystemInfo& system,
                       SimCodePage& codepage)
    : faults_(faults), registry_(registry), files_(files), system_(system), codepage_(codepage) {
  faults_.Declare(kFaultNames);
}

bool SimSpooler::EnumPorts(std::vector<PortInfo>* out) {
  out->clear();
  if (faults_.ShouldFail("EnumPortsW")) return false;
  ListPorts(out);
  SetLastErrorCode(err::kSuccess);
  return true;
}

void SimSpooler::ListPorts(std::vector<PortInfo>* out) {
  out->clear();
  std::vector<std::pair<std::wstring, RegValue>> values;
  registry_.Values(kHklm, kPortsKey, kView, &values);
  for (const auto& value : values) {
    PortInfo port;
    port.name = value.first;
    port.monitor = L"Local Monitor";
    port.description = L"Local Port";
    port.type = porttype::kWrite;
    out->push_back(port);
  }
  std::vector<std::wstring> monitors;
  registry_.SubKeys(kHklm, kMonitorsKey, kView, &monitors);
  for (const auto& monitor : monitors) {
    if (EqualsIgnoringCase(monitor, kLocalPortMonitor)) continue;
    std::vector<std::wstring> ports;
    registry_.SubKeys(kHklm, PortsKeyOf(monitor), kView, &ports);
    for (const auto& name : ports) {
      PortInfo port;
      port.name = name;
      port.monitor = ReportedMonitorName(monitor);
      RegValue description;
      bool described = registry_.Get(kHklm, PortsKeyOf(monitor) + L"\\" + name, L"Description", kView, &description);
      port.description = described ? description.AsString() : UsualDescription(monitor);
      port.type = porttype::kWrite | porttype::kRead;
      out->push_back(port);
    }
  }
}

void SimSpooler::AddMonitor(const std::wstring& monitor, const std::wstring& driver) {
  registry_.Put(kHklm, MonitorKey(monitor), L"Driver", kView, RegValue::Sz(driver));
}

std::wstring SimSpooler::InstalledMonitor(const std::wstring& monitor) {
  std::vector<std::wstring> monitors;
  registry_.SubKeys(kHklm, kMonitorsKey, kView, &monitors);
  for (const auto& name : monitors) {
    if (EqualsIgnoringCase(name, monitor)) return name;
  }
  return L"";
}

std::wstring SimSpooler::MonitorOfPort(const std::wstring& port) {
  RegValue value;
  if (registry_.Get(kHklm, kPortsKey, port, kView, &value)) return kLocalPortMonitor;
  std::vector<std::wstring> monitors;
  registry_.SubKeys(kHklm, kMonitorsKey, kView, &monitors);
  for (const auto& monitor : monitors) {
    std::vector<std::wstring> ports;
    registry_.SubKeys(kHklm, PortsKeyOf(monitor), kView, &ports);
    for (const auto& name : ports) {
      if (EqualsIgnoringCase(name, port)) return monitor;
    }
  }
  return L"";
}

bool SimSpooler::AddPort(const std::wstring& monitor, const std::wstring& port, const std::wstring& description) {
  const std::wstring installed = InstalledMonitor(monitor);
  if (installed.empty()) return false;
  if (EqualsIgnoringCase(installed, kLocalPortMonitor)) {
    registry_.Put(kHklm, kPortsKey, port, kView, RegValue::Sz(L""));
    return true;
  }
  std::wstring key = PortsKeyOf(installed) + L"\\" + port;
  registry_.MakeKey(kHklm, key, kView);
  if (!description.empty()) registry_.Put(kHklm, key, L"Description", kView, RegValue::Sz(description));
  return true;
}

bool SimSpooler::AddUsbPort(const std::wstring& port, const std::wstring& device_path) {
  if (!AddPort(kUsbMonitor, port)) return false;
  registry_.Put(kHklm, PortsKeyOf(kUsbMonitor) + L"\\" + port, L"Device Path", kView, RegValue::Sz(device_path));
  return true;
}

bool SimSpooler::RemovePort(const std::wstring& port) {
  if (registry_.EraseValue(kHklm, kPortsKey, port, kView)) return true;
  std::vector<std::wstring> monitors;
  registry_.SubKeys(kHklm, kMonitorsKey, kView, &monitors);
  for (const auto& monitor : monitors) {
    if (registry_.Erase(kHklm, PortsKeyOf(monitor) + L"\\" + port, kView)) return true;
  }
  return false;
}

bool SimSpooler::AddStandardTcpIpPort(const std::wstring& port, const std::wstring& host, uint32_t port_number) {
  constexpr uint32_t kInvalidPrinterName = 1801;
  constexpr uint32_t kAlreadyExists = 183;
  constexpr uint32_t kInvalidParameter = 87;
  if (faults_.ShouldFail("XcvDataW")) return false;
  const std::wstring monitor = InstalledMonitor(kTcpIpMonitor);
  if (monitor.empty()) {
    SetLastErrorCode(kInvalidPrinterName);
    return false;
  }
  if (port.empty() || host.empty() || port.size() >= 64 || host.size() >= 49) {
    SetLastErrorCode(kInvalidParameter);
    return false;
  }
  std::vector<PortInfo> ports;
  ListPorts(&ports);
  for (const PortInfo& existing : ports) {
    if (EqualsIgnoringCase(existing.name, port)) {
      SetLastErrorCode(kAlreadyExists);
      return false;
    }
  }
  AddPort(monitor, port);
  const std::wstring key = PortsKeyOf(monitor) + L"\\" + port;
  registry_.Put(kHklm, key, L"HostName", kView, RegValue::Sz(host));
  registry_.Put(kHklm, key, L"PortNumber", kView, RegValue::Dword(port_number));
  registry_.Put(kHklm, key, L"Protocol", kView, RegValue::Dword(1));
  return true;
}

}  // namespace platform::sim
