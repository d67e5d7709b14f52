// The spooler's part of a removal: the printer (its queue purged first), its driver in each
// environment it was registered for once no printer uses it, the files the installer placed in
// the driver directories, and on 32-bit Windows the own port and monitor once nothing uses them.
#include <memory>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "text/case_fold.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstall_steps.h"

namespace {

constexpr uint32_t kInvalidPrinterName = 1801;
constexpr uint32_t kUnknownPrinterDriver = 1797;
constexpr uint32_t kUnknownPrintMonitor = 3000;
constexpr uint32_t kPrintMonitorInUse = 3008;
constexpr uint32_t kSharingViolation = 32;
constexpr size_t kDriverDirBytes = 520;

int Code() { return static_cast<int>(platform::LastErrorCode()); }

bool HasPort(const std::wstring& ports, const std::wstring& port) {
  size_t start = 0;
  while (start <= ports.size()) {
    size_t end = ports.find(L',', start);
    if (end == std::wstring::npos) end = ports.size();
    if (EqualsIgnoringCase(ports.substr(start, end - start), port)) return true;
    start = end + 1;
  }
  return false;
}

// Removes one file now, or at the next restart when something holds it.
StepResult RemoveFile(platform::Machine& machine, const char* fn, const std::wstring& path) {
  if (machine.files().Remove(path)) return StepResult::kDone;
  const uint32_t code = platform::LastErrorCode();
  if (code == platform::err::kFileNotFound || code == platform::err::kPathNotFound) return StepResult::kNothing;
  if ((code == kSharingViolation || code == platform::err::kAccessDenied) && machine.files().RemoveAtRestart(path)) {
    UNINSTALL_LOG(fn, "[WARN] %s - %ws is in use (Error=%d), removed at the next restart\n", fn, path.c_str(),
                  static_cast<int>(code));
    return StepResult::kRestart;
  }
  UNINSTALL_LOG(fn, "[ERROR] %s - Cannot remove %ws, Error=%d\n", fn, path.c_str(), Code());
  return StepResult::kFailed;
}

// Whether the spooler keeps a driver of that name for the environment, where Windows keeps drivers
// (Wine answers 87 instead of 1797 for one it does not have).
bool DriverKeyExists(platform::Machine& machine, const std::wstring& environment, const std::wstring& driver) {
  return machine.registry().KeyExists(platform::Hive::kLocalMachine,
                                      L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + environment +
                                          L"\\Drivers\\Version-3\\" + driver,
                                      platform::RegView::k64);
}

// The combined outcome of parts: a failure wins, then a restart, then anything done.
StepResult Combine(StepResult a, StepResult b) {
  for (StepResult worst : {StepResult::kFailed, StepResult::kRestart, StepResult::kKept, StepResult::kDone}) {
    if (a == worst || b == worst) return worst;
  }
  return StepResult::kNothing;
}

}  // namespace

bool PrintersUsing(platform::Machine& machine, const std::wstring& port, const std::wstring& driver,
                   std::vector<std::wstring>* out) {
  out->clear();
  std::vector<platform::PrinterInfo2> printers;
  if (!machine.spooler().EnumPrinters2(&printers)) return false;
  for (const platform::PrinterInfo2& printer : printers) {
    if (port.empty() ? EqualsIgnoringCase(printer.driver_name, driver) : HasPort(printer.port_name, port)) {
      out->push_back(printer.printer_name);
    }
  }
  return true;
}

StepResult DeletePrinterStep(UninstallContext& context) {
  const InstallationRecord& record = context.record;
  if (record.printer.empty()) return StepResult::kFailed;  // refused when read, logged there
  std::unique_ptr<platform::PrinterHandle> printer =
      context.machine.spooler().OpenPrinter(record.printer, platform::kPrinterAllAccess);
  if (!printer) {
    if (platform::LastErrorCode() == kInvalidPrinterName) return StepResult::kNothing;
    UNINSTALL_LOG("DeletePrinter", "[ERROR] DeletePrinter - OpenPrinter %ws failed, Error=%d\n", record.printer.c_str(), Code());
    return StepResult::kFailed;
  }
  platform::PrinterInfo2 info;
  if (printer->GetInfo2(&info) && !EqualsIgnoringCase(info.driver_name, record.driver)) {
    UNINSTALL_LOG("DeletePrinter", "[WARN] DeletePrinter - %ws now uses the driver %ws, not this installation's\n",
                  record.printer.c_str(), info.driver_name.c_str());
    return StepResult::kKept;
  }
  if (!printer->Purge()) {
    UNINSTALL_LOG("DeletePrinter", "[WARN] DeletePrinter - Purging the jobs failed, Error=%d\n", Code());
  }
  if (!printer->Delete()) {
    UNINSTALL_LOG("DeletePrinter", "[ERROR] DeletePrinter - DeletePrinter %ws failed, Error=%d\n", record.printer.c_str(), Code());
    return StepResult::kFailed;
  }
  if (printer->GetInfo2(&info) && (info.status & platform::kPrinterStatusPendingDeletion)) {
    UNINSTALL_LOG("DeletePrinter", "[ERROR] DeletePrinter - %ws waits for %u job(s) before it goes\n",
                  record.printer.c_str(), info.jobs);
    return StepResult::kFailed;
  }
  return StepResult::kDone;
}

StepResult DeleteDriverStep(UninstallContext& context) {
  const InstallationRecord& record = context.record;
  if (record.driver.empty() || record.environments.empty()) return StepResult::kFailed;
  std::vector<std::wstring> users;
  if (!PrintersUsing(context.machine, L"", record.driver, &users)) {
    UNINSTALL_LOG("DeleteDriver", "[ERROR] DeleteDriver - EnumPrinters failed, Error=%d\n", Code());
    return StepResult::kFailed;
  }
  if (!users.empty()) {
    UNINSTALL_LOG("DeleteDriver", "[INFO] DeleteDriver - %ws is kept: the printer %ws uses it\n", record.driver.c_str(),
                  users.front().c_str());
    return StepResult::kKept;
  }
  StepResult result = StepResult::kNothing;
  for (const std::wstring& environment : record.environments) {
    const uint32_t flags = platform::kDeleteUnusedFiles | platform::kDeleteSpecificVersion;
    platform::Spooler& spooler = context.machine.spooler();
    bool deleted = spooler.DeletePrinterDriverEx(record.driver, environment, flags, 3);
    if (!deleted && platform::LastErrorCode() == platform::err::kInvalidParameter) {
      // A spooler that takes no flags (Wine's): the plain deletion; the files step removes the files.
      UNINSTALL_LOG("DeleteDriver", "[WARN] DeleteDriver - The spooler refuses the flags, deleting without them\n");
      deleted = spooler.DeletePrinterDriverEx(record.driver, environment, 0, 0);
    }
    if (deleted) {
      context.removed_drivers.push_back(environment);
      result = Combine(result, StepResult::kDone);
    } else if (platform::LastErrorCode() == kUnknownPrinterDriver || !DriverKeyExists(context.machine, environment, record.driver)) {
      context.removed_drivers.push_back(environment);  // gone already: its files may remain
    } else {
      UNINSTALL_LOG("DeleteDriver", "[ERROR] DeleteDriver - DeletePrinterDriverEx %ws (%ws) failed, Error=%d\n",
                    record.driver.c_str(), environment.c_str(), Code());
      result = StepResult::kFailed;
    }
  }
  return result;
}

StepResult DeleteDriverFilesStep(UninstallContext& context) {
  StepResult result = StepResult::kNothing;
  for (const std::wstring& environment : context.removed_drivers) {
    std::wstring folder;
    if (!context.machine.spooler().DriverDirectoryW(environment, kDriverDirBytes, &folder)) {
      UNINSTALL_LOG("DeleteDriverFiles", "[ERROR] DeleteDriverFiles - No driver directory for %ws, Error=%d\n",
                    environment.c_str(), Code());
      result = StepResult::kFailed;
      continue;
    }
    // Where the installer placed them, and the version folder the spooler copies them into.
    for (const std::wstring& file : context.record.driver_files) {
      result = Combine(result, RemoveFile(context.machine, "DeleteDriverFiles", folder + L"\\" + file));
      result = Combine(result, RemoveFile(context.machine, "DeleteDriverFiles", folder + L"\\3\\" + file));
    }
  }
  return result;
}

StepResult DeletePortStep(UninstallContext& context) {
  const InstallationRecord& record = context.record;
  if (record.own_monitor.empty() || record.port.empty()) return StepResult::kNothing;
  std::vector<std::wstring> users;
  if (!PrintersUsing(context.machine, record.port, L"", &users)) return StepResult::kFailed;
  if (!users.empty()) {
    UNINSTALL_LOG("DeletePort", "[INFO] DeletePort - %ws is kept: the printer %ws uses it\n", record.port.c_str(),
                  users.front().c_str());
    return StepResult::kKept;
  }
  std::vector<platform::PortInfo> ports;
  if (!context.machine.spooler().EnumPorts(&ports)) return StepResult::kFailed;
  bool ours = false;
  for (const platform::PortInfo& port : ports) ours = ours || (EqualsIgnoringCase(port.name, record.port) && EqualsIgnoringCase(port.monitor, record.own_monitor));
  if (!ours) return StepResult::kNothing;
  if (!context.machine.spooler().DeletePort(nullptr, record.port)) {
    UNINSTALL_LOG("DeletePort", "[ERROR] DeletePort - DeletePort %ws failed, Error=%d\n", record.port.c_str(), Code());
    return StepResult::kFailed;
  }
  return StepResult::kDone;
}

StepResult DeleteMonitorStep(UninstallContext& context) {
  const InstallationRecord& record = context.record;
  if (record.own_monitor.empty()) return StepResult::kNothing;
  std::vector<platform::PortInfo> ports;
  if (!context.machine.spooler().EnumPorts(&ports)) return StepResult::kFailed;
  for (const platform::PortInfo& port : ports) {
    if (EqualsIgnoringCase(port.monitor, record.own_monitor)) {
      UNINSTALL_LOG("DeleteMonitor", "[INFO] DeleteMonitor - %ws is kept: it serves the port %ws\n",
                    record.own_monitor.c_str(), port.name.c_str());
      return StepResult::kKept;
    }
  }
  if (context.machine.spooler().DeleteMonitor(record.own_monitor, platform::kEnvironmentX86)) return StepResult::kDone;
  const uint32_t code = platform::LastErrorCode();
  if (code == kUnknownPrintMonitor) return StepResult::kNothing;
  if (code == kPrintMonitorInUse) return StepResult::kKept;
  UNINSTALL_LOG("DeleteMonitor", "[ERROR] DeleteMonitor - DeleteMonitor %ws failed, Error=%d\n", record.own_monitor.c_str(),
                static_cast<int>(code));
  return StepResult::kFailed;
}
