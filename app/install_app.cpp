#include "app/install_app.h"

#include <memory>

#include "app/install_text_file.h"
#include "app/select_language_dlg.h"
#include "catalog/install_texts.h"
#include "log/log.h"
#include "payload/config_entry.h"
#include "payload/extract_config.h"
#include "payload/load_data.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "platform/window_framework.h"
#include "ui/install_dlg.h"

namespace {
constexpr const char* kInit = "CInstallApp::InitInstance";
constexpr const char* kExit = "CInstallApp::ExitInstance";
}  // namespace

CInstallApp::CInstallApp(platform::Machine& machine) : machine_(machine) {
  SetAppLanguageSource(&m_nLanguage);
}

CInstallApp::~CInstallApp() {
  SetAppLanguageSource(nullptr);
  FreeLoadedData(payload_);
}

bool CInstallApp::InitInstance() {
  LogPrint(kLogUnitInstall, kInit, __LINE__, "[ENTRY] CInstallApp::InitInstance\n");
  machine_.windows().EnableControlContainer();
  auto dialog = std::make_unique<CInstallDlg>(machine_);

  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - Trying to load data from resource IDR_INSTALL\n");
  dialog->m_pBuf = LoadData(machine_, kPayloadResourceId, kPayloadResourceType, &dialog->m_nBufLen);
  // The buffer outlives the dialog object: it is released with the application object, at the
  // end of the process.
  payload_ = dialog->m_pBuf;
  if (dialog->m_pBuf == nullptr) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[ERROR] CInstallApp::InitInstance - LoadDataFromFile(IDR_INSTALL) failed, falling back to IDR_DATA\n");
    return false;
  }
  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - LoadDataFromFile success, m_nBufLen=%d\n",
           dialog->m_nBufLen);

  std::wstring local_app_data;
  if (machine_.shell().SpecialFolder(platform::csidl::kLocalAppData, &local_app_data)) {
    config_folder_ = local_app_data + L"\\" + L"Temp\\TavroPrint\\Config\\";
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[INFO] CInstallApp::InitInstance - Local AppData path: %ws\n", local_app_data.c_str());
  } else {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[ERROR] CInstallApp::InitInstance - Failed to get Local AppData path\n");
  }

  // Without a configuration folder there is no logo to remove and no text file to read; a path
  // formed from an empty folder would name the root of the current drive.
  // The folder is the user's: through a link put there these deletes would remove files elsewhere.
  if (!config_folder_.empty() && ConfigFolderLinkFree(machine_, local_app_data, kInit)) {
    machine_.files().Remove(config_folder_ + L"\\Logo.bmp");
  }
  dialog->ExtractConfigFiles();

  CSelectLanguageDlg language_dialog;
  if (language_dialog.DoModal(machine_.windows()) != platform::wnd::kIdOk) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[INFO] CInstallApp::InitInstance - Language selection cancelled, exiting\n");
    return false;
  }
  m_nLanguage = language_dialog.m_nLanguage;
  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - Language selected: %d\n", m_nLanguage);

  std::wstring text_path =
      config_folder_.empty() ? std::wstring() : InstallTextFilePath(config_folder_, m_nLanguage);
  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - Config file path: %ws, Language=%d\n",
           text_path.c_str(), m_nLanguage);
  // The texts come from the payload: the extracted copy may have been replaced meanwhile.
  const payload::PayloadConfigFiles config_files(dialog->m_pBuf, dialog->m_nBufLen, local_app_data);
  const bool remove_copy = !config_folder_.empty() && ConfigFolderLinkFree(machine_, local_app_data, kInit);
  ReadInstallTextFile(
      machine_, text_path,
      [&config_files](const std::wstring& path, std::string* bytes) { return config_files.Read(path, bytes); },
      remove_copy);

  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - Starting main dialog\n");
  int result = dialog->DoModal();
  if (result == platform::wnd::kIdOk) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[INFO] CInstallApp::InitInstance - Dialog dismissed with OK\n");
  } else if (result == platform::wnd::kIdCancel) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[INFO] CInstallApp::InitInstance - Dialog dismissed with Cancel\n");
  }
  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[EXIT] CInstallApp::InitInstance - Exiting application\n");
  return false;
}

int CInstallApp::ExitInstance() {
  LogPrint(kLogUnitInstall, kExit, __LINE__, "[ENTRY] CInstallApp::ExitInstance - Cleaning up\n");
  LogStop();
  // This line starts the facility again; stopping it once more writes the line out before the
  // process ends instead of leaving it to a writer thread that may never run.
  LogPrint(kLogUnitInstall, kExit, __LINE__, "[EXIT] CInstallApp::ExitInstance\n");
  LogStop();
  return 0;
}
