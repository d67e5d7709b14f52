// The main dialog's install command (Install: checks, names, the install folder, the worker), its
// completion handler, and what the installation worker reads of the dialog and reports to it.
#include <system_error>
#include <thread>

#include "catalog/install_name.h"
#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/install_worker.h"
#include "install/printer_naming.h"
#include "install/printer_settings.h"
#include "log/log.h"
#include "payload/create_folder_path.h"
#include "platform/clock.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "ports/serial_settings.h"
#include "text/fixed_field.h"
#include "ui/install_dlg.h"
#include "ui/serial_port_config_dlg.h"

namespace wnd = platform::wnd;

namespace {

constexpr uint32_t kNotEnoughMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY: no room for another thread
// A full message queue empties as the dialog's thread works through it: the completion is posted
// again for this long before the worker gives up.
constexpr int kPostAttempts = 50;
constexpr uint32_t kPostRetryMs = 100;
// A spooler that is starting is given this long to run.
constexpr int kSpoolerStartChecks = 10;
constexpr uint32_t kSpoolerStartCheckMs = 300;

// The LPT list shows names as the spooler enumerates them, colon included: one colon, never two.
std::wstring WithOneColon(std::wstring port) {
  while (!port.empty() && port.back() == L':') port.pop_back();
  return port + L":";
}

}  // namespace

bool CInstallDlg::SpoolerRunning(const char* fn) {
  platform::Services& services = machine_.services();
  uint32_t state = 0;
  bool known = services.QueryState(L"Spooler", &state);
  for (int check = 0; known && state == platform::servicestate::kStartPending && check < kSpoolerStartChecks;
       ++check) {
    machine_.clock().Sleep(kSpoolerStartCheckMs);
    known = services.QueryState(L"Spooler", &state);
  }
  if (known && state == platform::servicestate::kRunning) return true;
  if (known) {
    LogPrint(kLogUnitInstallDlg, fn, __LINE__, "[ERROR] %s - Print Spooler service is not running, State=%d\n", fn,
             static_cast<int>(state));
  } else {
    LogPrint(kLogUnitInstallDlg, fn, __LINE__, "[ERROR] %s - Print Spooler service state unknown, Error=%d\n", fn,
             static_cast<int>(platform::LastErrorCode()));
  }
  Refuse(L"The Print Spooler service is not running, so no printer can be installed.\r\n"
         L"Start it in Services (services.msc) and run the installation again.",
         L"打印后台处理程序服务（Print Spooler）未运行，无法安装打印机。\r\n"
         L"请在“服务”(services.msc)中启动该服务，然后重新安装。",
         L"列印多工緩衝處理器服務（Print Spooler）未執行，無法安裝印表機。\r\n"
         L"請在「服務」(services.msc)中啟動該服務，然後重新安裝。");
  return false;
}

bool CInstallDlg::IgnoredWhileInstalling(const char* fn) {
  if (!m_bInstalling.load()) return false;
  LogPrint(kLogUnitInstallDlg, fn, __LINE__, "[INFO] %s - Installation in progress, ignored\n", fn);
  return true;
}

void CInstallDlg::Refuse(const wchar_t* english, const wchar_t* simplified, const wchar_t* traditional) {
  const int language = AppLanguage();
  machine_.windows().ShowMessageBox(
      TextFor(language, english, simplified, traditional),
      TextFor(language, L"Printer Driver Installation", L"打印机驱动安装", L"打印機驅動安裝"),
      wnd::kMbOk | wnd::kMbIconError);
}

void CInstallDlg::OnOK() {
  constexpr const char* kFn = "CInstallDlg::OnOK";
  if (!SpoolerRunning(kFn)) return;
  const int port_type = PortType();
  const std::wstring port = SelectedPortText();
  if (port.empty()) {
    Refuse(L"Please select a port", L"请先选择一个端口", L"請先選擇一個端口");
    return;
  }
  const int model_index = C().ComboGetCurSel(IDC_MODEL_COMBO);
  if (model_index < 1) {
    Refuse(L"Please Select a Printer Driver", L"您没有选择打印机型号，请先选择打印机型号",
           L"您沒有選擇打印機型號，請先選擇打印機型號");
    return;
  }
  if (RefuseUnsafeNames(C().ComboItemText(IDC_MODEL_COMBO, model_index))) return;
  InstallTarget.ModelIndex = model_index;
  switch (port_type) {
    case kPortTypeUsb:
      CopyToField(InstallTarget.PortName, kInstallTargetChars, port);
      m_wizard.m_nUsbPort = 1;
      break;
    case kPortTypeSerial:
      m_wizard.m_nUsbPort = 0;
      break;
    case kPortTypeLpt:
      CopyToField(InstallTarget.PortName, kInstallTargetChars, WithOneColon(port));
      m_wizard.m_nUsbPort = 0;
      break;
    case kPortTypeNetwork:
      CopyToField(InstallTarget.PortName, kInstallTargetChars, port);
      m_wizard.m_nUsbPort = 0;
      break;
    case kPortTypeBluetooth:
      if (!PrepareBluetoothPort()) return;
      m_wizard.m_nUsbPort = 0;
      break;
    default:
      Refuse(L"Please select a port type", L"请先选择端口类型", L"請先選擇端口類型");
      return;
  }
  CopyToField(InstallTarget.PrinterName, kInstallTargetChars, C().ComboItemText(IDC_MODEL_COMBO, model_index));

  std::wstring local_app_data;
  std::wstring base;
  if (machine_.shell().SpecialFolder(platform::csidl::kLocalAppData, &local_app_data)) {
    base = local_app_data + L"\\Temp";
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "当前用户的Local AppData目录是：%ws\n", local_app_data.c_str());
  } else {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "获取路径失败。\n");
  }
  // Record ModelIndex - 1 of the catalog; the combo box holds no more entries than the catalog.
  const ModelRecord& model = PrinterInfo[(model_index - 1) % kPrinterInfoCount];
  std::wstring paper_file = base + L"\\TavroPrint\\Config\\" +
                            std::wstring(model.Paper, FieldLength(model.Paper, kModelPaperChars));
  if (ParsePaperConfig(machine_, paper_file, 0, PayloadConfigReader(local_app_data)) == 0) {
    // Without papers the driver would offer none: say so instead of doing nothing.
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[ERROR] CInstallDlg::OnOK - No paper loaded from %ws\n",
             paper_file.c_str());
    const int language = AppLanguage();
    std::wstring text = TextFor(language, L"The paper sizes of this model could not be read from:\r\n",
                                L"无法读取该型号的纸张配置文件：\r\n", L"無法讀取該型號的紙張配置文件：\r\n");
    machine_.windows().ShowMessageBox(
        text + paper_file,
        TextFor(language, L"Printer Driver Installation", L"打印机驱动安装", L"打印機驅動安裝"),
        wnd::kMbOk | wnd::kMbIconError);
    return;
  }
  m_wizard.SetPage(2);
  StartInstallation();
}

bool CInstallDlg::RefuseUnsafeNames(const std::wstring& model) {
  // The model name becomes the printer, driver, GPC file and install folder names, FolderName
  // a folder under Program Files: neither may leave its folder or change on the way to ANSI.
  auto refused = [this](const char* what, const std::wstring& n) {
    const NameProblem problem = CheckInstallName(machine_.codepage(), n);
    if (problem == NameProblem::kNone) return false;
    LogPrint(kLogUnitInstallDlg, "CInstallDlg::OnOK", __LINE__, "[ERROR] CInstallDlg::OnOK - %s %ws refused: %s\n",
             what, n.c_str(), NameProblemText(problem));
    Refuse((L"The name \"" + n +
            L"\" cannot be used for the printer or its folder: it must not hold \\ / : .. or control "
            L"characters, must not be a device name such as CON or NUL, and each of its characters must "
            L"exist in the system's code page.").c_str(),
           (L"名称“" + n + L"”不能用作打印机或其文件夹的名称：不能包含 \\ / : .. 或控制字符，不能是 CON、NUL "
                           L"等设备名，且每个字符都必须存在于系统代码页中。").c_str(),
           (L"名稱「" + n + L"」不能用作打印機或其文件夾的名稱：不能包含 \\ / : .. 或控制字符，不能是 CON、NUL "
                           L"等設備名，且每個字符都必須存在於系統代碼頁中。").c_str());
    return true;
  };
  return refused("Model name", model) || (!FolderName.empty() && refused("FolderName", FolderName));
}

void CInstallDlg::StartInstallation() {
  const int port_type = PortType();
  const int language = AppLanguage();
  if (port_type == kPortTypeSerial && m_pPreset != nullptr && m_pPreset->serial.given) {
    // The command line gave the settings: no dialog asks for them.
    const SerialPreset& s = m_pPreset->serial;
    CopyToField(InstallTarget.PortName, kInstallTargetChars, WithOneColon(SelectedPortText()));
    SetCommPort(machine_.registry(), InstallTarget.PortName, s.baud_rate, s.data_bits, s.parity, s.stop_bits,
                s.flow_control);
    m_wizard.m_nUsbPort = 0;
  } else if (port_type == kPortTypeSerial) {
    CSerialPortConfigDlg serial(SelectedPortText());
    serial.m_strTitle = (language == kLanguageSimplified || language == kLanguageTraditional
                             ? L"串口配置 - "
                             : L"Serial Port Config - ") +
                        serial.m_strPortName;
    if (serial.DoModal(machine_.windows(), controls_.load()) != wnd::kIdOk) return;
    CopyToField(InstallTarget.PortName, kInstallTargetChars, serial.m_strPortName + L":");
    SetCommPort(machine_.registry(), InstallTarget.PortName, serial.m_nBaudRate, serial.m_nDataBits,
                serial.m_nParity, serial.m_nStopBits, serial.m_nFlowControl);
    m_wizard.m_nUsbPort = 0;
  } else if (port_type == kPortTypeLpt) {
    CopyToField(InstallTarget.PortName, kInstallTargetChars, WithOneColon(SelectedPortText()));
    m_wizard.m_nUsbPort = 0;
  } else if (port_type == kPortTypeUsb) {
    m_wizard.m_nUsbPort = 1;
  }
  const int model_index = InstallTarget.ModelIndex;
  CopyToField(InstallTarget.PrinterName, kInstallTargetChars, C().ComboItemText(IDC_MODEL_COMBO, model_index));

  m_wizard.SetPage(3);
  m_wizard.SetPage(0);
  C().ShowControl(IDC_PROGRESS, true);
  C().RedrawControl(IDC_PROGRESS);
  for (int id : {IDC_INSTALL_CANCEL, wnd::kIdOk, IDC_RADIO_USB, IDC_RADIO_SERIAL, IDC_RADIO_LPT, IDC_PORT_LIST}) {
    C().EnableControl(id, false);
  }
  C().RedrawControl(IDC_WIZARD_PANEL);
  C().ShowControl(IDC_SET_DEFAULT, false);

  int selected = C().ComboGetCurSel(IDC_MODEL_COMBO);
  std::wstring name = selected > 0 ? C().ComboItemText(IDC_MODEL_COMBO, selected) : std::wstring();
  GetPrinterName(machine_, name, InstallTarget.PrinterName);
  std::wstring printer(InstallTarget.PrinterName, FieldLength(InstallTarget.PrinterName, kInstallTargetChars));
  CopyToField(InstallTarget.FileStem, kInstallTargetChars, printer);
  CopyToField(InstallTarget.DriverName, kInstallTargetChars, printer + L" Driver");
  m_bSetDefault = C().ControlExists(IDC_SET_DEFAULT) ? (C().IsChecked(IDC_SET_DEFAULT) ? 1 : 0) : 1;

  std::wstring folder = m_wizard.InstallFolder();
  chosen_folder_ = folder;
  std::wstring target = !folder.empty() && folder.back() == L'\\' ? folder + printer : folder + L"\\" + printer;
  CreateFolderPath(machine_.files(), target);
  m_wizard.SetInstallFolder(target);
  CreateFolderPath(machine_.files(), target.back() == L'\\' ? target + L"Inf" : target + L"\\Inf");

  snapshot_.port = SelectedPortText();
  snapshot_.bluetooth = C().IsChecked(IDC_RADIO_BLUETOOTH);
  snapshot_.usb_port = m_wizard.m_nUsbPort == 1;
  snapshot_.set_default = m_bSetDefault != 0;
  m_bInstalling.store(true);
  if (worker_.joinable()) worker_.join();
  StartWorker();
}

bool CInstallDlg::StartWorker() {
  platform::SetLastErrorCode(0);
  try {
    worker_ = m_StartWorker([this] { RetractFileThread(machine_, *this); });
    return true;
  } catch (const std::system_error& error) {
    uint32_t code = platform::LastErrorCode();
    if (code == 0) code = kNotEnoughMemory;
    LogPrint(kLogUnitInstallDlg, "CInstallDlg::StartInstallation", __LINE__,
             "[ERROR] CInstallDlg::StartInstallation - Cannot start the installation thread (%s), Error=%d\n",
             error.what(), static_cast<int>(code));
    UnlockAfterFailedStart();
    InstallOutcome outcome = InstallOutcomeText(AppLanguage(), false, code, SystemErrorText(machine_, code));
    C().ShowMessageBox(outcome.text, outcome.caption, wnd::kMbOk | wnd::kMbIconError);
    return false;
  }
}

void CInstallDlg::UnlockAfterFailedStart() {
  m_bInstalling.store(false);
  for (int id : {IDC_INSTALL_CANCEL, wnd::kIdOk, IDC_RADIO_USB, IDC_RADIO_SERIAL, IDC_RADIO_LPT, IDC_PORT_LIST}) {
    C().EnableControl(id, true);
  }
  C().ShowControl(IDC_PROGRESS, false);
  C().ShowControl(IDC_SET_DEFAULT, true);
  m_wizard.SetInstallFolder(chosen_folder_);
  m_wizard.SetPage(2);
  C().RedrawControl(IDC_WIZARD_PANEL);
}

void CInstallDlg::OnInstallFinished(uintptr_t wparam, intptr_t lparam) {
  const bool success = wparam != 0;
  const uint32_t code = static_cast<uint32_t>(lparam);
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::OnInstallFinished", __LINE__,
           "[ENTRY] CInstallDlg::OnInstallFinished - wParam=%lu (Success=%s), lParam=%lu (Error=%d)\n",
           static_cast<unsigned long>(wparam), success ? "TRUE" : "FALSE", static_cast<unsigned long>(code),
           static_cast<int>(code));
  const int language = AppLanguage();
  InstallOutcome outcome = InstallOutcomeText(language, success, code, SystemErrorText(machine_, code));
  if (success) WritePrinterSettings(machine_);
  m_nOutcome = success ? kExitInstalled : kExitFailed;
  m_bInstalling.store(false);
  C().ShowMessageBox(outcome.text, outcome.caption,
                     wnd::kMbOk | (success ? wnd::kMbIconInformation : wnd::kMbIconError));
  C().End(success ? wnd::kIdOk : wnd::kIdCancel);
}

bool CInstallDlg::OnMessage(platform::DialogControls& controls, uint32_t message, uintptr_t wparam,
                            intptr_t lparam, intptr_t* result) {
  if (message != kWmInstallFinished) return false;
  controls_.store(&controls);
  OnInstallFinished(wparam, lparam);
  *result = 0;
  return true;
}

// ---- What the worker reads and reports --------------------------------------------------------

std::wstring CInstallDlg::InstallFolderText() { return m_wizard.InstallFolder(); }
std::wstring CInstallDlg::ChosenFolderText() { return chosen_folder_; }
bool CInstallDlg::HasPayloadInMemory() { return m_pBuf != nullptr; }
int CInstallDlg::ExtractPayload() { return LoadFileFromeData(std::wstring()); }
void CInstallDlg::SetStatusText(const std::wstring& text) { m_wizard.SetCurrentFile(text); }

bool CInstallDlg::SetDefaultChecked() {
  if (m_bInstalling.load()) return snapshot_.set_default;
  return !C().ControlExists(IDC_SET_DEFAULT) || C().IsChecked(IDC_SET_DEFAULT);
}

void CInstallDlg::KeepSetDefault(bool set_default) { m_bSetDefault = set_default ? 1 : 0; }

bool CInstallDlg::BluetoothChecked() {
  if (m_bInstalling.load()) return snapshot_.bluetooth;
  return C().IsChecked(IDC_RADIO_BLUETOOTH);
}

bool CInstallDlg::UsbPortChosen() {
  if (m_bInstalling.load()) return snapshot_.usb_port;
  return m_wizard.m_nUsbPort == 1;
}

void CInstallDlg::PostInstallFinished(bool success, uint32_t error_code) {
  for (int attempt = 0; attempt < kPostAttempts; ++attempt) {
    if (C().PostToDialog(kWmInstallFinished, success ? 1 : 0, static_cast<intptr_t>(error_code))) return;
    if (attempt + 1 < kPostAttempts) machine_.clock().Sleep(kPostRetryMs);
  }
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::PostInstallFinished", __LINE__,
           "[ERROR] CInstallDlg::PostInstallFinished - Cannot report the outcome (Success=%s, Result=%d), Error=%d\n",
           success ? "TRUE" : "FALSE", static_cast<int>(error_code), static_cast<int>(platform::LastErrorCode()));
  // Nothing will end the installation now: the dialog gets its way out back.
  C().EnableControl(IDC_INSTALL_CANCEL, true);
  m_bInstalling.store(false);
}
