#include "app/install_app.h"

#include <memory>

#include "app/driver_support.h"
#include "app/install_text_file.h"
#include "app/log_copy.h"
#include "app/select_language_dlg.h"
#include "install/install_texts.h"
#include "log/log.h"
#include "payload/config_entry.h"
#include "payload/extract_config.h"
#include "payload/load_data.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "platform/window_framework.h"
#include "ui/install_dlg.h"
#include "ui/quiet_window_framework.h"

namespace {
constexpr const char* kInit = "CInstallApp::InitInstance";
constexpr const char* kExit = "CInstallApp::ExitInstance";
// Held by an unattended run while it runs: a second one ends with 1618.
constexpr const wchar_t* kInstallerMutex = L"Global\\TavroPrintSetup";
constexpr uint32_t kAlreadyExists = 183;
constexpr uint32_t kCodePageSimplified = 936;
constexpr uint32_t kCodePageTraditional = 950;
}  // namespace

CInstallApp::CInstallApp(platform::Machine& machine) : machine_(machine) {
  SetAppLanguageSource(&m_nLanguage);
}

CInstallApp::~CInstallApp() {
  SetAppLanguageSource(nullptr);
  FreeLoadedData(payload_);
}

void CInstallApp::UseCommandLine(const std::wstring& command_line) {
  std::vector<std::wstring> words = SplitCommandLine(command_line);
  words.erase(words.begin());
  command_line_ = ParseCommandLine(words);
}

int CInstallApp::FirstLanguage() {
  if (command_line_.language >= 0) return command_line_.language;
  const uint32_t code_page = machine_.codepage().AnsiCodePage();
  if (code_page == kCodePageSimplified) return kLanguageSimplified;
  if (code_page == kCodePageTraditional) return kLanguageTraditional;
  return kLanguageEnglish;
}

bool CInstallApp::InitInstance() {
  log_start_ = command_line_.log_folder.empty() ? 0 : LogSizeNow(machine_);
  LogPrint(kLogUnitInstall, kInit, __LINE__, "[ENTRY] CInstallApp::InitInstance\n");
  m_nExitCode = Run();
  LogPrint(kLogUnitInstall, kInit, __LINE__, "[INFO] CInstallApp::InitInstance - Exit code %d\n", m_nExitCode);
  return false;
}

int CInstallApp::CheckBeforeStart() {
  const bool quiet = command_line_.preset.quiet;
  if (command_line_.any) {
    LogPrint(kLogUnitInstall, kInit, __LINE__, "[INFO] CInstallApp::InitInstance - Command line: quiet=%d, language=%d, log=%ws\n",
             quiet ? 1 : 0, command_line_.language, command_line_.log_folder.c_str());
  }
  if (!command_line_.valid || command_line_.help) {
    if (!command_line_.valid) {
      LogPrint(kLogUnitInstall, kInit, __LINE__, "[ERROR] CInstallApp::InitInstance - %ws, Error=%d\n",
               command_line_.error.c_str(), kExitBadCommandLine);
    }
    if (!quiet) {
      const int language = FirstLanguage();
      std::wstring text = command_line_.valid ? std::wstring() : command_line_.error + L"\r\n\r\n";
      machine_.windows().ShowMessageBox(
          text + UsageText(language),
          TextFor(language, L"Printer Driver Installation", L"打印机驱动安装", L"打印機驅動安裝"),
          platform::wnd::kMbOk | (command_line_.valid ? platform::wnd::kMbIconInformation : platform::wnd::kMbIconError));
    }
    return kExitBadCommandLine;
  }
  if (quiet) {
    mutex_ = machine_.system().CreateInstanceMutex(kInstallerMutex);
    if (!mutex_) {
      const uint32_t code = platform::LastErrorCode();
      LogPrint(kLogUnitInstall, kInit, __LINE__,
               "[ERROR] CInstallApp::InitInstance - %s, Error=%d\n",
               code == kAlreadyExists ? "Another unattended installation is running" : "Installer mutex not made",
               static_cast<int>(code));
      return code == kAlreadyExists ? kExitAlreadyRunning : kExitFailed;
    }
  }
  const DriverSupport support = CheckDriverSupport(machine_);
  if (support != DriverSupport::kSupported) {
    if (!quiet) {
      const int language = FirstLanguage();
      machine_.windows().ShowMessageBox(
          DriverSupportText(support, language),
          TextFor(language, L"Printer Driver Installation", L"打印机驱动安装", L"打印機驅動安裝"),
          platform::wnd::kMbOk | platform::wnd::kMbIconError);
    }
    return kExitUnsupportedWindows;
  }
  return kExitInstalled;
}

bool CInstallApp::ChooseLanguage() {
  const bool quiet = command_line_.preset.quiet;
  if (command_line_.language >= 0 || quiet) {
    // Given on the command line (an unattended run without one speaks English): no dialog asks.
    m_nLanguage = command_line_.language >= 0 ? command_line_.language : kLanguageEnglish;
  } else {
    CSelectLanguageDlg language_dialog;
    if (language_dialog.DoModal(machine_.windows()) != platform::wnd::kIdOk) {
      LogPrint(kLogUnitInstall, kInit, __LINE__,
               "[INFO] CInstallApp::InitInstance - Language selection cancelled, exiting\n");
      return false;
    }
    m_nLanguage = language_dialog.m_nLanguage;
  }
  return true;
}

int CInstallApp::RunMainDialog(CInstallDlg& dialog) {
  const bool quiet = command_line_.preset.quiet;
  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - Starting main dialog\n");
  if (command_line_.any) dialog.m_pPreset = &command_line_.preset;
  if (quiet) {
    CInstallDlg* installer = &dialog;
    quiet_machine_->quiet_windows().Drive(
        IDD_INSTALL, [installer](platform::DialogControls& controls, platform::DialogLogic&) {
          installer->DriveQuietInstall(controls);
        });
  }
  int result = dialog.DoModal();
  if (result == platform::wnd::kIdOk) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[INFO] CInstallApp::InitInstance - Dialog dismissed with OK\n");
  } else if (result == platform::wnd::kIdCancel) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[INFO] CInstallApp::InitInstance - Dialog dismissed with Cancel\n");
  }
  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[EXIT] CInstallApp::InitInstance - Exiting application\n");
  // A dialog that could not be made installed nothing and asked nobody.
  return result == -1 ? kExitFailed : dialog.m_nOutcome;
}

int CInstallApp::Run() {
  const bool quiet = command_line_.preset.quiet;
  const int refused = CheckBeforeStart();
  if (refused != kExitInstalled) return refused;

  machine_.windows().EnableControlContainer();
  // The unattended run shows no window: its dialogs run against controls in memory.
  if (quiet) quiet_machine_ = std::make_unique<quiet::QuietMachine>(machine_);
  platform::Machine& dialog_machine = quiet ? static_cast<platform::Machine&>(*quiet_machine_) : machine_;
  auto dialog = std::make_unique<CInstallDlg>(dialog_machine);

  LogPrint(kLogUnitInstall, kInit, __LINE__,
           "[INFO] CInstallApp::InitInstance - Trying to load data from resource IDR_INSTALL\n");
  dialog->m_pBuf = LoadData(machine_, kPayloadResourceId, kPayloadResourceType, &dialog->m_nBufLen);
  // The buffer outlives the dialog object: it is released with the application object, at the
  // end of the process.
  payload_ = dialog->m_pBuf;
  if (dialog->m_pBuf == nullptr) {
    LogPrint(kLogUnitInstall, kInit, __LINE__,
             "[ERROR] CInstallApp::InitInstance - LoadDataFromFile(IDR_INSTALL) failed, falling back to IDR_DATA\n");
    return kExitFailed;
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

  if (!ChooseLanguage()) return kExitCancelled;
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

  return RunMainDialog(*dialog);
}

int CInstallApp::ExitInstance() {
  LogPrint(kLogUnitInstall, kExit, __LINE__, "[ENTRY] CInstallApp::ExitInstance - Cleaning up\n");
  LogStop();
  if (!command_line_.log_folder.empty()) CopyRunLog(machine_, command_line_.log_folder, log_start_);
  // This line starts the facility again; stopping it once more writes the line out before the
  // process ends instead of leaving it to a writer thread that may never run.
  LogPrint(kLogUnitInstall, kExit, __LINE__, "[EXIT] CInstallApp::ExitInstance\n");
  LogStop();
  return m_nExitCode;
}
