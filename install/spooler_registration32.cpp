#include <cstdint>

#include "catalog/model_catalog.h"
#include "install/install_host.h"
#include "install/install_target.h"
#include "install/monitor_port.h"
#include "install/registration_common.h"
#include "install/spooler_registration.h"
#include "install/text_fit.h"
#include "log/log.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kFn = "InstallPrinterDriver32";
constexpr size_t kPathBufferBytes = 256;

std::string In(const std::string& folder, const std::string& file) { return folder + "\\" + file; }

// Returns 0, or the code of the first file the driver or the printer needs that was not placed.
uint32_t CopyDriverFiles(platform::Machine& machine, const std::string& folder, const std::string& driver_dir,
                         const DriverFileNames& names) {
  uint32_t failure = 0;
  std::string v3 = driver_dir + "\\3";
  PlaceFile(machine, kFn, In(folder, kImageDll), In(v3, kImageDll), FileNeed::kOptional, &failure);
  PlaceFile(machine, kFn, In(folder, kMonitorExe), In(v3, names.monitor_exe), FileNeed::kRequired, &failure);
  PlaceFile(machine, kFn, In(folder, kPopupExe), In(v3, names.popup_exe), FileNeed::kRequired, &failure);
  const std::pair<const char*, const std::string*> own[] = {
      {kUiDll, &names.config_dll}, {kRenderDll, &names.render_dll}, {kMonitorExe, &names.monitor_exe},
      {kPopupExe, &names.popup_exe}};
  for (const auto& [file, target] : own) {
    PlaceFile(machine, kFn, In(folder, file), In(driver_dir, *target), FileNeed::kRequired, &failure);
    machine.files().RemoveA(In(folder, file));  // the ".x64" variants stay
  }
  return failure;
}

void CopyMonitorDlls(platform::Machine& machine, const std::string& folder, const std::string& system_dir) {
  const std::pair<const char*, const char*> dlls[] = {{kPortMonitorDll, kSystemMonitorDll},
                                                      {kPortMonitorUiDll, kSystemMonitorUiDll}};
  for (const auto& [file, target] : dlls) {
    std::string from = In(folder, file);
    std::string to = In(system_dir, target);
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - Copying monitor DLL from %s to %s\n",
             from.c_str(), to.c_str());
    if (machine.files().CopyA(from, to, false)) {
      LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - CopyFile success: %s\n", to.c_str());
    } else {
      LogPrint(kLogUnitInstall, kFn, __LINE__,
               "[ERROR] InstallPrinterDriver32 - CopyFile failed, Error=%d, Src=%s, Dest=%s\n",
               static_cast<int>(platform::LastErrorCode()), from.c_str(), to.c_str());
    }
    machine.files().RemoveA(from);
  }
}

// For a USB port: the installer's own monitor and the port "<PrinterName>-Port:" on it. Each
// failure falls back to the port selected in the list, even when nothing is selected.
void RegisterOwnPort(platform::Machine& machine, InstallHost& host, const std::wstring& monitor_dll) {
  CopyToFieldAtBoundary(InstallTarget.PortName, kInstallTargetChars,
                        FitWithSuffix(InstallTarget.PrinterName, L"-Port:", kInstallTargetChars - 1));
  if (!AddPrinterMonitor(machine, monitor_dll)) {
    TakeSelectedPort(host);
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[INFO] InstallPrinterDriver32 - AddPrinterMonitor failed, User selected port: %ws\n", InstallTarget.PortName);
    return;
  }
  if (!AddPortW(machine)) {
    TakeSelectedPort(host);
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - AddPort failed, User selected port: %ws\n",
             InstallTarget.PortName);
  }
}

void LogDriverRecord(const platform::DriverInfo& driver) {
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - DRIVER_INFO_2:\n");
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO]   pName=%ws\n", driver.name.c_str());
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO]   pEnvironment=%ws\n", driver.environment.c_str());
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO]   pDriverPath=%ws\n", driver.driver_path.c_str());
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO]   pDataFile=%ws\n", driver.data_file.c_str());
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO]   pConfigFile=%ws\n", driver.config_file.c_str());
}

// What support staff need to read from AddPrinterDriverW's code; winerror.h's meaning of each.
const char* DriverErrorLine(uint32_t code) {
  switch (code) {
    case 2:
      return "[ERROR] InstallPrinterDriver32 - Error 2: The system cannot find the file specified.\n";
    case 5:
      return "[ERROR] InstallPrinterDriver32 - Error 5: Access is denied.\n";
    case 126:
      return "[ERROR] InstallPrinterDriver32 - Error 126: The specified module could not be found.\n";
    case 1795:
      return "[ERROR] InstallPrinterDriver32 - Error 1795: ERROR_PRINTER_DRIVER_ALREADY_INSTALLED\n";
    case 1796:
      return "[ERROR] InstallPrinterDriver32 - Error 1796: ERROR_UNKNOWN_PORT\n";
    case 1805:
      return "[ERROR] InstallPrinterDriver32 - Error 1805: ERROR_INVALID_ENVIRONMENT\n";
    default:
      return nullptr;
  }
}

bool Fail(uint32_t code) {
  platform::SetLastErrorCode(code);
  return false;
}

}  // namespace

bool InstallPrinterDriver32(platform::Machine& machine, InstallHost& host, const std::wstring& /*dir*/) {
  std::string driver_dir;
  if (!machine.spooler().DriverDirectoryA("", kPathBufferBytes, &driver_dir)) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFn, __LINE__, "GetPrinterDriverDirectory = %d\r\n", static_cast<int>(code));
    return Fail(code);
  }
  platform::CodePage& codepage = machine.codepage();
  DriverFileNames names = DriverFileNamesFor(machine, InstallTarget.PrinterName);
  std::string folder = codepage.ToAnsi(host.InstallFolderText());
  if (uint32_t code = CopyDriverFiles(machine, folder, driver_dir, names)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] InstallPrinterDriver32 - Driver files not placed, Error=%d\n",
             static_cast<int>(code));
    return Fail(code);
  }

  std::string system_dir;
  if (!machine.system().SystemDirectoryA(kPathBufferBytes, &system_dir)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[WARN] InstallPrinterDriver32 - GetSystemDirectoryA failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - System directory: %s\n", system_dir.c_str());
  std::string stem_ansi = codepage.ToAnsi(InstallTarget.FileStem);
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - Printer name (ANSI): %s\n", stem_ansi.c_str());
  if (!system_dir.empty()) CopyMonitorDlls(machine, folder, system_dir);

  std::string monitor_path = In(system_dir, kSystemMonitorDll);
  std::wstring monitor_dll = codepage.FromAnsi(kSystemMonitorDll);
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - Monitor DLL path: %s\n", monitor_path.c_str());
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - Monitor DLL name for AddMonitor: %ws\n",
           monitor_dll.c_str());

  if (host.UsbPortChosen()) RegisterOwnPort(machine, host, monitor_dll);
  if (!IsPortValid(machine, InstallTarget.PortName)) {
    TakeSelectedPort(host);
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - IsPortValid failed, User selected port: %ws\n",
             InstallTarget.PortName);
  }

  platform::DriverInfo driver = DriverRecordFor(machine, names, platform::kEnvironmentX86);
  LogDriverRecord(driver);
  if (!machine.spooler().AddPrinterDriver(driver)) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] InstallPrinterDriver32 - AddPrinterDriver failed, Error=%d\r\n",
             static_cast<int>(code));
    if (const char* line = DriverErrorLine(code)) LogPrint(kLogUnitInstall, kFn, __LINE__, "%s", line);
    return Fail(code);
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - AddPrinterDriver success\n");

  std::wstring name = FinalPrinterName(machine);
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - call AddPrinter\r\n");
  std::unique_ptr<platform::PrinterHandle> printer = machine.spooler().AddPrinter(PrinterRecordFor(name));
  if (!printer) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFn, __LINE__, "AddPrinter = %d\r\n", static_cast<int>(code));
    return Fail(code);
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver32 - AddPrinter success\r\n");
  KeepFinalPrinterName(name);
  SetPrinterDataValues(*printer, ChosenModel());
  LogPrint(kLogUnitInstall, kFn, __LINE__, "AddPrinter hPrinter = %x\r\n",
           static_cast<unsigned>(reinterpret_cast<uintptr_t>(printer->LogHandle())));
  return true;
}
