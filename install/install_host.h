// What the installation engine needs of the main dialog, which runs it: the dialog implements
// this; the engine never sees the dialog's class. The worker calls these from its own thread;
// the dialog answers them on its thread (reads of its controls travel there as messages).
#pragma once

#include <cstdint>
#include <string>

class InstallHost {
 public:
  virtual ~InstallHost() = default;
  // The install folder edit box's current text (read afresh at every call).
  virtual std::wstring InstallFolderText() = 0;
  // The install folder as the user chose it, before the printer name was appended.
  virtual std::wstring ChosenFolderText() = 0;
  // True when the payload is held in memory (else it is read from the executable).
  virtual bool HasPayloadInMemory() = 0;
  // Extracts every payload entry into the install folder (progress moves the bar): 0 when every
  // entry was written, else the Win32 code of the first one that failed (each failure is logged).
  virtual int ExtractPayload() = 0;
  // Sets the wizard window's status text and repaints it.
  virtual void SetStatusText(const std::wstring& text) = 0;
  // "Set as default printer" (1057): true when checked; true also when the control is missing.
  virtual bool SetDefaultChecked() = 0;
  // Keeps the worker's default-printer choice in the dialog (m_bSetDefault).
  virtual void KeepSetDefault(bool set_default) = 0;
  // The "Bluetooth" radio button (1064) is checked.
  virtual bool BluetoothChecked() = 0;
  // Column 0 of the port list's selected row; empty when none is selected.
  virtual std::wstring SelectedPortText() = 0;
  // The wizard window's USB-port flag: the chosen port is a USB port.
  virtual bool UsbPortChosen() = 0;
  // Posts WM_INSTALL_FINISHED (wParam 1 / 0, lParam the code) to the dialog.
  virtual void PostInstallFinished(bool success, uint32_t error_code) = 0;
};
