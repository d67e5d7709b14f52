#include "ui/install_dlg.h"

#include "log/log.h"
#include "payload/extract_config.h"
#include "payload/extract_install.h"
#include "payload/inflate_entry.h"
#include "platform/machine.h"

namespace wnd = platform::wnd;

namespace {

// The extraction reports figures; the progress bar is the dialog's, and a worker may report after
// the bar is gone, so each report checks that it still exists.
ProgressCallback ProgressBar(platform::DialogControls* controls) {
  if (controls == nullptr) return nullptr;
  return [controls](int position) {
    if (controls->ControlExists(kIdcProgress)) controls->SetProgressPos(kIdcProgress, position);
  };
}

}  // namespace

CInstallDlg::CInstallDlg(platform::Machine& machine) : machine_(machine) {}

int CInstallDlg::DoModal() {
  int result = machine_.windows().RunModal(kIddInstall, *this);
  m_wizard.Detach();
  controls_ = nullptr;
  return result;
}

void CInstallDlg::OnDestroy(platform::DialogControls& controls) {
  (void)controls;
  // The last moment the install folder field exists: the wizard keeps its final text.
  m_wizard.InstallFolder();
  m_wizard.Detach();
  controls_ = nullptr;
}

void CInstallDlg::ExtractConfigFiles() {
  ::ExtractConfigFiles(machine_, m_pBuf, m_nBufLen, ProgressBar(controls_));
}

int CInstallDlg::LoadFileFromeData(const std::wstring& install_folder) {
  (void)install_folder;
  return ::LoadFileFromeData(machine_, m_pBuf, m_nBufLen, ProgressBar(controls_),
                             m_wizard.InstallFolder(),
                             [this](const std::wstring& file) { m_wizard.SetCurrentFile(file); });
}

int CInstallDlg::InflateEntryToFile(const uint8_t* source, int32_t compressed_length,
                                    const std::string& output_path, int32_t* counter,
                                    int32_t total) {
  return ::InflateEntryToFile(machine_, ProgressBar(controls_), source, compressed_length,
                              output_path, counter, total);
}

bool CInstallDlg::OnInitDialog(platform::DialogControls& controls) {
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::OnInitDialog", __LINE__,
           "[ENTRY] CInstallDlg::OnInitDialog\n");
  controls_ = &controls;
  controls.SetDialogIcon(kIdiInstall);
  if (m_wizard.Create(machine_, controls) != 0) {
    m_wizard.Hide();
    m_wizard.SetPage(2);
  }
  controls.SetProgressRange(kIdcProgress, 0, 100);
  controls.SetProgressPos(kIdcProgress, 0);
  LogPrint(kLogUnitInstallDlg, "CInstallDlg::OnInitDialog", __LINE__,
           "[EXIT] CInstallDlg::OnInitDialog - returning TRUE\n");
  return true;
}

void CInstallDlg::OnCommand(platform::DialogControls& controls, int id, int code) {
  (void)code;
  // Install (IDOK) starts the install command, which a later step brings; until then it does
  // nothing. Cancel, Escape and the close box end the dialog.
  if (id == kIdcInstallCancel || id == wnd::kIdCancel) controls.End(wnd::kIdCancel);
}
