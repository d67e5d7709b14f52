#include "ui/install_dlg.h"

#include <cstring>
#include <atomic>
#include <memory>

#include "catalog/model_catalog.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "log/log.h"
#include "payload/config_entry.h"
#include "payload/extract_config.h"
#include "payload/extract_install.h"
#include "payload/inflate_entry.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

namespace wnd = platform::wnd;

namespace {

constexpr const char* kInit = "CInstallDlg::OnInitDialog";

// The list font of the Chinese texts.
constexpr wchar_t kChineseFontFace[] = L"宋体";
constexpr int kChineseFontHeight = 12;

// The port list's columns: captions by language and widths in pixels.
struct PortColumn {
  const wchar_t* english;
  const wchar_t* simplified;
  const wchar_t* traditional;
  int width;
};
constexpr PortColumn kPortColumns[] = {
    {L"Port", L"端口", L"端口", 120},
    {L"Description", L"描述", L"描述", 220},
    {L"Status", L"状态", L"狀態", 100},
    {L"", L"", L"", 60},
};
constexpr int kStatusColumn = 2;
constexpr int kActionColumn = 3;

// How many local port names the serial and LPT lists ask for.
constexpr int kLocalPortSlots = 64;

const wchar_t* PleaseSelect(int language) {
  return TextFor(language, L"Please select model", L"请选择打印机型号", L"請選擇打印機型號");
}

// Runs GetPrinterOnline with a result buffer of its own: the number of printers recognised.
long DetectUsbPrinters(platform::Machine& machine) {
  auto paths = std::make_unique<wchar_t[][kUsbDevicePathChars]>(kUsbInfoMaxDetected);
  return GetPrinterOnline(machine.devices(), paths.get());
}

// The extraction reports figures; the progress bar is the dialog's, and a worker may report after
// the bar is gone, so each report checks that it still exists. The bar's range is 0 to 100 and it
// clamps: a report that would leave it where it is (every figure past 100, which the byte counter
// reaches early) is not sent, since each send waits for the dialog's thread and its repaint.
ProgressCallback ProgressBar(platform::DialogControls* controls) {
  if (controls == nullptr) return nullptr;
  auto shown = std::make_shared<std::atomic<int>>(-1);
  return [controls, shown](int position) {
    const int clamped = position < 0 ? 0 : (position > 100 ? 100 : position);
    if (shown->exchange(clamped) == clamped) return;
    if (controls->ControlExists(IDC_PROGRESS)) controls->SetProgressPos(IDC_PROGRESS, position);
  };
}

}  // namespace

CInstallDlg::CInstallDlg(platform::Machine& machine) : machine_(machine) {}

CInstallDlg::~CInstallDlg() {
  if (worker_.joinable()) worker_.join();
}

int CInstallDlg::DoModal() {
  int result = machine_.windows().RunModal(IDD_INSTALL, *this);
  m_wizard.Detach();
  controls_.store(nullptr);
  return result;
}

void CInstallDlg::OnDestroy(platform::DialogControls& controls) {
  (void)controls;
  // The last moment the install folder field exists: the wizard keeps its final text.
  m_wizard.InstallFolder();
  m_wizard.Detach();
  controls_.store(nullptr);
}

void CInstallDlg::ExtractConfigFiles() {
  ::ExtractConfigFiles(machine_, m_pBuf, m_nBufLen, ProgressBar(controls_.load()));
}

ConfigReader CInstallDlg::PayloadConfigReader(const std::wstring& local_app_data) const {
  const payload::PayloadConfigFiles files(m_pBuf, m_nBufLen, local_app_data);
  return [files](const std::wstring& path, std::string* bytes) { return files.Read(path, bytes); };
}

int CInstallDlg::LoadFileFromeData(const std::wstring& install_folder) {
  (void)install_folder;
  return ::LoadFileFromeData(machine_, m_pBuf, m_nBufLen, ProgressBar(controls_.load()),
                             m_wizard.InstallFolder(),
                             [this](const std::wstring& file) { m_wizard.SetCurrentFile(file); });
}

int CInstallDlg::InflateEntryToFile(const uint8_t* source, int32_t compressed_length,
                                    const std::string& output_path, int32_t* counter,
                                    int32_t total) {
  return ::InflateEntryToFile(machine_, ProgressBar(controls_.load()), source, compressed_length,
                              output_path, counter, total);
}

bool CInstallDlg::OnInitDialog(platform::DialogControls& controls) {
  LogPrint(kLogUnitInstallDlg, kInit, __LINE__, "[ENTRY] CInstallDlg::OnInitDialog\n");
  controls_.store(&controls);
  PrepareControls();
  const int language = AppLanguage();
  LogPrint(kLogUnitInstallDlg, kInit, __LINE__,
           "[INFO] CInstallDlg::OnInitDialog - Language setting: m_nChinese=%d\n", language);
  const std::wstring local_app_data = FindBaseFolder();

  chinese_font_ = controls.CreateFontByFace(kChineseFontFace, kChineseFontHeight, wnd::kFwNormal,
                                            wnd::kGb2312Charset);
  if (m_wizard.Create(machine_, controls) != 0) {
    m_wizard.Hide();
    m_wizard.SetPage(2);
  }
  controls.SetProgressRange(IDC_PROGRESS, 0, 100);
  controls.SetProgressPos(IDC_PROGRESS, 0);
  ApplyTexts(language);
  CheckUsbType();
  // Without the spooler every port list stays empty: the user learns why before seeing them.
  SpoolerRunning(kInit);
  CacheAllPorts(machine_.spooler());
  LoadModelList(language, local_app_data);

  std::wstring detected_port;
  const std::wstring detected_name = DetectPluggedPrinter(&detected_port);
  controls.SetCheck(IDC_SET_DEFAULT, true);
  m_bSetDefault = 1;
  EnumNetworkPorts(machine_.spooler(), &m_NetworkPorts);
  ShowUsbPortList(language);
  SelectDetectedPrinter(detected_name, detected_port);
  if (m_pPreset != nullptr) ApplyPreset();

  LogPrint(kLogUnitInstallDlg, kInit, __LINE__,
           "[EXIT] CInstallDlg::OnInitDialog - returning TRUE\n");
  return true;
}

void CInstallDlg::PrepareControls() {
  platform::DialogControls& controls = C();
  controls.SetDialogIcon(IDI_INSTALL);
  underline_font_ = controls.CreateUnderlinedDialogFont();
  controls.SetControlFont(IDC_ADD_NETWORK_PORT, underline_font_.get(), true);
  controls.ShowControl(IDC_ADD_NETWORK_PORT, false);
}

std::wstring CInstallDlg::FindBaseFolder() {
  std::wstring local_app_data;
  if (machine_.shell().SpecialFolder(platform::csidl::kLocalAppData, &local_app_data)) {
    base_folder_ = local_app_data + L"\\" + L"Temp\\";
    LogPrint(kLogUnitInstallDlg, kInit, __LINE__,
             "[INFO] CInstallDlg::OnInitDialog - Local AppData path: %ws\n", local_app_data.c_str());
    return local_app_data;
  }
  base_folder_.clear();
  LogPrint(kLogUnitInstallDlg, kInit, __LINE__,
           "[ERROR] CInstallDlg::OnInitDialog - Failed to get Local AppData path\n");
  return std::wstring();
}

void CInstallDlg::CheckUsbType() {
  C().SetCheck(IDC_RADIO_USB, true);
  C().SetCheck(IDC_RADIO_SERIAL, false);
  C().SetCheck(IDC_RADIO_LPT, false);
}

void CInstallDlg::LoadModelList(int language, const std::wstring& local_app_data) {
  platform::DialogControls& controls = C();
  controls.ComboAddString(IDC_MODEL_COMBO, PleaseSelect(language));
  // Entry k of the list is record k - 1 of the catalog: a model the list refuses takes no record.
  LoadModelCatalog(
      machine_, BuildModelCatalogPath(local_app_data),
      [&controls](const std::wstring& model) { return controls.ComboAddString(IDC_MODEL_COMBO, model) >= 0; },
      PayloadConfigReader(local_app_data));
}

std::wstring CInstallDlg::DetectPluggedPrinter(std::wstring* detected_port) {
  LogPrint(kLogUnitInstallDlg, "OnInitDialog", __LINE__,
           "[INFO] OnInitDialog - Calling GetPrinterOnline (first time)\n");
  long found = DetectUsbPrinters(machine_);
  LogPrint(kLogUnitInstallDlg, "OnInitDialog", __LINE__,
           "[INFO] OnInitDialog - GetPrinterOnline returned, checking UsbInfo\n");
  std::wstring detected_name;
  if (found > 0) detected_name.assign(UsbInfo[0].Name, FieldLength(UsbInfo[0].Name, kUsbNameChars));
  SelectModelByName(detected_name);

  GetAllPortList();
  detected_port->clear();
  for (int i = 0; i < kUsbPortRowCount && UsbPortRows[i].Port[0] != L'\0'; ++i) {
    if (EqualsIgnoringAsciiCase(UsbPortRows[i].Name, detected_name.c_str())) {
      *detected_port = UsbPortRows[i].Port;
      break;
    }
  }
  return detected_name;
}

void CInstallDlg::ShowUsbPortList(int language) {
  C().ListSetExtendedStyle(IDC_PORT_LIST, wnd::kLvsExGridLines | wnd::kLvsExFullRowSelect);
  CreatePortColumns(language);
  CheckUsbType();
  UpdatePortList(kPortTypeUsb);
}

void CInstallDlg::SelectDetectedPrinter(const std::wstring& detected_name, const std::wstring& detected_port) {
  SelectDetectedModel();
  C().ComboSetCurSel(IDC_MODEL_COMBO, 0);
  SelectModelByName(detected_name);
  C().ShowControl(IDC_SET_DEFAULT, true);
  C().ShowControl(IDC_PORT_LIST, true);
  if (!detected_port.empty()) SelectUsbRowByPort(detected_port);
}

void CInstallDlg::ApplyTexts(int language) {
  platform::DialogControls& c = C();
  c.SetCaption(!Title.empty() ? Title
                              : std::wstring(TextFor(language, L"USB printer driver installation Wizard",
                                                     L"USB打印机驱动安装", L"USB打印機驅動安裝")));
  c.SetText(IDC_INSTALL_CANCEL, TextFor(language, L"Cancel", L"取消", L"取消"));
  c.SetText(wnd::kIdOk, TextFor(language, L"Install", L"安装", L"安裝"));
  c.SetText(wnd::kIdStatic, TextFor(language, L"Driver Name:", L"驱动名称：", L"驅動名稱："));
  c.SetText(IDC_SET_DEFAULT,
            TextFor(language, L"Set as default printer", L"设置为默认打印机", L"設置為默認打印機"));
  c.SetText(IDC_RADIO_USB, L"USB");
  c.SetText(IDC_RADIO_SERIAL, TextFor(language, L"Serial", L"串口", L"串口"));
  c.SetText(IDC_RADIO_LPT, TextFor(language, L"LPT", L"并口", L"並口"));
  c.SetText(IDC_RADIO_NETWORK, TextFor(language, L"Network", L"网口", L"網口"));
  c.SetText(IDC_RADIO_BLUETOOTH, TextFor(language, L"Bluetooth", L"蓝牙", L"藍牙"));
  if (language == kLanguageSimplified || language == kLanguageTraditional) {
    c.SetControlFont(IDC_INSTALL_CANCEL, chinese_font_.get(), true);
    c.SetControlFont(IDC_MODEL_COMBO, chinese_font_.get(), true);
  }
}

void CInstallDlg::CreatePortColumns(int language) {
  int column = 0;
  for (const PortColumn& col : kPortColumns) {
    C().ListInsertColumn(IDC_PORT_LIST, column++,
                                TextFor(language, col.english, col.simplified, col.traditional),
                                col.width, wnd::kLvcfmtLeft);
  }
}

int CInstallDlg::SelectModelByName(const std::wstring& name) {
  int count = C().ComboCount(IDC_MODEL_COMBO);
  for (int i = 0; i < count; ++i) {
    if (C().ComboItemText(IDC_MODEL_COMBO, i) == name) {
      C().ComboSetCurSel(IDC_MODEL_COMBO, i);
      return i;
    }
  }
  return -1;
}

void CInstallDlg::SelectDetectedModel() {
  long found = DetectUsbPrinters(machine_);
  if (found <= 0 || UsbInfo[0].Name[0] == L'\0') return;
  int index = SelectModelByName(UsbInfo[0].Name);
  if (index >= 0) InstallTarget.ModelIndex = index;
}

void CInstallDlg::FillModelList(int port_type) {
  C().ComboReset(IDC_MODEL_COMBO);
  ClearUsbPortRows();
  C().ComboAddString(IDC_MODEL_COMBO, PleaseSelect(AppLanguage()));
  if (port_type >= kPortTypeUsb && port_type <= kPortTypeBluetooth) {
    for (int i = 0; i < kPrinterInfoCount && PrinterInfo[i].MODEL[0] != L'\0'; ++i) {
      C().ComboAddString(IDC_MODEL_COMBO, PrinterInfo[i].MODEL);
    }
  }
  C().ComboSetCurSel(IDC_MODEL_COMBO, 0);
}

int CInstallDlg::PortType() {
  static constexpr int kButtons[] = {IDC_RADIO_USB, IDC_RADIO_SERIAL, IDC_RADIO_LPT,
                                     IDC_RADIO_NETWORK, IDC_RADIO_BLUETOOTH};
  for (int type = 0; type < 5; ++type) {
    if (C().IsChecked(kButtons[type])) return type;
  }
  return kPortTypeNone;
}

std::wstring CInstallDlg::SelectedRowText(int column) {
  int item = C().ListNextItem(IDC_PORT_LIST, -1, wnd::kLvniSelected);
  if (item < 0) return std::wstring();
  return C().ListItemText(IDC_PORT_LIST, item, column, kPortTextChars);
}

std::wstring CInstallDlg::SelectedPortText() {
  if (m_bInstalling.load()) return snapshot_.port;
  return SelectedRowText(0);
}

void CInstallDlg::GetAllPortList() {
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::GetAllPortList", __LINE__, "[ENTRY] GetAllPortList\n");
  ClearUsbPortRows();
  if (!C().IsChecked(IDC_RADIO_USB)) return;
  BuildUsbPortRows(machine_);
}

void CInstallDlg::UpdatePortList(int port_type) {
  const int language = AppLanguage();
  C().ListSetColumnText(IDC_PORT_LIST, kStatusColumn,
                               port_type == kPortTypeNetwork
                                   ? L""
                                   : TextFor(language, L"Status", L"状态", L"狀態"));
  C().ListDeleteAllItems(IDC_PORT_LIST);
  switch (port_type) {
    case kPortTypeUsb:
      FillUsbRows(language);
      break;
    case kPortTypeSerial:
      FillLocalPortRows(L"COM", false);
      break;
    case kPortTypeLpt:
      GetAllPortList();
      FillLocalPortRows(L"LPT", true);
      break;
    case kPortTypeNetwork:
      FillNetworkRows(language);
      break;
    case kPortTypeBluetooth:
      FillBluetoothRows(language);
      break;
    default:
      break;
  }
}

void CInstallDlg::FillUsbRows(int language) {
  for (int i = 0; i < kUsbPortRowCount && UsbPortRows[i].Port[0] != L'\0'; ++i) {
    const UsbPortRow& row = UsbPortRows[i];
    int item = C().ListInsertItem(IDC_PORT_LIST, i, row.Port, 0);
    if (item < 0) continue;
    C().ListSetItemText(IDC_PORT_LIST, item, 1, row.Name);
    C().ListSetItemText(IDC_PORT_LIST, item, kStatusColumn,
                               row.Valid == 1 ? TextFor(language, L"Online", L"在线", L"在线")
                                              : TextFor(language, L"Offline", L"离线", L"离线"));
  }
}

void CInstallDlg::FillLocalPortRows(const wchar_t* prefix, bool with_usb_status) {
  auto names = std::make_unique<wchar_t[][kLocalPortChars]>(kLocalPortSlots);
  int count = EnumLocalPorts(machine_, prefix, names.get(), kLocalPortSlots);
  for (int i = 0; i < count; ++i) {
    std::wstring name(names[i], FieldLength(names[i], kLocalPortChars));
    // Serial names are shown without their colon; LPT names as enumerated.
    if (!with_usb_status && !name.empty() && name.back() == L':') name.pop_back();
    int item = C().ListInsertItem(IDC_PORT_LIST, i, name, 0);
    if (item < 0 || !with_usb_status) continue;
    const UsbPortRow* owner = nullptr;
    for (int r = 0; r < kUsbPortRowCount && owner == nullptr; ++r) {
      if (UsbPortRows[r].Port[0] != L'\0' && EqualsIgnoringAsciiCase(UsbPortRows[r].Port, name.c_str())) {
        owner = &UsbPortRows[r];
      }
    }
    C().ListSetItemText(IDC_PORT_LIST, item, 1, owner != nullptr ? owner->Name : L"");
    C().ListSetItemText(IDC_PORT_LIST, item, kStatusColumn,
                               owner != nullptr && owner->Valid == 1 ? L"在线" : L"离线");
  }
}

void CInstallDlg::SelectUsbRowByPort(const std::wstring& port) {
  for (int i = 0; i < kUsbPortRowCount && UsbPortRows[i].Port[0] != L'\0'; ++i) {
    if (!EqualsIgnoringAsciiCase(UsbPortRows[i].Port, port.c_str())) continue;
    const uint32_t state = wnd::kLvisSelected | wnd::kLvisFocused;
    C().ListSetItemState(IDC_PORT_LIST, i, state, state);
    C().ListEnsureVisible(IDC_PORT_LIST, i);
    C().ListRedrawItems(IDC_PORT_LIST, i, i);
    C().RedrawControl(IDC_PORT_LIST);
    return;
  }
}

void CInstallDlg::OnCommand(platform::DialogControls& controls, int id, int code) {
  controls_.store(&controls);
  switch (id) {
    case IDC_INSTALL_CANCEL:
    case wnd::kIdCancel:  // Escape and the close box
      OnCancel();
      return;
    case IDC_MODEL_COMBO:
      if (code == wnd::kCbnSelChange && !IgnoredWhileInstalling("CInstallDlg::OnCbnSelchangeModel")) {
        OnCbnSelchangeModel();
      }
      return;
    case IDC_RADIO_USB:
    case IDC_RADIO_SERIAL:
    case IDC_RADIO_LPT:
    case IDC_RADIO_NETWORK:
    case IDC_RADIO_BLUETOOTH:
      if (code == wnd::kBnClicked && !IgnoredWhileInstalling("CInstallDlg::OnPortTypeClicked")) {
        OnPortTypeClicked(PortType());
      }
      return;
    case wnd::kIdOk:
      if (!m_bInstalling.load()) OnOK();
      return;
    case IDC_ADD_NETWORK_PORT:
      if (code == wnd::kStnClicked && !IgnoredWhileInstalling("CInstallDlg::OnStnClickedAddNetworkPort")) {
        OnStnClickedAddNetworkPort();
      }
      return;
    case IDC_SCAN_BLE:
      if (code == wnd::kBnClicked && !IgnoredWhileInstalling("CInstallDlg::OnBnClickedScanBle")) {
        OnBnClickedScanBle();
      }
      return;
    default:
      return;
  }
}

void CInstallDlg::OnCancel() {
  // While the worker runs it reads the controls and the wizard window: the dialog stays until the
  // worker has reported (its handler then ends it).
  if (m_bInstalling.load()) return;
  C().End(wnd::kIdCancel);
}

void CInstallDlg::OnPortTypeClicked(int port_type) {
  if (port_type == kPortTypeNone) return;
  C().ShowControl(IDC_ADD_NETWORK_PORT, port_type == kPortTypeNetwork);
  C().ShowControl(IDC_SCAN_BLE, false);
  UpdatePortList(port_type);
  FillModelList(port_type);
  if (port_type == kPortTypeUsb) RefreshUsbUi();
}

void CInstallDlg::OnCbnSelchangeModel() {
  int index = C().ComboGetCurSel(IDC_MODEL_COMBO);
  if (index > 0) InstallTarget.ModelIndex = index;
}

intptr_t CInstallDlg::OnNotify(platform::DialogControls& controls,
                               const platform::ListNotification& n) {
  controls_.store(&controls);
  if (n.control_id == IDC_PORT_LIST && n.code == wnd::kNmClick &&
      !IgnoredWhileInstalling("CInstallDlg::OnNMClickPortList")) {
    OnNMClickPortList(n.item, n.sub_item);
  }
  return 0;
}

void CInstallDlg::OnNMClickPortList(int item, int column) {
  if (C().IsChecked(IDC_RADIO_NETWORK)) {
    OnNetworkCellClicked(item, column);
    return;
  }
  if (item < 0 || !C().IsChecked(IDC_RADIO_USB)) return;
  // The USB list shows the table's rows in order, so row `item` is table row `item`.
  if (item >= kUsbPortRowCount) return;
  SelectModelByName(std::wstring(UsbPortRows[item].Name,
                                 FieldLength(UsbPortRows[item].Name, kUsbPortRowNameChars)));
}

void CInstallDlg::OnCustomDraw(platform::DialogControls& controls, platform::CustomDraw& draw) {
  if (draw.control_id != IDC_PORT_LIST) return;
  if (draw.stage == wnd::kCddsPrePaint) {
    draw.result = wnd::kCdrfNotifyItemDraw;
    return;
  }
  if (draw.stage == wnd::kCddsItemPrePaint) {
    draw.result = wnd::kCdrfNotifySubItemDraw;
    return;
  }
  if (draw.stage != wnd::kCddsSubItemPrePaint) return;
  draw.select_font = true;
  const bool link_cell = controls.IsChecked(IDC_RADIO_NETWORK) &&
                         (draw.sub_item == kStatusColumn || draw.sub_item == kActionColumn);
  if (link_cell) {
    draw.font = underline_font_.get();
    draw.set_text_color = true;
    draw.text_rgb = draw.sub_item == kStatusColumn ? wnd::Rgb(0, 0, 255) : wnd::Rgb(255, 0, 0);
  } else {
    draw.font = nullptr;  // the list's own font
  }
  draw.result = wnd::kCdrfNewFont;
}

bool CInstallDlg::OnCtlColorStatic(platform::DialogControls& controls, platform::CtlColor& color) {
  (void)controls;
  color.transparent = true;
  color.white_brush = true;
  if (color.control_id == IDC_ADD_NETWORK_PORT) {
    color.set_text_color = true;
    color.text_rgb = wnd::Rgb(0, 0, 255);
    color.font = underline_font_.get();
  }
  return true;
}

bool CInstallDlg::OnCtlColorDialog(platform::DialogControls& controls, platform::CtlColor& color) {
  (void)controls;
  color.white_brush = true;
  return true;
}

intptr_t CInstallDlg::OnDeviceChange(platform::DialogControls& controls, uint32_t event_type,
                                     uintptr_t data, intptr_t default_result) {
  controls_.store(&controls);
  return OnDeviceChange(event_type, data, default_result);
}

intptr_t CInstallDlg::OnDeviceChange(uint32_t event_type, uintptr_t data, intptr_t default_result) {
  (void)data;
  constexpr const char* kFn = "CInstallDlg::OnDeviceChange";
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
           "[ENTRY] OnDeviceChange - nEventType=%lu, m_bRefreshing=%d\n",
           static_cast<unsigned long>(event_type), m_bRefreshing);
  if (event_type == wnd::kDbtDevNodesChanged || event_type == wnd::kDbtDeviceArrival ||
      event_type == wnd::kDbtDeviceRemoveComplete) {
    // The refresh reselects the model and rebuilds the port list the worker installs from.
    if (!IgnoredWhileInstalling("OnDeviceChange")) {
      LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[INFO] OnDeviceChange - Calling RefreshUsbUi\n");
      RefreshUsbUi();
    }
  }
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[EXIT] OnDeviceChange\n");
  return default_result;
}

void CInstallDlg::RefreshUsbUi() {
  constexpr const char* kFn = "CInstallDlg::RefreshUsbUi";
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[ENTRY] RefreshUsbUi - m_bRefreshing=%d\n",
           m_bRefreshing);
  if (m_bRefreshing == 1) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[INFO] RefreshUsbUi - Reentry detected, skipping\n");
    return;
  }
  m_bRefreshing = 1;
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[INFO] RefreshUsbUi - m_bRefreshing set to TRUE\n");
  if (!C().IsChecked(IDC_RADIO_USB)) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[INFO] RefreshUsbUi - USB not selected, skipping\n");
    m_bRefreshing = 0;
    return;
  }
  C().ComboSetCurSel(IDC_MODEL_COMBO, 0);
  ClearAllPorts();
  CacheAllPorts(machine_.spooler());

  if (DetectUsbPrinters(machine_) > 0 && UsbInfo[0].Name[0] != L'\0') {
    int index = SelectModelByName(UsbInfo[0].Name);
    if (index >= 0) InstallTarget.ModelIndex = index;
  }
  // A second detection on a cleared table, so that printers pulled out leave no stale entry.
  std::memset(UsbInfo, 0, sizeof(UsbInfo));
  if (DetectUsbPrinters(machine_) > 0 && UsbInfo[0].Name[0] != L'\0') SelectModelByName(UsbInfo[0].Name);

  ClearUsbPortRows();
  GetAllPortList();
  UpdatePortList(kPortTypeUsb);
  m_bRefreshing = 0;
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[EXIT] RefreshUsbUi - m_bRefreshing reset to FALSE\n");
}
