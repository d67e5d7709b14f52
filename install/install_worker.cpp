#include "install/install_worker.h"

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/gpc_file.h"
#include "install/install_host.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/registration_common.h"
#include "install/spooler_registration.h"
#include "install/text_fit.h"
#include "install/uninstall_registration.h"
#include "log/log.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kFnThread = "RetractFileThread";
constexpr const char* kFnInstall = "InstallPrinterDriver";
constexpr size_t kDriverDirBufferBytes = 256;
constexpr uint32_t kGenFailure = 31;  // ERROR_GEN_FAILURE: a failure that left no code
constexpr const wchar_t* kDefaultMonitorName = L"USB Printer Monitor";

// The GPC file is the driver's data file: without it the driver would be registered with
// whatever file of that name lies there. False with the code when it cannot be written whole.
bool WriteGpc(platform::Machine& machine, const std::wstring& driver_dir) {
  const ModelRecord& model = ChosenModel();
  std::wstring path = driver_dir + L"\\" + InstallTarget.FileStem + L"GPC.pcd";
  std::unique_ptr<platform::File> file = machine.files().OpenW(path, "wb");
  if (!file) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFnInstall, __LINE__, "[ERROR] InstallPrinterDriver - Cannot create GPC file %ws, Error=%d\n",
             path.c_str(), static_cast<int>(code));
    platform::SetLastErrorCode(code);
    return false;
  }
  if (model.IsSupperMultiColor == 1) {
    LogPrint(kLogUnitInstall, kFnInstall, __LINE__,
             "[INFO] InstallPrinterDriver - Color printing enabled (IsSupperMultiColor=%d, nIsOpenMultiColor=%d)\n",
             model.IsSupperMultiColor, model.IsOpenMultiColor);
  } else {
    LogPrint(kLogUnitInstall, kFnInstall, __LINE__,
             "[INFO] InstallPrinterDriver - Black/White printing only (IsSupperMultiColor=%d, nIsOpenMultiColor=%d)\n",
             model.IsSupperMultiColor, model.IsOpenMultiColor);
  }
  std::vector<uint8_t> bytes = BuildGpcBytes(GpcInputFor(machine.codepage(), model, PaperTable));
  if (file->Write(bytes.data(), bytes.size()) != bytes.size() || file->HasError()) {
    uint32_t code = platform::LastErrorCode();
    if (code == 0) code = kGenFailure;
    LogPrint(kLogUnitInstall, kFnInstall, __LINE__, "[ERROR] InstallPrinterDriver - Cannot write GPC file %ws, Error=%d\n",
             path.c_str(), static_cast<int>(code));
    platform::SetLastErrorCode(code);
    return false;
  }
  return true;
}

// The monitor's name comes from the installer texts when the install command left it empty.
void FillMonitorName() {
  if (InstallTarget.MonitorName[0] != L'\0') return;
  const std::wstring& monitor = Monitor.empty() ? std::wstring(kDefaultMonitorName) : Monitor;
  CopyToFieldAtBoundary(InstallTarget.MonitorName, kInstallTargetChars, monitor);
}

const wchar_t* StatusText() {
  return TextFor(AppLanguage(), L"Installing Printer Driver, Please wait...",
                 L"\u6b63\u5728\u5b89\u88c5\u6253\u5370\u673a\u9a71\u52a8\uff0c\u8bf7\u7a0d\u5019...",   // 正在安装打印机驱动，请稍候...
                 L"\u6b63\u5728\u5b89\u88dd\u6253\u5370\u6a5f\u9a45\u52d5\uff0c\u8acb\u7a0d\u5019...");  // 正在安裝打印機驅動，請稍候...
}

}  // namespace

bool IsWow64(platform::Machine& machine) { return machine.system().IsWow64(); }

bool InstallPrinterDriver(platform::Machine& machine, InstallHost& host, const std::wstring& dir) {
  // The GPC file lies beside the driver files, in the directory of the environment the driver
  // is registered for: "Windows x64" under WOW64, else this process's own.
  const std::wstring environment = IsWow64(machine) ? platform::kEnvironmentX64 : L"";
  std::wstring driver_dir;
  if (!machine.spooler().DriverDirectoryW(environment, kDriverDirBufferBytes, &driver_dir)) {
    uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstall, kFnInstall, __LINE__,
             "[ERROR] InstallPrinterDriver - GetPrinterDriverDirectoryW failed, Error=%d\n", static_cast<int>(code));
    platform::SetLastErrorCode(code);
    return false;
  }
  if (!WriteGpc(machine, driver_dir)) return false;
  CopyToFieldAtBoundary(InstallTarget.DriverName, kInstallTargetChars,
                        FitWithSuffix(InstallTarget.PrinterName, L" Driver", kInstallTargetChars - 1));
  FillMonitorName();

  bool ok = IsWow64(machine) ? InstallPrinterDriver64(machine, host, dir) : InstallPrinterDriver32(machine, host, dir);
  uint32_t code = platform::LastErrorCode();
  bool set_default = host.SetDefaultChecked();
  host.KeepSetDefault(set_default);
  if (set_default && ok && !machine.spooler().SetDefaultPrinter(InstallTarget.PrinterName)) {
    LogPrint(kLogUnitInstall, kFnInstall, __LINE__, "[WARN] InstallPrinterDriver - SetDefaultPrinter failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  }
  // Reading the check box goes through the dialog's thread and may leave its own code.
  platform::SetLastErrorCode(code);
  return ok;
}

uint32_t RetractFileThread(platform::Machine& machine, InstallHost& host) {
  LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[ENTRY] RetractFileThread - lpVoid=%p\n", static_cast<void*>(&host));
  std::wstring folder = host.InstallFolderText();
  LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[INFO] RetractFileThread - Install folder: %ws\n", folder.c_str());
  if (host.HasPayloadInMemory()) {
    LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[INFO] RetractFileThread - Loading files from embedded data\n");
  } else {
    LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[INFO] RetractFileThread - Retracting files from executable\n");
  }
  // An entry that could not be written leaves the driver without a file it needs.
  if (int code = host.ExtractPayload()) {
    LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[ERROR] RetractFileThread - Payload extraction failed, Error=%d\n",
             code);
    host.PostInstallFinished(false, static_cast<uint32_t>(code));
    return 0;
  }
  machine.files().Remove(folder + L"\\InstallConfig.txt");
  machine.files().Remove(folder + L"\\logo.bmp");
  host.SetStatusText(StatusText());

  LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[INFO] RetractFileThread - Starting printer driver installation\n");
  if (!InstallPrinterDriver(machine, host, folder)) {
    uint32_t code = platform::LastErrorCode();
    if (code == 0) code = kGenFailure;
    LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=%d\n",
             static_cast<int>(code));
    host.PostInstallFinished(false, code);
    return 0;
  }
  LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[INFO] RetractFileThread - Printer driver installed successfully\n");
  WriteUninstallRegistration(machine, host, std::wstring(), std::wstring());
  InstallService(machine, host);
  LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[INFO] RetractFileThread - Service installed\n");
  host.PostInstallFinished(true, 0);
  LogPrint(kLogUnitInstall, kFnThread, __LINE__, "[EXIT] RetractFileThread - Success\n");
  return 0;
}
