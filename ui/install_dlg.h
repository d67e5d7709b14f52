// The main installer dialog (template 143): the model list, the port types, the port list and the
// default-printer choice. It owns the payload buffer that start-up loads, the hidden wizard window
// with the install folder, and the fonts of its link and Chinese texts. A plugged-in printer's
// model and port are chosen by themselves, and the USB list follows device changes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "catalog/config_reader.h"
#include "install/install_host.h"
#include "platform/window_framework.h"
#include "ports/bluetooth_ports.h"
#include "ports/network_ports.h"
#include "ui/install_preset.h"
#include "ui/resource.h"
#include "ui/wizard_wnd.h"

namespace platform {
class Machine;
}

// Port types of the port list; -1 when no port-type button is on.
constexpr int kPortTypeNone = -1;
constexpr int kPortTypeUsb = 0;
constexpr int kPortTypeSerial = 1;
constexpr int kPortTypeLpt = 2;
constexpr int kPortTypeNetwork = 3;
constexpr int kPortTypeBluetooth = 4;

// The port list's column-0 text is read into a buffer of this many characters.
constexpr int kPortTextChars = 256;

class CInstallDlg : public platform::DialogLogic, public InstallHost {
 public:
  explicit CInstallDlg(platform::Machine& machine);
  // Waits for an installation worker that is still finishing (it ends right after it reports).
  ~CInstallDlg() override;

  // Runs template 143 modally: the value it ended with (IDCANCEL from its Cancel button), or -1.
  int DoModal();

  // Writes the payload's configuration files into the configuration folder (start-up).
  void ExtractConfigFiles();
  // Reads the configuration files by their configuration-folder paths from the payload in memory
  // (what ExtractConfigFiles wrote there, never what lies there now).
  ConfigReader PayloadConfigReader(const std::wstring& local_app_data) const;
  // Writes every payload entry below the wizard's install folder (the argument is not used: the
  // folder is read from the wizard panel). 0, or the Win32 code of the first entry that could not
  // be written (each failure is logged).
  int LoadFileFromeData(const std::wstring& install_folder);
  // Decompresses one entry into the file at the 8-bit path, moving the progress bar while the
  // dialog is open: 0, or the negative code of the failure.
  int InflateEntryToFile(const uint8_t* source, int32_t compressed_length,
                         const std::string& output_path, int32_t* counter, int32_t total);

  // The window's handlers.
  bool OnInitDialog(platform::DialogControls& controls) override;
  void OnCommand(platform::DialogControls& controls, int id, int code) override;
  intptr_t OnNotify(platform::DialogControls& controls,
                    const platform::ListNotification& notification) override;
  void OnCustomDraw(platform::DialogControls& controls, platform::CustomDraw& draw) override;
  bool OnCtlColorStatic(platform::DialogControls& controls, platform::CtlColor& color) override;
  // The dialog's own background: the same white as its labels, radio buttons and check box, so
  // that the window is one colour.
  bool OnCtlColorDialog(platform::DialogControls& controls, platform::CtlColor& color) override;
  intptr_t OnDeviceChange(platform::DialogControls& controls, uint32_t event_type, uintptr_t data,
                          intptr_t default_result) override;
  void OnDestroy(platform::DialogControls& controls) override;
  bool OnMessage(platform::DialogControls& controls, uint32_t message, uintptr_t wparam,
                 intptr_t lparam, intptr_t* result) override;

  // Install: checks port, model and port type (each refusal a message box in the user's
  // language), loads the model's papers, names the printer and starts the worker.
  void OnOK();
  // The install step once the checks have passed: serial settings, the names, the install
  // folder, the controls locked, the worker started.
  void StartInstallation();
  // WM_INSTALL_FINISHED: on success the model's settings for the driver; the outcome in a message
  // box; the dialog ends (IDOK on success, IDCANCEL on failure).
  void OnInstallFinished(uintptr_t wparam, intptr_t lparam);

  // InstallHost: what the installation worker reads and reports, from its own thread.
  std::wstring InstallFolderText() override;
  std::wstring ChosenFolderText() override;
  bool HasPayloadInMemory() override;
  int ExtractPayload() override;
  void SetStatusText(const std::wstring& text) override;
  bool SetDefaultChecked() override;
  void KeepSetDefault(bool set_default) override;
  bool BluetoothChecked() override;
  std::wstring SelectedPortText() override;
  bool UsbPortChosen() override;
  void PostInstallFinished(bool success, uint32_t error_code) override;

  // Empties the model list and refills it from the catalog after the "please select" entry
  // (the same list for every port type); zeroes the USB port table; selects entry 0.
  void FillModelList(int port_type);
  // Detects the USB printers again and, when one is recognised, selects its model and stores
  // the model's index as InstallTarget.ModelIndex.
  void SelectDetectedModel();
  // Rebuilds the USB port table when the USB type is chosen (it is cleared in any case).
  void GetAllPortList();
  // Empties the port list and fills it for `port_type`, with the status column's caption.
  void UpdatePortList(int port_type);
  // Re-reads the spooler's ports, re-detects the USB printers, chooses the first one's model
  // and redraws the USB list; a refresh that starts inside another is dropped.
  void RefreshUsbUi();
  // WM_DEVICECHANGE: node changes, arrivals and completed removals refresh the USB list.
  intptr_t OnDeviceChange(uint32_t event_type, uintptr_t data, intptr_t default_result);

  // The first port-type button that is on (USB, serial, LPT, network, Bluetooth), else -1.
  int PortType();

  // The add-port link of the network type: the Standard TCP/IP monitor's add-port wizard, then
  // the network list again.
  void OnStnClickedAddNetworkPort();
  // The BLE switch: the Bluetooth list again (cleared while the switch is on).
  void OnBnClickedScanBle();

  // ---- Prepared and unattended runs (install_dlg_preset.cpp) ----
  // What the command line asks for; applied at the end of OnInitDialog when set. A choice that
  // cannot be made (unknown model, a port no list shows, no or two plugged-in printers, a network
  // port that cannot be made) is logged, shown unless quiet, and ends the dialog (m_nOutcome 87,
  // or 1603 for a port the monitor refused).
  const InstallPreset* m_pPreset = nullptr;
  // How the run ended, as the process exit code: 1602 until the installation reports (0 or 1603)
  // or the command line is refused (87).
  int m_nOutcome = kExitCancelled;
  // The unattended run's user: with the preset applied, installs what it names, or ends the dialog
  // with 87 when no model or no port is chosen and with 0 when AlreadyInstalled. A refusal of the
  // install command ends it with 1603.
  void DriveQuietInstall(platform::DialogControls& controls);
  // True when a printer of this product for the chosen model already serves the chosen port: a
  // printer named as the model (or its numbered copy) on the driver "<printer> Driver", whose
  // registry key names that port.
  bool AlreadyInstalled();

  // The payload loaded at start-up; never freed (it lives until the process ends).
  uint8_t* m_pBuf = nullptr;
  int32_t m_nBufLen = 0;
  CWizardWnd m_wizard;
  int32_t m_bSetDefault = 0;  // 1 when the new printer becomes the default printer
  int32_t m_bRefreshing = 0;  // 1 while RefreshUsbUi runs
  // True from the worker's start until WM_INSTALL_FINISHED: nothing may end the dialog meanwhile,
  // since the worker reads its controls and its wizard window.
  std::atomic<bool> m_bInstalling{false};
  // The Standard TCP/IP ports the network list shows, in the spooler's order.
  NetworkPortList m_NetworkPorts;
  // The Bluetooth devices the Bluetooth list shows; row i is entry i.
  BluetoothDeviceTable m_BtDevices{};
  // Pairs a BLE device before its port is made. PairBleDevice reports BLE unavailable on every
  // Windows the installer supports; a test puts a stack that pairs in its place.
  std::function<bool(const wchar_t*)> m_PairBle = PairBleDevice;
  // Starts the installation worker; std::thread's own by default. A test puts a starter in its
  // place that fails as a process out of threads does (std::system_error).
  std::function<std::thread(std::function<void()>)> m_StartWorker = [](std::function<void()> body) {
    return std::thread(std::move(body));
  };

 private:
  // OnInitDialog's steps, in their order.
  // The icon and the network link's underlined font; the link stays hidden until Network.
  void PrepareControls();
  // "%LOCALAPPDATA%" (base_folder_ its "Temp\" folder), logged; "" when the shell has none.
  std::wstring FindBaseFolder();
  // The USB type checked, Serial and LPT not.
  void CheckUsbType();
  // "Please select" and the catalog's models, from the extracted file or the payload.
  void LoadModelList(int language, const std::wstring& local_app_data);
  // Detects the plugged-in USB printers and fills the port tables: the first printer's model name
  // ("" when none) and, in *detected_port, the USB port whose row names that model.
  std::wstring DetectPluggedPrinter(std::wstring* detected_port);
  // The port list's style and columns, and the USB rows in it.
  void ShowUsbPortList(int language);
  // The detected model chosen and its port's row selected.
  void SelectDetectedPrinter(const std::wstring& detected_name, const std::wstring& detected_port);

  void ApplyTexts(int language);
  void CreatePortColumns(int language);
  void OnPortTypeClicked(int port_type);
  void OnCbnSelchangeModel();
  void OnNMClickPortList(int item, int column);
  void OnCancel();
  // Selects the first model-list entry whose text equals `name` exactly: its index, or -1 (the
  // selection then stays as it was).
  int SelectModelByName(const std::wstring& name);
  // Selects, focuses and shows the first USB row whose port equals `port` ignoring case.
  void SelectUsbRowByPort(const std::wstring& port);
  void FillUsbRows(int language);
  void FillLocalPortRows(const wchar_t* prefix, bool with_usb_status);
  // The network type's rows: the Standard TCP/IP ports enumerated again.
  void FillNetworkRows(int language);
  // The Bluetooth type's rows: the devices the stack knows (none while the BLE switch is on).
  void FillBluetoothRows(int language);
  // A click on a network row's "Configure" or "Delete" cell.
  void OnNetworkCellClicked(int item, int column);
  // The Bluetooth row's device paired and given its virtual COM port (PortName); false after a
  // refusal.
  bool PrepareBluetoothPort();
  void Refuse(const wchar_t* english, const wchar_t* simplified, const wchar_t* traditional);
  bool ApplyPreset();
  // Logs `detail`, tells the user unless quiet, ends the dialog with `outcome`; false.
  bool PresetFailed(int outcome, const std::wstring& detail, const wchar_t* english, const wchar_t* simplified,
                    const wchar_t* traditional);
  // Switches to the first port type whose list shows `port` (colons and case aside) and selects
  // that row; `only_type` >= 0 tries that type alone. False (USB shown again) when none does.
  bool SelectPresetPort(const std::wstring& port, int only_type);
  // The Standard TCP/IP port for `host`: "IP_<host>" when the monitor has it, else made now.
  bool PresetNetworkPort(const std::wstring& host, std::wstring* port);
  // The port name InstallTarget would get for the selected row of the current port type.
  std::wstring ChosenPortName();
  // True when the Print Spooler service runs. Otherwise says so in the user's language, logs it
  // for `fn` with the state or the code, and answers false: nothing else may be asked of a
  // spooler that is not there.
  bool SpoolerRunning(const char* fn);
  // True (with a log line for `fn`) while an installation runs: the controls that stay live then
  // must not change what the worker installs.
  bool IgnoredWhileInstalling(const char* fn);
  // Starts the worker; false (logged, reported, the dialog as it was before Install) when no
  // thread could be made.
  bool StartWorker();
  // Puts the dialog back as it was before Install locked it, after a worker that never ran.
  void UnlockAfterFailedStart();
  // Install's check of the names the installation builds paths from (the model name, FolderName):
  // true after refusing one with an "[ERROR]" line and a message box; nothing is changed.
  bool RefuseUnsafeNames(const std::wstring& model);
  std::wstring SelectedRowText(int column);
  platform::DialogControls& C() { return *controls_.load(); }

  platform::Machine& machine_;
  // While the dialog runs; the worker reads it too.
  std::atomic<platform::DialogControls*> controls_{nullptr};
  std::thread worker_;
  std::wstring chosen_folder_;  // the install folder before the printer name was appended
  // What the worker reads of the dialog, taken when Install starts it: the model list and the
  // network and Bluetooth buttons stay live meanwhile, and the worker must install the choice
  // that was made, not the one on the screen now.
  struct WorkerSnapshot {
    std::wstring port;  // column 0 of the selected row
    bool bluetooth = false;
    bool usb_port = false;
    bool set_default = true;
  };
  WorkerSnapshot snapshot_;
  std::unique_ptr<platform::Font> underline_font_;
  std::unique_ptr<platform::Font> chinese_font_;
  std::wstring base_folder_;  // "<Local AppData>\Temp\"; empty when it is not known
};
