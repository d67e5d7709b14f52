// The simulated spooler's installation calls: driver directories, drivers, printers and their
// data, monitors, ports added through a monitor, and the default printer. Every fact lives in the
// simulated registry where Windows keeps it (sim_spooler.h).
#include <cstdint>

#include "platform/last_error.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_spooler.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr RegView kView = RegView::k64;

constexpr uint32_t kUnknownPort = 1796;
constexpr uint32_t kUnknownPrinterDriver = 1797;
constexpr uint32_t kUnknownPrintProcessor = 1798;
constexpr uint32_t kInvalidPrinterName = 1801;
constexpr uint32_t kPrinterAlreadyExists = 1802;
constexpr uint32_t kInvalidDatatype = 1804;
constexpr uint32_t kInvalidEnvironment = 1805;
constexpr uint32_t kMonitorAlreadyInstalled = 3006;
constexpr uint32_t kModuleNotFound = 126;

// PRINTER_INFO_2W as a 32-bit process receives it: 13 pointers and 8 DWORDs.
constexpr uint32_t kPrinterInfo2Bytes = 13 * 4 + 8 * 4;

struct EnvironmentInfo {
  const wchar_t* name;    // as the registry spells it
  const wchar_t* folder;  // below spool\drivers
  uint16_t architecture;  // the processor that runs it natively
};

constexpr uint16_t kNoArchitecture = 0xFFFF;

constexpr EnvironmentInfo kEnvironments[] = {
    {kEnvironmentX86, L"w32x86", arch::kX86},
    {kEnvironmentX64, L"x64", arch::kX64},
    {L"Windows ARM64", L"arm64", arch::kArm64},
    {L"Windows IA64", L"IA64", kNoArchitecture},
    {L"Windows 4.0", L"win40", kNoArchitecture},
};

bool Same(const std::wstring& a, const std::wstring& b) { return FoldCase(a) == FoldCase(b); }

std::wstring EnvironmentOf(uint16_t architecture) {
  for (const EnvironmentInfo& env : kEnvironments) {
    if (env.architecture == architecture) return env.name;
  }
  return kEnvironmentX86;
}

// The print processor and the data types a fresh Windows offers.
bool KnownPrintProcessor(const std::wstring& name) { return name.empty() || Same(name, L"WinPrint"); }

bool KnownDatatype(const std::wstring& name) {
  if (name.empty()) return true;
  for (const wchar_t* known : {L"RAW", L"RAW [FF appended]", L"RAW [FF auto]", L"NT EMF 1.003", L"NT EMF 1.006",
                               L"NT EMF 1.007", L"NT EMF 1.008", L"TEXT", L"XPS2GDI"}) {
    if (Same(name, known)) return true;
  }
  return false;
}

std::vector<std::wstring> SplitPorts(const std::wstring& ports) {
  std::vector<std::wstring> names;
  size_t pos = 0;
  while (pos <= ports.size()) {
    size_t end = ports.find(L',', pos);
    if (end == std::wstring::npos) end = ports.size();
    names.push_back(ports.substr(pos, end - pos));
    pos = end + 1;
  }
  return names;
}

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

}  // namespace

std::wstring SimSpooler::PrinterKey(const std::wstring& printer) { return std::wstring(kPrintersKey) + L"\\" + printer; }

std::wstring SimSpooler::DriverKey(const std::wstring& environment, const std::wstring& driver) {
  return std::wstring(kPrintKey) + L"\\Environments\\" + environment + L"\\Drivers\\Version-3\\" + driver;
}

std::wstring SimSpooler::ServerEnvironment() { return EnvironmentOf(system_.ProcessorArchitecture()); }

std::wstring SimSpooler::Environment(const std::wstring& environment) {
  if (environment.empty()) {
    // The caller's own: a 32-bit process under WOW64 is an x86 client of the x64 server.
    return system_.Wow64Process() ? std::wstring(kEnvironmentX86) : ServerEnvironment();
  }
  for (const EnvironmentInfo& env : kEnvironments) {
    if (Same(environment, env.name)) return env.name;
  }
  return std::wstring();
}

std::wstring SimSpooler::DriverFolder(const std::wstring& environment) {
  for (const EnvironmentInfo& env : kEnvironments) {
    if (environment == env.name) return system_.WindowsPath() + L"\\system32\\spool\\drivers\\" + env.folder;
  }
  return std::wstring();
}

bool SimSpooler::DriverFilePresent(const std::wstring& environment, const std::wstring& file) {
  if (file.empty()) return true;  // a record without this file
  if (file.find_first_of(L"\\/") != std::wstring::npos) return files_.Kind(file) == PathKind::kFile;
  const std::wstring folder = DriverFolder(environment);
  return files_.Kind(folder + L"\\" + file) == PathKind::kFile ||
         files_.Kind(folder + L"\\3\\" + file) == PathKind::kFile;
}

bool SimSpooler::PortListed(const std::wstring& port) {
  std::vector<PortInfo> ports;
  ListPorts(&ports);
  for (const PortInfo& listed : ports) {
    if (Same(listed.name, port)) return true;
  }
  return false;
}

bool SimSpooler::DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) {
  if (faults_.ShouldFail("GetPrinterDriverDirectoryW")) return false;
  std::wstring env = Environment(environment);
  if (env.empty()) return Fail(kInvalidEnvironment);
  std::wstring folder = DriverFolder(env);
  if ((folder.size() + 1) * sizeof(uint16_t) > buffer_bytes) return Fail(err::kInsufficientBuffer);
  *out = folder;
  return true;
}

bool SimSpooler::DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) {
  if (faults_.ShouldFail("GetPrinterDriverDirectoryA")) return false;
  std::wstring wide;
  codepage_.Decode(kCodePageAnsi, environment, &wide);
  std::wstring env = Environment(wide);
  if (env.empty()) return Fail(kInvalidEnvironment);
  std::string folder;
  codepage_.Encode(kCodePageAnsi, DriverFolder(env), &folder);
  if (folder.size() + 1 > buffer_bytes) return Fail(err::kInsufficientBuffer);
  *out = folder;
  return true;
}

bool SimSpooler::AddPrinterDriver(const DriverInfo& driver) {
  if (faults_.ShouldFail("AddPrinterDriverW")) return false;
  if (driver.name.empty() || driver.driver_path.empty()) return Fail(err::kInvalidParameter);
  std::wstring env = Environment(driver.environment);
  if (env.empty()) return Fail(kInvalidEnvironment);
  for (const std::wstring* file : {&driver.driver_path, &driver.data_file, &driver.config_file}) {
    if (!DriverFilePresent(env, *file)) return Fail(err::kFileNotFound);
  }
  const std::wstring key = DriverKey(env, driver.name);
  registry_.Erase(kHklm, key, kView);
  registry_.Put(kHklm, key, L"Configuration File", kView, RegValue::Sz(driver.config_file));
  registry_.Put(kHklm, key, L"Data File", kView, RegValue::Sz(driver.data_file));
  registry_.Put(kHklm, key, L"Datatype", kView, RegValue::Sz(L""));
  registry_.Put(kHklm, key, L"Dependent Files", kView, RegValue::MultiSz({}));
  registry_.Put(kHklm, key, L"Driver", kView, RegValue::Sz(driver.driver_path));
  registry_.Put(kHklm, key, L"Help File", kView, RegValue::Sz(L""));
  registry_.Put(kHklm, key, L"Monitor", kView, RegValue::Sz(L""));
  registry_.Put(kHklm, key, L"Previous Names", kView, RegValue::MultiSz({}));
  // User-mode drivers are version 3 whatever the record says.
  registry_.Put(kHklm, key, L"Version", kView, RegValue::Dword(3));
  SetLastErrorCode(err::kSuccess);
  return true;
}

std::unique_ptr<PrinterHandle> SimSpooler::AddPrinter(const PrinterInfo2& printer) {
  if (faults_.ShouldFail("AddPrinterW")) return nullptr;
  const std::wstring& name = printer.printer_name;
  if (name.empty() || name.find_first_of(L",\\") != std::wstring::npos) {
    SetLastErrorCode(kInvalidPrinterName);
    return nullptr;
  }
  std::vector<std::wstring> subkeys;
  if (registry_.SubKeys(kHklm, PrinterKey(name), kView, &subkeys)) {
    SetLastErrorCode(kPrinterAlreadyExists);
    return nullptr;
  }
  if (!KnownPrintProcessor(printer.print_processor)) {
    SetLastErrorCode(kUnknownPrintProcessor);
    return nullptr;
  }
  if (!KnownDatatype(printer.datatype)) {
    SetLastErrorCode(kInvalidDatatype);
    return nullptr;
  }
  for (const std::wstring& port : SplitPorts(printer.port_name)) {
    if (port.empty() || !PortListed(port)) {
      SetLastErrorCode(kUnknownPort);
      return nullptr;
    }
  }
  if (printer.driver_name.empty() ||
      !registry_.SubKeys(kHklm, DriverKey(ServerEnvironment(), printer.driver_name), kView, &subkeys)) {
    SetLastErrorCode(kUnknownPrinterDriver);
    return nullptr;
  }
  const std::wstring key = PrinterKey(name);
  registry_.Put(kHklm, key, L"Name", kView, RegValue::Sz(name));
  registry_.Put(kHklm, key, L"Share Name", kView, RegValue::Sz(printer.share_name));
  registry_.Put(kHklm, key, L"Port", kView, RegValue::Sz(printer.port_name));
  registry_.Put(kHklm, key, L"Printer Driver", kView, RegValue::Sz(printer.driver_name));
  registry_.Put(kHklm, key, L"Description", kView, RegValue::Sz(printer.comment));
  registry_.Put(kHklm, key, L"Location", kView, RegValue::Sz(printer.location));
  registry_.Put(kHklm, key, L"Separator File", kView, RegValue::Sz(printer.sep_file));
  registry_.Put(kHklm, key, L"Print Processor", kView,
                RegValue::Sz(printer.print_processor.empty() ? L"WinPrint" : printer.print_processor));
  registry_.Put(kHklm, key, L"Datatype", kView, RegValue::Sz(printer.datatype.empty() ? L"RAW" : printer.datatype));
  registry_.Put(kHklm, key, L"Parameters", kView, RegValue::Sz(printer.parameters));
  registry_.Put(kHklm, key, L"Attributes", kView, RegValue::Dword(printer.attributes));
  registry_.Put(kHklm, key, L"Priority", kView, RegValue::Dword(printer.priority));
  registry_.Put(kHklm, key, L"Default Priority", kView, RegValue::Dword(printer.default_priority));
  registry_.Put(kHklm, key, L"StartTime", kView, RegValue::Dword(printer.start_time));
  registry_.Put(kHklm, key, L"UntilTime", kView, RegValue::Dword(printer.until_time));
  registry_.Put(kHklm, key, L"Status", kView, RegValue::Dword(0));
  for (const wchar_t* subkey : {L"PrinterDriverData", L"DsDriver", L"DsSpooler"}) {
    registry_.MakeKey(kHklm, key + L"\\" + subkey, kView);
  }
  SetLastErrorCode(err::kSuccess);
  return MakeHandle(name, kPrinterAllAccess);
}

bool SimSpooler::EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) {
  names->clear();
  *bytes_needed = 0;
  if (faults_.ShouldFail("EnumPrintersW")) return false;
  uint32_t needed = 0;
  if (flags & kPrinterEnumLocal) {
    std::vector<std::wstring> printers;
    registry_.SubKeys(kHklm, kPrintersKey, kView, &printers);
    for (const std::wstring& printer : printers) {
      names->push_back(printer);
      needed += kPrinterInfo2Bytes;
      std::vector<std::pair<std::wstring, RegValue>> values;
      registry_.Values(kHklm, PrinterKey(printer), kView, &values);
      for (const auto& value : values) {
        if (value.second.type == regtype::kSz) needed += static_cast<uint32_t>(value.second.data.size());
      }
    }
  }
  if (flags & kPrinterEnumConnections) {
    std::vector<std::wstring> connections;
    registry_.SubKeys(Hive::kCurrentUser, L"Printers\\Connections", RegView::kDefault, &connections);
    for (std::wstring connection : connections) {
      for (auto& c : connection) {
        if (c == L',') c = L'\\';
      }
      names->push_back(connection);
      needed += kPrinterInfo2Bytes + static_cast<uint32_t>((connection.size() + 1) * 2);
    }
  }
  *bytes_needed = needed;
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimSpooler::AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) {
  if (faults_.ShouldFail("AddMonitorW")) return false;
  if (name.empty() || dll.empty()) return Fail(err::kInvalidParameter);
  // A monitor runs inside the spooler: only one written for the server's architecture loads.
  std::wstring env = Environment(environment);
  if (env.empty() || env != ServerEnvironment()) return Fail(kInvalidEnvironment);
  std::vector<std::wstring> monitors;
  registry_.SubKeys(kHklm, kMonitorsKey, kView, &monitors);
  for (const std::wstring& monitor : monitors) {
    if (Same(monitor, name)) return Fail(kMonitorAlreadyInstalled);
  }
  const std::wstring path =
      dll.find(L'\\') == std::wstring::npos ? system_.WindowsPath() + L"\\System32\\" + dll : dll;
  if (files_.Kind(path) != PathKind::kFile) return Fail(kModuleNotFound);
  registry_.Put(kHklm, std::wstring(kMonitorsKey) + L"\\" + name, L"Driver", kView, RegValue::Sz(dll));
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimSpooler::AddPortEx(const std::wstring& monitor, const std::wstring& port) {
  if (faults_.ShouldFail("AddPortExW")) return false;
  if (port.empty() || PortListed(port)) return Fail(err::kInvalidParameter);
  if (!AddPort(monitor, port)) return Fail(err::kInvalidParameter);  // no such monitor
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimSpooler::SetDefaultPrinter(const std::wstring& name) {
  if (faults_.ShouldFail("SetDefaultPrinterW")) return false;
  std::vector<std::wstring> printers;
  registry_.SubKeys(kHklm, kPrintersKey, kView, &printers);
  const std::wstring* chosen = nullptr;
  for (const std::wstring& printer : printers) {
    if (name.empty() || Same(printer, name)) {
      chosen = &printer;
      break;
    }
  }
  if (chosen == nullptr) return Fail(kInvalidPrinterName);
  RegValue port;
  registry_.Get(kHklm, PrinterKey(*chosen), L"Port", kView, &port);
  registry_.Put(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault,
                RegValue::Sz(*chosen + L",winspool," + port.AsString()));
  SetLastErrorCode(err::kSuccess);
  return true;
}

}  // namespace platform::sim
