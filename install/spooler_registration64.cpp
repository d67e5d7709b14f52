#include "catalog/model_catalog.h"
#include "install/install_host.h"
#include "install/install_target.h"
#include "install/monitor_port.h"
#include "install/registration_common.h"
#include "install/spooler_registration.h"
#include "install/text_fit.h"
#include "log/log.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kFn = "InstallPrinterDriver64";
constexpr size_t kPathBufferBytes = 256;
constexpr int kBluetoothRetries = 3;
constexpr uint32_t kBluetoothRetryMs = 200;

std::string X64(const std::string& folder, const char* file) { return folder + "\\" + file + kX64Suffix; }
std::string In(const std::string& folder, const std::string& file) { return folder + "\\" + file; }

// Returns 0, or the code of the first file the driver or the printer needs that was not placed.
uint32_t CopyDriverFiles(platform::Machine& machine, const std::string& folder, const std::string& driver_dir,
                         const DriverFileNames& names) {
  platform::Files& files = machine.files();
  uint32_t failure = 0;
  std::string v3 = driver_dir + "\\3";
  PlaceFile(machine, kFn, X64(folder, kImageDll), In(v3, kImageDll), FileNeed::kOptional, &failure);
  PlaceFile(machine, kFn, X64(folder, kMonitorExe), In(v3, names.monitor_exe), FileNeed::kRequired, &failure);
  PlaceFile(machine, kFn, X64(folder, kPopupExe), In(v3, names.popup_exe), FileNeed::kRequired, &failure);
  const std::pair<const char*, const std::string*> own[] = {
      {kUiDll, &names.config_dll}, {kRenderDll, &names.render_dll}, {kMonitorExe, &names.monitor_exe},
      {kPopupExe, &names.popup_exe}};
  for (const auto& [file, target] : own) {
    PlaceFile(machine, kFn, X64(folder, file), In(driver_dir, *target), FileNeed::kRequired, &failure);
    // Both variants leave the install folder: the 32-bit files have no use on this machine.
    files.RemoveA(X64(folder, file));
    files.RemoveA(In(folder, file));
  }
  return failure;
}

// The monitor DLLs belong in the 64-bit system directory: redirection is off around the copies.
void CopyMonitorDlls(platform::Machine& machine, const std::string& folder) {
  platform::Files& files = machine.files();
  const platform::Wow64RedirectionOff redirection(files);
  if (!redirection.Off()) {
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[WARN] InstallPrinterDriver64 - Wow64DisableWow64FsRedirection failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  }
  std::string system_dir;
  if (!machine.system().SystemDirectoryA(kPathBufferBytes, &system_dir)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[WARN] InstallPrinterDriver64 - GetSystemDirectoryA failed, Error=%d, monitor DLLs not copied\n",
             static_cast<int>(platform::LastErrorCode()));
  } else {
    const std::pair<const char*, const char*> dlls[] = {{kPortMonitorDll, kSystemMonitorDll},
                                                        {kPortMonitorUiDll, kSystemMonitorUiDll}};
    for (const auto& [file, target] : dlls) {
      uint32_t ignored = 0;  // optional: the port monitor is the 32-bit path's
      PlaceFile(machine, kFn, X64(folder, file), In(system_dir, target), FileNeed::kOptional, &ignored);
      files.RemoveA(X64(folder, file));
    }
  }
}

void SettlePort(platform::Machine& machine, InstallHost& host) {
  const wchar_t* port = InstallTarget.PortName;
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - Checking if port is valid: %ws\n", port);
  if (IsPortValid(machine, port)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - Port is valid: %ws\n", port);
    return;
  }
  if (host.BluetoothChecked()) {
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[WARN] InstallPrinterDriver64 - Bluetooth virtual port %ws is not visible via EnumPorts yet, keep using it\n",
             port);
    if (machine.spooler().AddPortEx(L"Local Port", port)) {
      LogPrint(kLogUnitInstall, kFn, __LINE__,
               "[INFO] InstallPrinterDriver64 - Bluetooth port %ws registered via AddPortEx(Local Port)\n", port);
    } else {
      LogPrint(kLogUnitInstall, kFn, __LINE__,
               "[WARN] InstallPrinterDriver64 - AddPortEx(Local Port) failed for %ws, Error=%d\n", port,
               static_cast<int>(platform::LastErrorCode()));
    }
    // The spooler lists a new serial port a moment after it was made.
    for (int attempt = 1; attempt <= kBluetoothRetries; ++attempt) {
      machine.clock().Sleep(kBluetoothRetryMs);
      if (IsPortValid(machine, port)) {
        LogPrint(kLogUnitInstall, kFn, __LINE__,
                 "[INFO] InstallPrinterDriver64 - Bluetooth port became valid after retry %d\n", attempt);
        return;
      }
    }
    return;
  }
  std::wstring selected = host.SelectedPortText();
  if (!selected.empty()) {
    CopyToFieldAtBoundary(InstallTarget.PortName, kInstallTargetChars, selected);
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - IsPortValid failed, User selected port: %ws\n",
             InstallTarget.PortName);
  }
}

bool Fail(uint32_t code) {
  platform::SetLastErrorCode(code);
  return false;
}

}  // namespace

bool InstallPrinterDriver64(platform::Machine& machine, InstallHost& host, const std::wstring& dir) {
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[ENTRY] InstallPrinterDriver64 - pszDir=%ws\n", dir.c_str());
  // The spooler looks for an x64 driver's bare file names in the x64 driver directory; the
  // caller's own environment would give this 32-bit process the x86 one.
  std::string driver_dir;
  const std::string environment = machine.codepage().ToAnsi(platform::kEnvironmentX64);
  if (!machine.spooler().DriverDirectoryA(environment, kPathBufferBytes, &driver_dir)) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] InstallPrinterDriver64 - GetPrinterDriverDirectoryA failed, Error=%d\n",
             static_cast<int>(code));
    return Fail(code);
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - Driver directory: %s\n", driver_dir.c_str());

  DriverFileNames names = DriverFileNamesFor(machine, InstallTarget.PrinterName);
  std::string folder = machine.codepage().ToAnsi(host.InstallFolderText());
  if (uint32_t code = CopyDriverFiles(machine, folder, driver_dir, names)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] InstallPrinterDriver64 - Driver files not placed, Error=%d\n",
             static_cast<int>(code));
    return Fail(code);
  }
  CopyMonitorDlls(machine, folder);
  SettlePort(machine, host);

  if (!machine.spooler().AddPrinterDriver(DriverRecordFor(machine, names, platform::kEnvironmentX64))) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] InstallPrinterDriver64 - AddPrinterDriver failed, Error=%d\n",
             static_cast<int>(code));
    return Fail(code);
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - Printer driver added successfully\n");

  std::wstring name = FinalPrinterName(machine);
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - Adding printer: Name=%ws, Port=%ws, Driver=%ws\n",
           name.c_str(), InstallTarget.PortName, InstallTarget.DriverName);
  std::unique_ptr<platform::PrinterHandle> printer = machine.spooler().AddPrinter(PrinterRecordFor(name));
  if (!printer) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] InstallPrinterDriver64 - AddPrinter failed, Error=%d\n",
             static_cast<int>(code));
    return Fail(code);
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] InstallPrinterDriver64 - Printer added successfully, hPrinter=%p\n",
           printer->LogHandle());
  KeepFinalPrinterName(name);
  const ModelRecord& model = ChosenModel();
  SetPrinterDataValues(*printer, model);
  LogPrint(kLogUnitInstall, kFn, __LINE__,
           "[INFO] InstallPrinterDriver64 - Printer data set: DevicePath=%ws, VidAndPid=%ws, PrintWidth=%d\n",
           InstallTarget.DevicePath, model.VidAndPid, static_cast<int>(model.PrinterWidth));
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[EXIT] InstallPrinterDriver64 - Success, hPrinter=%p\n", printer->LogHandle());
  return true;
}
