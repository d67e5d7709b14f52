#include "install/registration_common.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "catalog/model_catalog.h"
#include "install/install_host.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/printer_naming.h"
#include "install/text_fit.h"
#include "log/log.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "text/fixed_field.h"

namespace {
constexpr size_t kAnsiStemMaxBytes = 259;  // a 260-byte buffer with its terminator
constexpr uint32_t kGenFailure = 31;       // ERROR_GEN_FAILURE
}  // namespace

DriverFileNames DriverFileNamesFor(platform::Machine& machine, const std::wstring& printer_name) {
  DriverFileNames names;
  names.stem = AnsiPrefixFitting(machine.codepage(), printer_name, kAnsiStemMaxBytes);
  names.config_dll = names.stem + "UI.dll";
  names.render_dll = names.stem + "Drv.dll";
  names.monitor_exe = names.stem + "_" + kMonitorExe;
  names.popup_exe = names.stem + "_" + kPopupExe;
  names.data_file = names.stem + "GPC.pcd";
  return names;
}

platform::DriverInfo DriverRecordFor(platform::Machine& machine, const DriverFileNames& names,
                                     const wchar_t* environment) {
  platform::CodePage& codepage = machine.codepage();
  platform::DriverInfo driver;
  driver.version = 2;
  driver.name = InstallTarget.DriverName;
  driver.environment = environment;
  driver.driver_path = codepage.FromAnsi(names.render_dll);
  driver.data_file = codepage.FromAnsi(names.data_file);
  driver.config_file = codepage.FromAnsi(names.config_dll);
  return driver;
}

platform::PrinterInfo2 PrinterRecordFor(const std::wstring& printer_name) {
  platform::PrinterInfo2 printer;
  printer.printer_name = printer_name;
  printer.share_name = printer_name;
  printer.port_name = InstallTarget.PortName;
  printer.driver_name = InstallTarget.DriverName;
  printer.print_processor = L"WinPrint";
  printer.datatype = L"RAW";
  printer.attributes = platform::kPrinterAttributeDefault;
  return printer;
}

const ModelRecord& ChosenModel() {
  static const ModelRecord kNone = {};
  int index = InstallTarget.ModelIndex;
  if (index < 1 || index > kPrinterInfoCount) return kNone;
  return PrinterInfo[index - 1];
}

uint32_t LanguageId(int language) {
  if (language == kLanguageSimplified) return 0x0804;
  if (language == kLanguageTraditional) return 0x0404;
  return 0x0409;
}

void SetPrinterDataValues(platform::PrinterHandle& printer, const ModelRecord& model) {
  std::wstring device_path(InstallTarget.DevicePath, wcsnlen(InstallTarget.DevicePath, kInstallTargetChars));
  std::wstring vid_pid(model.VidAndPid, wcsnlen(model.VidAndPid, kModelNameChars));
  printer.SetData(L"DevicePath", platform::regtype::kSz, platform::RegValue::Sz(device_path).data);
  printer.SetData(L"VidAndPid", platform::regtype::kSz, platform::RegValue::Sz(vid_pid).data);
  printer.SetData(L"PrintWidth", platform::regtype::kDword,
                  platform::RegValue::Dword(static_cast<uint32_t>(model.PrinterWidth)).data);
  // The driver reads the language as a 32-bit number stored under the REG_SZ type.
  printer.SetData(L"Language", platform::regtype::kSz, platform::RegValue::Dword(LanguageId(AppLanguage())).data);
}

std::wstring FinalPrinterName(platform::Machine& machine) {
  std::vector<std::wstring> printers;
  bool listed = FindPrinter(machine, &printers);
  return ResolvePrinterNameInline(machine, InstallTarget.PrinterName, listed ? &printers : nullptr);
}

void KeepFinalPrinterName(const std::wstring& name) {
  CopyToFieldAtBoundary(InstallTarget.PrinterName, kInstallTargetChars, name);
}

void TakeSelectedPort(InstallHost& host) {
  CopyToFieldAtBoundary(InstallTarget.PortName, kInstallTargetChars, host.SelectedPortText());
}

void PlaceFile(platform::Machine& machine, const char* fn, const std::string& from, const std::string& to,
               FileNeed need, uint32_t* first_failure) {
  if (machine.files().CopyA(from, to, false)) return;
  const uint32_t code = platform::LastErrorCode();
  if (need == FileNeed::kOptional) {
    if (code == platform::err::kFileNotFound || code == platform::err::kPathNotFound) return;
    LogPrint(kLogUnitInstall, fn, __LINE__, "[WARN] %s - CopyFile failed, Error=%d, Src=%s, Dest=%s\n", fn,
             static_cast<int>(code), from.c_str(), to.c_str());
    return;
  }
  LogPrint(kLogUnitInstall, fn, __LINE__, "[ERROR] %s - CopyFile failed, Error=%d, Src=%s, Dest=%s\n", fn,
           static_cast<int>(code), from.c_str(), to.c_str());
  // A failure that left no code still fails the installation.
  if (*first_failure == 0) *first_failure = code != 0 ? code : kGenFailure;
}
