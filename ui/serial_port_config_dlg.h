// The serial settings dialog (template 152): baud rate, parity, flow control, data bits and stop
// bits of the COM port a printer is installed on, asked for before the installation starts.
#pragma once

#include <string>

#include "platform/window_framework.h"
#include "ui/resource.h"

class CSerialPortConfigDlg : public platform::DialogLogic {
 public:
  explicit CSerialPortConfigDlg(const std::wstring& port_name) : m_strPortName(port_name) {}

  // Runs template 152 modally, owned by `owner`: IDOK with the settings below, else IDCANCEL
  // (or -1 when the dialog cannot be made).
  int DoModal(platform::WindowFramework& windows, platform::DialogControls* owner);

  bool OnInitDialog(platform::DialogControls& controls) override;
  void OnCommand(platform::DialogControls& controls, int id, int code) override;

  // The settings; the initial values are what the dialog selects at first.
  int m_nBaudRate = 9600;
  int m_nDataBits = 8;
  int m_nParity = 2;       // None
  int m_nStopBits = 0;     // one
  int m_nFlowControl = 1;  // Hardware
  std::wstring m_strPortName;
  std::wstring m_strTitle;  // empty: the language's default title

 private:
  void OnOK(platform::DialogControls& controls);
};
