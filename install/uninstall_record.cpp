#include "install/uninstall_record.h"

#include "install/install_target.h"
#include "install/registration_common.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "text/case_fold.h"

namespace {

constexpr int kMaxDepth = 16;
constexpr size_t kDriverDirBytes = 520;

uint64_t FolderBytes(platform::Files& files, const std::wstring& folder, int depth) {
  std::vector<platform::FolderEntry> entries;
  if (depth > kMaxDepth || !files.ListFolder(folder, &entries)) return 0;
  uint64_t bytes = 0;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.reparse_point) continue;
    bytes += entry.kind == platform::PathKind::kDirectory ? FolderBytes(files, folder + L"\\" + entry.name, depth + 1)
                                                          : entry.size;
  }
  return bytes;
}

// The monitor InstallTarget's port is listed on, when it is InstallTarget's own monitor.
std::wstring OwnMonitor(platform::Machine& machine) {
  std::vector<platform::PortInfo> ports;
  if (InstallTarget.MonitorName[0] == L'\0' || !machine.spooler().EnumPorts(&ports)) return std::wstring();
  for (const platform::PortInfo& port : ports) {
    if (FoldCase(port.name) == FoldCase(InstallTarget.PortName) && FoldCase(port.monitor) == FoldCase(InstallTarget.MonitorName)) {
      return InstallTarget.MonitorName;
    }
  }
  return std::wstring();
}

std::wstring Joined(const std::vector<std::wstring>& items) {
  std::wstring text;
  for (const std::wstring& item : items) text += (text.empty() ? L"" : L";") + item;
  return text;
}

std::vector<std::wstring> DriverFiles(platform::Machine& machine) {
  // The registration named the files after the printer name the install command chose: FileStem.
  const DriverFileNames names = DriverFileNamesFor(machine, InstallTarget.FileStem);
  std::vector<std::wstring> files;
  for (const std::string* name : {&names.config_dll, &names.render_dll, &names.monitor_exe, &names.popup_exe,
                                  &names.data_file}) {
    files.push_back(machine.codepage().FromAnsi(*name));
  }
  return files;
}

std::wstring Environment(platform::Machine& machine) {
  return machine.system().IsWow64() ? platform::kEnvironmentX64 : platform::kEnvironmentX86;
}

}  // namespace

std::vector<std::pair<const wchar_t*, std::wstring>> UninstallRecordValues(platform::Machine& machine) {
  const std::wstring environment = Environment(machine);
  return {{kEntryFileStem, InstallTarget.FileStem},
          {kEntryDriver, InstallTarget.DriverName},
          {kEntryEnvironments, environment},
          {kEntryPort, InstallTarget.PortName},
          {kEntryOwnMonitor, OwnMonitor(machine)},
          {kEntryDriverFiles, Joined(DriverFiles(machine))}};
}

uint32_t EstimatedSizeKb(platform::Machine& machine, const std::wstring& folder) {
  const std::vector<std::wstring> driver_files = DriverFiles(machine);
  const std::wstring environment = Environment(machine);
  uint64_t bytes = FolderBytes(machine.files(), folder, 0);
  std::wstring driver_dir;
  std::vector<platform::FolderEntry> entries;
  if (machine.spooler().DriverDirectoryW(environment, kDriverDirBytes, &driver_dir) &&
      machine.files().ListFolder(driver_dir, &entries)) {
    for (const platform::FolderEntry& entry : entries) {
      for (const std::wstring& file : driver_files) {
        if (entry.kind == platform::PathKind::kFile && FoldCase(entry.name) == FoldCase(file)) bytes += entry.size;
      }
    }
  }
  return static_cast<uint32_t>((bytes + 1023) / 1024);
}
