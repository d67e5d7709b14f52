// The main dialog's network and Bluetooth port types: the Standard TCP/IP ports with their
// "Configure" and "Delete" cells and the add-port link, the Bluetooth devices the stack knows,
// and the virtual COM port a Bluetooth printer is installed on.
#include <string>

#include "install/install_target.h"
#include "install/install_texts.h"
#include "log/log.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "text/fixed_field.h"
#include "ui/install_dlg.h"

namespace wnd = platform::wnd;

namespace {

constexpr int kConfigureColumn = 2;
constexpr int kDeleteColumn = 3;

}  // namespace

void CInstallDlg::FillNetworkRows(int language) {
  m_NetworkPorts.clear();
  EnumNetworkPorts(machine_.spooler(), &m_NetworkPorts);
  C().ListDeleteAllItems(IDC_PORT_LIST);
  int row = 0;
  for (const NetworkPortRecord& port : m_NetworkPorts) {
    if (port.PortName.empty()) continue;
    int item = C().ListInsertItem(IDC_PORT_LIST, row++, port.PortName, 0);
    if (item < 0) continue;
    if (!port.Description.empty()) C().ListSetItemText(IDC_PORT_LIST, item, 1, port.Description);
    C().ListSetItemText(IDC_PORT_LIST, item, kConfigureColumn, TextFor(language, L"Configure", L"配置", L"配置"));
    C().ListSetItemText(IDC_PORT_LIST, item, kDeleteColumn, TextFor(language, L"Delete", L"删除", L"刪除"));
  }
}

void CInstallDlg::FillBluetoothRows(int language) {
  if (C().IsChecked(IDC_SCAN_BLE)) {
    ClearBluetoothDevices(&m_BtDevices);
  } else {
    ScanBluetoothDevices(machine_, &m_BtDevices);
  }
  ScanBleDevices();
  for (int i = 0; i < m_BtDevices.Count && i < kBluetoothDeviceCount; ++i) {
    const BluetoothDeviceEntry& device = m_BtDevices.Devices[i];
    int item = C().ListInsertItem(IDC_PORT_LIST, i, device.Name, 0);
    if (item < 0) continue;
    C().ListSetItemText(IDC_PORT_LIST, item, 1, device.Mac);
    C().ListSetItemText(IDC_PORT_LIST, item, 2,
                        device.IsBle == 1 ? L"BLE" : TextFor(language, L"Ready", L"就緒", L"就緒"));
  }
}

void CInstallDlg::OnNetworkCellClicked(int item, int column) {
  if (item < 0 || (column != kConfigureColumn && column != kDeleteColumn)) return;
  const std::wstring port = C().ListItemText(IDC_PORT_LIST, item, 0, kPortTextChars);
  if (port.empty()) return;
  if (column == kConfigureColumn) {
    // The monitor's own dialog; what the user changes there does not show in the list.
    machine_.spooler().ConfigurePort(&C(), port);
    return;
  }
  DeleteNetworkPort(machine_.spooler(), &C(), &m_NetworkPorts, port);
  UpdatePortList(kPortTypeNetwork);
  FillModelList(kPortTypeNetwork);
}

void CInstallDlg::OnStnClickedAddNetworkPort() {
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::OnStnClickedAddNetworkPort", __LINE__,
           "[INFO] OnStnClickedAddNetworkPort - opening TCP port config dialog\n");
  // Cancelling the wizard fails the call too: the list then stays as it is.
  if (!machine_.spooler().AddPortUI(&C(), kTcpIpMonitorName)) return;
  UpdatePortList(kPortTypeNetwork);
  FillModelList(kPortTypeNetwork);
}

void CInstallDlg::OnBnClickedScanBle() {
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::OnBnClickedScanBle", __LINE__,
           "[INFO] OnBnClickedScanBle - checked=%d\n", C().IsChecked(IDC_SCAN_BLE) ? 1 : 0);
  UpdatePortList(kPortTypeBluetooth);
}

bool CInstallDlg::PrepareBluetoothPort() {
  const int item = C().ListNextItem(IDC_PORT_LIST, -1, wnd::kLvniSelected);
  const std::wstring mac = SelectedRowText(1);
  const bool ble = item >= 0 && item < m_BtDevices.Count && m_BtDevices.Devices[item].IsBle == 1;
  if (ble && !m_PairBle(mac.c_str())) {
    Refuse(L"BLE pairing failed, please pair in Windows Bluetooth settings and retry",
           L"BLE 配对失败，请在 Windows 蓝牙设置中手动配对后重试",
           L"BLE 配對失敗，請在 Windows 藍牙設置中手動配對後重試");
    return false;
  }
  std::wstring com = CreateBluetoothVirtualComPort(machine_, mac.c_str());
  if (com.empty()) {
    if (ble) {
      Refuse(L"This is a BLE-only device. Windows cannot create a printer port for it, so it cannot be installed as "
             L"a system printer. (For dual-mode devices, enable Classic Bluetooth/SPP mode on the printer)",
             L"该设备仅支持 BLE 协议，Windows 无法为其创建打印端口，无法安装为系统打印机（双模设备请开启打印机的经典"
             L"蓝牙/SPP 模式）",
             L"該設備僅支持 BLE 協議，Windows 無法為其創建打印端口，無法安裝為系統打印機（雙模設備請開啟打印機的經典"
             L"藍牙/SPP 模式）");
    } else {
      Refuse(L"Failed to create Bluetooth virtual COM port, please ensure a free COM port exists",
             L"创建蓝牙虚拟串口失败，请确认系统有空闲 COM 端口", L"創建藍牙虛擬串口失敗，請確認系統有空閒 COM 端口");
    }
    return false;
  }
  while (!com.empty() && com.back() == L':') com.pop_back();
  CopyToField(InstallTarget.PortName, kInstallTargetChars, com + L":");
  return true;
}
