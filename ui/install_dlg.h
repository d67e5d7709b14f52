// The main installer dialog (template 143). It owns the payload buffer that start-up loads, the
// hidden wizard window with the install folder, and the extraction members that the start-up and
// the installation worker call.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window_framework.h"
#include "ui/wizard_wnd.h"

namespace platform {
class Machine;
}

constexpr int kIddInstall = 143;
constexpr int kIdcInstallCancel = 1007;
constexpr int kIdcDriverCombo = 1025;
constexpr int kIdcSetDefault = 1057;
constexpr int kIdcPortList = 1058;
constexpr int kIdcProgress = 1004;
constexpr int kIdcRadioUsb = 1059;
constexpr int kIdcRadioSerial = 1060;
constexpr int kIdcRadioLpt = 1062;
constexpr int kIdcRadioNetwork = 1063;
constexpr int kIdcRadioBluetooth = 1064;
constexpr int kIdcAddNetworkPort = 1066;
constexpr int kIdcScanBle = 1069;
constexpr int kIdiInstall = 145;

class CInstallDlg : public platform::DialogLogic {
 public:
  explicit CInstallDlg(platform::Machine& machine);

  // Runs template 143 modally: the value it ended with (IDCANCEL from its Cancel button), or -1.
  int DoModal();

  // Writes the payload's configuration files into the configuration folder (start-up).
  void ExtractConfigFiles();
  // Writes every payload entry below the wizard's install folder (the argument is not used: the
  // folder is read from the wizard panel). Always 0.
  int LoadFileFromeData(const std::wstring& install_folder);
  // Decompresses one entry into the file at the 8-bit path, moving the progress bar while the
  // dialog is open: 0, or the negative code of the failure.
  int InflateEntryToFile(const uint8_t* source, int32_t compressed_length,
                         const std::string& output_path, int32_t* counter, int32_t total);

  bool OnInitDialog(platform::DialogControls& controls) override;
  void OnCommand(platform::DialogControls& controls, int id, int code) override;
  void OnDestroy(platform::DialogControls& controls) override;

  // The payload loaded at start-up; never freed (it lives until the process ends).
  uint8_t* m_pBuf = nullptr;
  int32_t m_nBufLen = 0;
  CWizardWnd m_wizard;

 private:
  platform::Machine& machine_;
  platform::DialogControls* controls_ = nullptr;  // while the dialog runs
};
