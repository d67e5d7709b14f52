// The simulated spooler's removals: a driver of one environment (with its unused files) and a
// monitor with its ports, each refused while a printer uses it, as Windows refuses it.
#include <cstdint>

#include "platform/last_error.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_spooler.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr RegView kView = RegView::k64;
constexpr uint32_t kUnknownPrinterDriver = 1797;
constexpr uint32_t kInvalidEnvironment = 1805;
constexpr uint32_t kPrinterDriverInUse = 2001;
constexpr uint32_t kUnknownPrintMonitor = 3000;
constexpr uint32_t kPrintMonitorInUse = 3008;

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

std::wstring DriversKey(const std::wstring& environment) {
  return std::wstring(SimSpooler::kPrintKey) + L"\\Environments\\" + environment + L"\\Drivers\\Version-3";
}

}  // namespace

bool SimSpooler::FileOfAnotherDriver(const std::wstring& environment, const std::wstring& driver,
                                     const std::wstring& file) {
  std::vector<std::wstring> drivers;
  registry_.SubKeys(kHklm, DriversKey(environment), kView, &drivers);
  for (const std::wstring& other : drivers) {
    if (FoldCase(other) == FoldCase(driver)) continue;
    for (const wchar_t* value : {L"Driver", L"Data File", L"Configuration File"}) {
      RegValue named;
      if (registry_.Get(kHklm, DriverKey(environment, other), value, kView, &named) &&
          FoldCase(named.AsString()) == FoldCase(file)) {
        return true;
      }
    }
  }
  return false;
}

bool SimSpooler::DeletePrinterDriverEx(const std::wstring& name, const std::wstring& environment, uint32_t flags,
                                       uint32_t version) {
  if (faults_.ShouldFail("DeletePrinterDriverExW")) return false;
  const std::wstring env = Environment(environment);
  if (env.empty()) return Fail(kInvalidEnvironment);
  std::vector<std::wstring> subkeys;
  const std::wstring key = DriverKey(env, name);
  // Drivers are kept as version 3 only.
  if ((flags & kDeleteSpecificVersion) && version != 3) return Fail(kUnknownPrinterDriver);
  if (name.empty() || !registry_.SubKeys(kHklm, key, kView, &subkeys)) return Fail(kUnknownPrinterDriver);
  if (env == ServerEnvironment()) {
    std::vector<PrinterInfo2> printers;
    ListPrinters(&printers);
    for (const PrinterInfo2& printer : printers) {
      if (FoldCase(printer.driver_name) == FoldCase(name)) return Fail(kPrinterDriverInUse);
    }
  }
  if (flags & kDeleteUnusedFiles) {
    const std::wstring folder = DriverFolder(env);
    for (const wchar_t* value : {L"Driver", L"Data File", L"Configuration File"}) {
      RegValue file;
      if (!registry_.Get(kHklm, key, value, kView, &file) || file.AsString().empty()) continue;
      const std::wstring bare = file.AsString();
      if (bare.find_first_of(L"\\/") != std::wstring::npos || FileOfAnotherDriver(env, name, bare)) continue;
      files_.RemoveTree(folder + L"\\3\\" + bare);
      files_.RemoveTree(folder + L"\\" + bare);
    }
  }
  registry_.Erase(kHklm, key, kView);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimSpooler::DeleteMonitor(const std::wstring& name, const std::wstring& environment) {
  if (faults_.ShouldFail("DeleteMonitorW")) return false;
  if (Environment(environment).empty()) return Fail(kInvalidEnvironment);
  const std::wstring monitor = InstalledMonitor(name);
  if (monitor.empty()) return Fail(kUnknownPrintMonitor);
  std::vector<std::wstring> ports;
  registry_.SubKeys(kHklm, std::wstring(kMonitorsKey) + L"\\" + monitor + L"\\Ports", kView, &ports);
  std::vector<PrinterInfo2> printers;
  ListPrinters(&printers);
  for (const PrinterInfo2& printer : printers) {
    for (const std::wstring& port : ports) {
      if (FoldCase(printer.port_name) == FoldCase(port)) return Fail(kPrintMonitorInUse);
    }
  }
  registry_.Erase(kHklm, std::wstring(kMonitorsKey) + L"\\" + monitor, kView);
  SetLastErrorCode(err::kSuccess);
  return true;
}

}  // namespace platform::sim
