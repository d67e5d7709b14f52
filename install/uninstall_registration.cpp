#include "install/uninstall_registration.h"

#include <utility>
#include <vector>

#include "install/install_host.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/uninstall_record.h"
#include "log/log.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/services.h"

namespace {

constexpr const char* kFnUninstall = "WriteUninstallRegistration";
constexpr const char* kFnService = "InstallService";
constexpr const wchar_t* kServiceName = L"Mavrin Service";
constexpr const wchar_t* kUninstallRoot = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const wchar_t* kRunOnce = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr uint32_t kServiceWin32OwnProcess = 0x10;
constexpr uint32_t kServiceInteractiveProcess = 0x100;
constexpr uint32_t kServiceAutoStart = 2;
constexpr uint32_t kServiceErrorNormal = 1;

using Values = std::vector<std::pair<const wchar_t*, std::wstring>>;

// Each value on its own: a failed one is logged and the next is written.
void WriteValues(platform::Registry& registry, const std::wstring& key, platform::RegView view, const Values& values) {
  for (const auto& [name, data] : values) {
    if (!registry.SetValue(platform::Hive::kLocalMachine, key, name, view, platform::RegValue::Sz(data))) {
      LogPrint(kLogUnitInstall, kFnUninstall, __LINE__,
               "[ERROR] WriteUninstallRegistration - Failed to write %ws under %ws, Error=%d\n", name, key.c_str(),
               static_cast<int>(platform::LastErrorCode()));
    }
  }
}

// What the uninstaller needs besides the standard values: its silent command, no Modify or
// Repair buttons, the size, and what this installation created.
void WriteUninstallerValues(platform::Machine& machine, const std::wstring& entry, const std::wstring& folder,
                            const std::wstring& quoted_uninstaller) {
  platform::Registry& registry = machine.registry();
  Values values = {{L"QuietUninstallString", quoted_uninstaller + L" /quiet"}};
  for (const auto& value : UninstallRecordValues(machine)) values.push_back(value);
  WriteValues(registry, entry, platform::RegView::kDefault, values);
  const std::pair<const wchar_t*, uint32_t> numbers[] = {
      {L"NoModify", 1}, {L"NoRepair", 1}, {L"EstimatedSize", EstimatedSizeKb(machine, folder)}};
  for (const auto& [name, number] : numbers) {
    if (!registry.SetValue(platform::Hive::kLocalMachine, entry, name, platform::RegView::kDefault,
                           platform::RegValue::Dword(number))) {
      LogPrint(kLogUnitInstall, kFnUninstall, __LINE__,
               "[ERROR] WriteUninstallRegistration - Failed to write %ws under %ws, Error=%d\n", name, entry.c_str(),
               static_cast<int>(platform::LastErrorCode()));
    }
  }
}

// A program path Windows runs is quoted: unquoted, "C:\Program Files (x86)\..." is first tried
// as C:\Program.exe, which anyone able to write to C:\ could plant.
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

void WriteUninstallRegistration(platform::Machine& machine, InstallHost& host, const std::wstring& start_menu_dir,
                                const std::wstring& uninstaller) {
  platform::Registry& registry = machine.registry();
  const std::wstring product_key = std::wstring(L"SOFTWARE\\") + InstallTarget.FileStem;
  if (!registry.CreateKey(platform::Hive::kLocalMachine, product_key, platform::RegView::k64)) {
    LogPrint(kLogUnitInstall, kFnUninstall, __LINE__,
             "[ERROR] WriteUninstallRegistration - Failed to create product key %ws, Error=%d\n", product_key.c_str(),
             static_cast<int>(platform::LastErrorCode()));
    return;
  }
  const std::wstring folder = host.InstallFolderText();
  WriteValues(registry, product_key, platform::RegView::k64,
              {{L"Data Directory", host.ChosenFolderText()},
               {L"Program Directory", folder},
               {L"Language", AppLanguage() == kLanguageSimplified ? L"Chinese" : L"English"},
               {L"PrinterName", InstallTarget.PrinterName},
               {L"StartMenuDir", start_menu_dir},
               {L"Uninstaller", uninstaller},
               {L"PrinterDriver", InstallTarget.DriverName},
               {L"MonitorName", InstallTarget.MonitorName},
               {L"PortName", InstallTarget.PortName}});

  const std::wstring ini = folder + L"\\Uninstall.ini";
  const std::pair<const wchar_t*, std::wstring> settings[] = {{L"PrinterName", InstallTarget.FileStem},
                                                              {L"ServiceName", kServiceName}};
  for (const auto& [key, value] : settings) {
    if (!machine.files().WriteProfileString(ini, L"Print Settings", key, value)) {
      LogPrint(kLogUnitInstall, kFnUninstall, __LINE__,
               "[ERROR] WriteUninstallRegistration - Failed to write %ws to %ws, Error=%d\n", key, ini.c_str(),
               static_cast<int>(platform::LastErrorCode()));
    }
  }

  const std::wstring entry = kUninstallRoot + std::wstring(InstallTarget.PrinterName);
  if (registry.CreateKey(platform::Hive::kLocalMachine, entry, platform::RegView::kDefault)) {
    const std::wstring uninstaller_path = folder + L"\\Uninstaller.exe";
    WriteValues(registry, entry, platform::RegView::kDefault,
                {{L"DisplayIcon", uninstaller_path},
                 {L"DisplayName", InstallTarget.PrinterName},
                 {L"DisplayVersion", L"1.2.1"},
                 {L"InstallLocation", folder},
                 {L"Publisher", L"Tavro"},
                 {L"UninstallString", Quoted(uninstaller_path)},
                 {L"VersionMajor", L"1"},
                 {L"VersionMinor", L"2"}});
    WriteUninstallerValues(machine, entry, folder, Quoted(uninstaller_path));
  } else {
    LogPrint(kLogUnitInstall, kFnUninstall, __LINE__,
             "[ERROR] WriteUninstallRegistration - Failed to create uninstall entry %ws, Error=%d\n", entry.c_str(),
             static_cast<int>(platform::LastErrorCode()));
  }

  if (!registry.DeleteValue(platform::Hive::kLocalMachine, kRunOnce, L"NorlUninstaller", platform::RegView::kDefault) &&
      platform::LastErrorCode() != platform::err::kFileNotFound) {
    LogPrint(kLogUnitInstall, kFnUninstall, __LINE__,
             "[ERROR] WriteUninstallRegistration - Failed to delete RunOnce NorlUninstaller, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  }
}

void InstallService(platform::Machine& machine, InstallHost& host) {
  std::unique_ptr<platform::ServiceManager> manager = machine.services().OpenManager();
  if (!manager) {
    LogPrint(kLogUnitInstall, kFnService, __LINE__, "[ERROR] InstallService - OpenSCManager failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
    return;
  }
  platform::ServiceConfig config;
  config.name = kServiceName;
  config.display_name = kServiceName;
  config.service_type = kServiceWin32OwnProcess | kServiceInteractiveProcess;
  config.start_type = kServiceAutoStart;
  config.error_control = kServiceErrorNormal;
  config.binary_path = Quoted(host.InstallFolderText() + L"\\TavroPrinterService.exe");
  std::unique_ptr<platform::Service> service = manager->Create(config);
  if (!service) {
    // An earlier installation's service stays as it is.
    LogPrint(kLogUnitInstall, kFnService, __LINE__, "[WARN] InstallService - CreateService failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
    return;
  }
  if (!service->SetDescription(L"Mavrin Printer Monitor")) {
    LogPrint(kLogUnitInstall, kFnService, __LINE__, "[WARN] InstallService - ChangeServiceConfig2 failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  }
  if (!service->Start()) {
    LogPrint(kLogUnitInstall, kFnService, __LINE__, "[WARN] InstallService - StartService failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  }
}
