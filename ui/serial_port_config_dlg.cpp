#include "ui/serial_port_config_dlg.h"

#include <cwchar>

#include "install/install_texts.h"

namespace wnd = platform::wnd;

namespace {

constexpr int kBaudRates[] = {100, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200,
                              230400, 460800, 921600};
constexpr int kDefaultBaudIndex = 5;        // 9600
constexpr int kBaudWithoutSelection = 115200;
constexpr int kFirstDataBits = 5;

struct Label {
  int id;
  const wchar_t* english;
  const wchar_t* simplified;
  const wchar_t* traditional;
};
constexpr Label kLabels[] = {
    {IDC_BAUD_LABEL, L"Baud Rate:", L"波特率：", L"波特率："},
    {IDC_DATA_BITS_LABEL, L"Data Bits:", L"数据位：", L"數據位："},
    {IDC_PARITY_LABEL, L"Parity:", L"奇偶校验：", L"奇偶校驗："},
    {IDC_STOP_BITS_LABEL, L"Stop Bits:", L"停止位：", L"停止位："},
    {IDC_FLOW_LABEL, L"Flow Control:", L"数据流控制：", L"數據流控制："},
};
constexpr int kCombos[] = {IDC_BAUD_COMBO, IDC_DATA_BITS_COMBO, IDC_PARITY_COMBO, IDC_STOP_BITS_COMBO,
                           IDC_FLOW_COMBO};

}  // namespace

int CSerialPortConfigDlg::DoModal(platform::WindowFramework& windows, platform::DialogControls* owner) {
  return windows.RunModal(IDD_SERIAL_CONFIG, *this, owner);
}

bool CSerialPortConfigDlg::OnInitDialog(platform::DialogControls& c) {
  const int lang = AppLanguage();
  c.SetCaption(!m_strTitle.empty() ? m_strTitle
                                   : std::wstring(TextFor(lang, L"Serial Port Configuration", L"串口配置", L"串口配置")));
  for (const Label& label : kLabels) {
    c.SetText(label.id, TextFor(lang, label.english, label.simplified, label.traditional));
    c.ShowControl(label.id, true);
  }
  for (int combo : kCombos) c.ShowControl(combo, true);
  c.SetText(wnd::kIdOk, TextFor(lang, L"OK", L"确定", L"確定"));
  c.SetText(wnd::kIdCancel, TextFor(lang, L"Cancel", L"取消", L"取消"));

  for (int rate : kBaudRates) c.ComboAddString(IDC_BAUD_COMBO, std::to_wstring(rate));
  c.ComboSetCurSel(IDC_BAUD_COMBO, kDefaultBaudIndex);
  for (int bits = kFirstDataBits; bits <= 8; ++bits) c.ComboAddString(IDC_DATA_BITS_COMBO, std::to_wstring(bits));
  c.ComboSetCurSel(IDC_DATA_BITS_COMBO, 3);
  const wchar_t* const parity[][3] = {{L"Even", L"偶校验", L"偶校驗"}, {L"Odd", L"奇校验", L"奇校驗"},
                                      {L"None", L"无", L"無"},       {L"Mark", L"标志", L"標誌"},
                                      {L"Space", L"空格", L"空格"}};
  for (const auto& p : parity) c.ComboAddString(IDC_PARITY_COMBO, TextFor(lang, p[0], p[1], p[2]));
  c.ComboSetCurSel(IDC_PARITY_COMBO, 2);
  for (const wchar_t* stop : {L"1", L"1.5", L"2"}) c.ComboAddString(IDC_STOP_BITS_COMBO, stop);
  c.ComboSetCurSel(IDC_STOP_BITS_COMBO, 0);
  c.ComboAddString(IDC_FLOW_COMBO, L"Xon / Xoff");
  c.ComboAddString(IDC_FLOW_COMBO, TextFor(lang, L"Hardware", L"硬件", L"硬件"));
  c.ComboAddString(IDC_FLOW_COMBO, TextFor(lang, L"None", L"无", L"無"));
  c.ComboSetCurSel(IDC_FLOW_COMBO, 1);
  return true;
}

void CSerialPortConfigDlg::OnCommand(platform::DialogControls& controls, int id, int code) {
  if (id == wnd::kIdOk) {
    OnOK(controls);
    return;
  }
  DialogLogic::OnCommand(controls, id, code);
}

void CSerialPortConfigDlg::OnOK(platform::DialogControls& c) {
  int baud = c.ComboGetCurSel(IDC_BAUD_COMBO);
  m_nBaudRate = baud >= 0 ? static_cast<int>(std::wcstol(c.ComboItemText(IDC_BAUD_COMBO, baud).c_str(), nullptr, 10))
                          : kBaudWithoutSelection;
  // A list without a selection keeps its setting (the lists always start with one).
  int data = c.ComboGetCurSel(IDC_DATA_BITS_COMBO);
  if (data >= 0) m_nDataBits = data + kFirstDataBits;
  int parity = c.ComboGetCurSel(IDC_PARITY_COMBO);
  if (parity >= 0) m_nParity = parity;
  int stop = c.ComboGetCurSel(IDC_STOP_BITS_COMBO);
  if (stop >= 0) m_nStopBits = stop;
  int flow = c.ComboGetCurSel(IDC_FLOW_COMBO);
  if (flow >= 0) m_nFlowControl = flow;
  c.End(wnd::kIdOk);
}
