// The main dialog under a command line: the choice it names preselected (model, port type and
// port, a Standard TCP/IP port made for an address, the default-printer check box), and the
// unattended run's user, who presses Install or says why it cannot.
#include <memory>

#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/printer_naming.h"
#include "log/log.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"
#include "ui/install_dlg.h"

namespace wnd = platform::wnd;

namespace {

constexpr const char* kPreset = "CInstallDlg::ApplyPreset";
constexpr const char* kQuiet = "CInstallDlg::DriveQuietInstall";
constexpr const wchar_t* kPrintersKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
// The Standard TCP/IP monitor's raw port.
constexpr uint32_t kRawPortNumber = 9100;

std::wstring WithoutColons(std::wstring port) {
  while (!port.empty() && port.back() == L':') port.pop_back();
  return port;
}

// Port names as the spooler compares them: case aside; COM1 and COM1: are one port.
bool SamePort(const std::wstring& a, const std::wstring& b) {
  return EqualsIgnoringCase(WithoutColons(a), WithoutColons(b));
}

long DetectPrinters(platform::Machine& machine) {
  auto paths = std::make_unique<wchar_t[][kUsbDevicePathChars]>(kUsbInfoMaxDetected);
  return GetPrinterOnline(machine.devices(), paths.get());
}

}  // namespace

bool CInstallDlg::PresetFailed(int outcome, const std::wstring& detail, const wchar_t* english,
                               const wchar_t* simplified, const wchar_t* traditional) {
  LogPrint(kLogUnitInstallDlg, kPreset, __LINE__, "[ERROR] CInstallDlg::ApplyPreset - %ws, Error=%d\n",
           detail.c_str(), outcome);
  if (!m_pPreset->quiet) {
    const int language = AppLanguage();
    const std::wstring text = std::wstring(TextFor(language, english, simplified, traditional)) + L"\r\n" + detail;
    machine_.windows().ShowMessageBox(
        text, TextFor(language, L"Printer Driver Installation", L"打印机驱动安装", L"打印機驅動安裝"),
        wnd::kMbOk | wnd::kMbIconError);
  }
  m_nOutcome = outcome;
  C().End(wnd::kIdCancel);
  return false;
}

bool CInstallDlg::ApplyPreset() {
  const InstallPreset& preset = *m_pPreset;
  LogPrint(kLogUnitInstallDlg, kPreset, __LINE__,
           "[ENTRY] CInstallDlg::ApplyPreset - Model=%ws, Port=%ws, Auto=%d, Ip=%ws, Serial=%d, NoDefault=%d, "
           "Quiet=%d\n",
           preset.model.c_str(), preset.port.c_str(), preset.port_auto ? 1 : 0, preset.ip.c_str(),
           preset.serial.given ? 1 : 0, preset.no_default ? 1 : 0, preset.quiet ? 1 : 0);
  if (preset.no_default) {
    C().SetCheck(IDC_SET_DEFAULT, false);
    m_bSetDefault = 0;
  }
  std::wstring model = preset.model;
  std::wstring port = preset.port;
  int only_type = kPortTypeNone;
  if (!preset.ip.empty()) {
    if (!PresetNetworkPort(preset.ip, &port)) return false;
    only_type = kPortTypeNetwork;
  }
  if (preset.port_auto) {
    const long found = DetectPrinters(machine_);
    if (found != 1) {
      return PresetFailed(kExitBadCommandLine,
                          found <= 0 ? L"/port=auto: no plugged-in printer was recognised"
                                     : L"/port=auto: more than one plugged-in printer was recognised",
                          L"The printer to install cannot be chosen:", L"无法确定要安装的打印机：",
                          L"無法確定要安裝的打印機：");
    }
    const std::wstring name(UsbInfo[0].Name, FieldLength(UsbInfo[0].Name, kUsbNameChars));
    if (model.empty()) model = name;
    GetAllPortList();
    for (int i = 0; i < kUsbPortRowCount && UsbPortRows[i].Port[0] != L'\0'; ++i) {
      if (EqualsIgnoringCase(UsbPortRows[i].Name, name)) {
        port = UsbPortRows[i].Port;
        break;
      }
    }
    if (port.empty()) {
      return PresetFailed(kExitBadCommandLine, L"/port=auto: the plugged-in " + name + L" has no port",
                          L"The printer to install cannot be chosen:", L"无法确定要安装的打印机：",
                          L"無法確定要安裝的打印機：");
    }
    only_type = kPortTypeUsb;
  }
  if (!port.empty() && !SelectPresetPort(port, only_type)) {
    return PresetFailed(kExitBadCommandLine, L"No port list shows the port " + port,
                        L"The port does not exist:", L"端口不存在：", L"端口不存在：");
  }
  if (preset.serial.given && PortType() != kPortTypeSerial) {
    return PresetFailed(kExitBadCommandLine, L"/serial needs a serial port", L"The serial settings need a COM port:",
                        L"串口设置需要一个 COM 端口：", L"串口設置需要一個 COM 端口：");
  }
  if (!model.empty()) {
    const int count = C().ComboCount(IDC_MODEL_COMBO);
    int index = -1;
    for (int i = 1; i < count && index < 0; ++i) {
      if (EqualsIgnoringCase(C().ComboItemText(IDC_MODEL_COMBO, i), model)) index = i;
    }
    if (index < 0) {
      return PresetFailed(kExitBadCommandLine, L"No model of the catalog is named " + model,
                          L"Unknown printer model:", L"未知的打印机型号：", L"未知的打印機型號：");
    }
    C().ComboSetCurSel(IDC_MODEL_COMBO, index);
    InstallTarget.ModelIndex = index;
  }
  LogPrint(kLogUnitInstallDlg, kPreset, __LINE__, "[EXIT] CInstallDlg::ApplyPreset - Model=%ws, Port=%ws, Type=%d\n",
           C().ComboItemText(IDC_MODEL_COMBO, C().ComboGetCurSel(IDC_MODEL_COMBO)).c_str(),
           SelectedPortText().c_str(), PortType());
  return true;
}

bool CInstallDlg::SelectPresetPort(const std::wstring& port, int only_type) {
  static constexpr int kRadio[] = {IDC_RADIO_USB, IDC_RADIO_SERIAL, IDC_RADIO_LPT, IDC_RADIO_NETWORK,
                                   IDC_RADIO_BLUETOOTH};
  auto show_type = [this](int type) {
    for (int t = 0; t <= kPortTypeBluetooth; ++t) C().SetCheck(kRadio[t], t == type);
    OnPortTypeClicked(type);
  };
  // Bluetooth printers are paired through the dialog only.
  for (int type = kPortTypeUsb; type <= kPortTypeNetwork; ++type) {
    if (only_type != kPortTypeNone && type != only_type) continue;
    show_type(type);
    const int rows = C().ListItemCount(IDC_PORT_LIST);
    for (int i = 0; i < rows; ++i) {
      if (!SamePort(C().ListItemText(IDC_PORT_LIST, i, 0, kPortTextChars), port)) continue;
      const uint32_t state = wnd::kLvisSelected | wnd::kLvisFocused;
      C().ListSetItemState(IDC_PORT_LIST, i, state, state);
      C().ListEnsureVisible(IDC_PORT_LIST, i);
      return true;
    }
  }
  show_type(kPortTypeUsb);
  return false;
}

bool CInstallDlg::PresetNetworkPort(const std::wstring& host, std::wstring* port) {
  const std::wstring name = L"IP_" + host;
  m_NetworkPorts.clear();
  EnumNetworkPorts(machine_.spooler(), &m_NetworkPorts);
  for (const NetworkPortRecord& record : m_NetworkPorts) {
    if (SamePort(record.PortName, name)) {
      LogPrint(kLogUnitInstallDlg, kPreset, __LINE__, "[INFO] CInstallDlg::ApplyPreset - Using the TCP/IP port %ws\n",
               record.PortName.c_str());
      *port = record.PortName;
      return true;
    }
  }
  if (!machine_.spooler().AddStandardTcpIpPort(name, host, kRawPortNumber)) {
    const uint32_t code = platform::LastErrorCode();
    LogPrint(kLogUnitInstallDlg, kPreset, __LINE__,
             "[ERROR] CInstallDlg::ApplyPreset - Standard TCP/IP port %ws for %ws not made, Error=%d\n", name.c_str(),
             host.c_str(), static_cast<int>(code));
    return PresetFailed(kExitFailed, L"The Standard TCP/IP port " + name + L" could not be made (error " +
                                         std::to_wstring(code) + L")",
                        L"The network port could not be created:", L"无法创建网络端口：", L"無法創建網絡端口：");
  }
  LogPrint(kLogUnitInstallDlg, kPreset, __LINE__,
           "[INFO] CInstallDlg::ApplyPreset - Standard TCP/IP port %ws made for %ws, raw port %d\n", name.c_str(),
           host.c_str(), static_cast<int>(kRawPortNumber));
  *port = name;
  return true;
}

std::wstring CInstallDlg::ChosenPortName() {
  const std::wstring port = SelectedPortText();
  const int type = PortType();
  return type == kPortTypeSerial || type == kPortTypeLpt ? WithoutColons(port) + L":" : port;
}

bool CInstallDlg::AlreadyInstalled() {
  const int index = C().ComboGetCurSel(IDC_MODEL_COMBO);
  const std::wstring model = C().ComboItemText(IDC_MODEL_COMBO, index);
  const std::wstring port = ChosenPortName();
  std::vector<std::wstring> printers;
  if (index < 1 || port.empty() || !FindPrinter(machine_, &printers)) return false;
  for (const std::wstring& printer : printers) {
    // This product names a printer after its model, or "<model> (copy n)" beside one of that name.
    if (!EqualsIgnoringCase(printer, model) &&
        !(printer.size() > model.size() + 2 && EqualsIgnoringCase(printer.substr(0, model.size() + 2), model + L" ("))) {
      continue;
    }
    platform::RegValue driver;
    platform::RegValue printer_port;
    const std::wstring key = kPrintersKey + printer;
    if (!machine_.registry().QueryValue(platform::Hive::kLocalMachine, key, L"Printer Driver",
                                        platform::RegView::kDefault, &driver) ||
        !machine_.registry().QueryValue(platform::Hive::kLocalMachine, key, L"Port", platform::RegView::kDefault,
                                        &printer_port)) {
      continue;
    }
    if (EqualsIgnoringCase(driver.AsString(), printer + L" Driver") && SamePort(printer_port.AsString(), port)) {
      LogPrint(kLogUnitInstallDlg, kQuiet, __LINE__,
               "[INFO] CInstallDlg::DriveQuietInstall - %ws is installed on %ws already (printer %ws)\n", model.c_str(),
               port.c_str(), printer.c_str());
      return true;
    }
  }
  return false;
}

void CInstallDlg::DriveQuietInstall(platform::DialogControls& controls) {
  controls_.store(&controls);
  if (C().ComboGetCurSel(IDC_MODEL_COMBO) < 1 || SelectedPortText().empty()) {
    LogPrint(kLogUnitInstallDlg, kQuiet, __LINE__,
             "[ERROR] CInstallDlg::DriveQuietInstall - An unattended installation needs a model and a port "
             "(/model and /port, /ip or /port=auto), Model=%ws, Port=%ws, Error=%d\n",
             C().ComboItemText(IDC_MODEL_COMBO, C().ComboGetCurSel(IDC_MODEL_COMBO)).c_str(),
             SelectedPortText().c_str(), kExitBadCommandLine);
    m_nOutcome = kExitBadCommandLine;
    C().End(wnd::kIdCancel);
    return;
  }
  if (AlreadyInstalled()) {
    m_nOutcome = kExitInstalled;
    C().End(wnd::kIdOk);
    return;
  }
  OnCommand(controls, wnd::kIdOk, wnd::kBnClicked);
  // Install refused (its message box went to the log) or could not start the worker.
  if (!m_bInstalling.load() && C().ControlExists(wnd::kIdOk)) {
    LogPrint(kLogUnitInstallDlg, kQuiet, __LINE__,
             "[ERROR] CInstallDlg::DriveQuietInstall - The installation did not start, Error=%d\n", kExitFailed);
    m_nOutcome = kExitFailed;
    C().End(wnd::kIdCancel);
  }
}
