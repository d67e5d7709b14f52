// The registry's and the service manager's part of a removal: the Bluetooth port record, the
// service all installations share (only with the last one), the product key when it is still
// this installation's, and the uninstall entry.
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "uninstall/installation_record.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstall_steps.h"

namespace {

constexpr const wchar_t* kBluetoothPortsKey = L"SOFTWARE\\TavroPrint\\BluetoothPorts";
constexpr uint32_t kServiceDoesNotExist = 1060;
constexpr uint32_t kServiceMarkedForDelete = 1072;
constexpr uint32_t kServiceStopWaitMs = 10000;
constexpr platform::Hive kHklm = platform::Hive::kLocalMachine;

int Code() { return static_cast<int>(platform::LastErrorCode()); }

bool Missing() {
  const uint32_t code = platform::LastErrorCode();
  return code == platform::err::kFileNotFound || code == platform::err::kPathNotFound;
}

// Deletes a key with everything below it.
StepResult DeleteKey(platform::Machine& machine, const char* fn, const std::wstring& key, platform::RegView view) {
  if (!machine.registry().KeyExists(kHklm, key, view)) return StepResult::kNothing;
  if (machine.registry().DeleteTree(kHklm, key, view)) return StepResult::kDone;
  UNINSTALL_LOG(fn, "[ERROR] %s - Cannot delete %ws, Error=%d\n", fn, key.c_str(), Code());
  return StepResult::kFailed;
}

constexpr const wchar_t* kServiceProgram = L"TavroPrinterService.exe";

// Whether the service's command line runs a program in `folder` (quoted or not, letter case
// ignored).
bool RunsFrom(const std::wstring& command_line, const std::wstring& folder) {
  std::wstring path = command_line;
  if (!path.empty() && path.front() == L'"') path = path.substr(1, path.find(L'"', 1) - 1);
  std::wstring prefix = folder;
  if (prefix.empty()) return false;
  if (prefix.back() != L'\\') prefix += L'\\';
  return path.size() > prefix.size() && SameFolder(path.substr(0, prefix.size() - 1), folder);
}

// Another installation's copy of the service program, or empty when none is left on disk.
std::wstring OtherServiceProgram(UninstallContext& context) {
  for (const std::wstring& folder : context.record.other_folders) {
    if (folder.empty() || folder.find(L'"') != std::wstring::npos) continue;
    const std::wstring program = folder + L"\\" + kServiceProgram;
    if (context.machine.files().StatW(program) == platform::PathKind::kFile) return program;
  }
  return std::wstring();
}

// The service stays for the other installations, but it must not keep running from a folder that
// goes now: it is stopped, pointed at another installation's copy and started again there.
StepResult HandOverService(UninstallContext& context) {
  platform::Services& services = context.machine.services();
  std::wstring command_line;
  if (!services.BinaryPath(kServiceName, &command_line)) {
    if (platform::LastErrorCode() == kServiceDoesNotExist) return StepResult::kNothing;
    UNINSTALL_LOG("DeleteService", "[ERROR] DeleteService - Reading the program of %ws failed, Error=%d\n",
                  kServiceName, Code());
    return StepResult::kFailed;
  }
  if (!RunsFrom(command_line, context.record.folder)) return StepResult::kKept;
  const std::wstring program = OtherServiceProgram(context);
  if (program.empty()) {
    UNINSTALL_LOG("DeleteService", "[WARN] DeleteService - No other installation has %ws: %ws keeps %ws\n",
                  kServiceProgram, kServiceName, command_line.c_str());
    return StepResult::kKept;
  }
  if (!services.StopService(kServiceName, kServiceStopWaitMs)) {
    UNINSTALL_LOG("DeleteService", "[ERROR] DeleteService - Stopping %ws failed, Error=%d\n", kServiceName, Code());
    return StepResult::kFailed;
  }
  if (!services.SetBinaryPath(kServiceName, L"\"" + program + L"\"")) {
    UNINSTALL_LOG("DeleteService", "[ERROR] DeleteService - Moving %ws to %ws failed, Error=%d\n", kServiceName,
                  program.c_str(), Code());
    return StepResult::kFailed;
  }
  UNINSTALL_LOG("DeleteService", "[INFO] DeleteService - %ws now runs %ws\n", kServiceName, program.c_str());
  if (!services.StartByName(kServiceName)) {
    UNINSTALL_LOG("DeleteService", "[WARN] DeleteService - Starting %ws again failed, Error=%d; it starts with Windows\n",
                  kServiceName, Code());
  }
  return StepResult::kKept;
}

}  // namespace

StepResult DeleteBluetoothRecordStep(UninstallContext& context) {
  const std::wstring& port = context.record.port;
  platform::RegValue value;
  if (port.empty() || !context.machine.registry().QueryValue(kHklm, kBluetoothPortsKey, port, platform::RegView::k64, &value)) {
    return StepResult::kNothing;
  }
  std::vector<std::wstring> users;
  if (!PrintersUsing(context.machine, port, L"", &users)) return StepResult::kFailed;
  if (!users.empty()) {
    UNINSTALL_LOG("DeleteBluetoothRecord", "[INFO] DeleteBluetoothRecord - %ws is kept: the printer %ws uses it\n",
                  port.c_str(), users.front().c_str());
    return StepResult::kKept;
  }
  if (context.machine.registry().DeleteValue(kHklm, kBluetoothPortsKey, port, platform::RegView::k64)) return StepResult::kDone;
  if (Missing()) return StepResult::kNothing;
  UNINSTALL_LOG("DeleteBluetoothRecord", "[ERROR] DeleteBluetoothRecord - Cannot delete %ws, Error=%d\n", port.c_str(), Code());
  return StepResult::kFailed;
}

StepResult DeleteServiceStep(UninstallContext& context) {
  if (context.record.other_installations > 0) {
    UNINSTALL_LOG("DeleteService", "[INFO] DeleteService - %ws is kept for %d other installation(s)\n", kServiceName,
                  context.record.other_installations);
    return HandOverService(context);
  }
  platform::Services& services = context.machine.services();
  if (!services.StopService(kServiceName, kServiceStopWaitMs)) {
    if (platform::LastErrorCode() == kServiceDoesNotExist) return StepResult::kNothing;
    // A service that will not stop is still marked: it goes when it ends.
    UNINSTALL_LOG("DeleteService", "[ERROR] DeleteService - Stopping %ws failed, Error=%d\n", kServiceName, Code());
  }
  if (services.DeleteService(kServiceName)) return StepResult::kDone;
  const uint32_t code = platform::LastErrorCode();
  if (code == kServiceDoesNotExist || code == kServiceMarkedForDelete) return StepResult::kDone;
  UNINSTALL_LOG("DeleteService", "[ERROR] DeleteService - DeleteService %ws failed, Error=%d\n", kServiceName,
                static_cast<int>(code));
  return StepResult::kFailed;
}

StepResult DeleteProductKeyStep(UninstallContext& context) {
  const InstallationRecord& record = context.record;
  if (record.file_stem.empty()) return StepResult::kFailed;  // refused when read, logged there
  const std::wstring key = L"SOFTWARE\\" + record.file_stem;
  platform::RegValue printer;
  if (!context.machine.registry().QueryValue(kHklm, key, L"PrinterName", platform::RegView::k64, &printer)) {
    return StepResult::kNothing;
  }
  if (printer.AsString() != record.printer) {
    // A later installation of the same model wrote the key again: it is that one's now.
    UNINSTALL_LOG("DeleteProductKey", "[INFO] DeleteProductKey - %ws is kept: it names the printer %ws\n", key.c_str(),
                  printer.AsString().c_str());
    return StepResult::kKept;
  }
  return DeleteKey(context.machine, "DeleteProductKey", key, platform::RegView::k64);
}

StepResult DeleteUninstallEntryStep(UninstallContext& context) {
  return DeleteKey(context.machine, "DeleteUninstallEntry", context.record.entry_key, platform::RegView::kDefault);
}
