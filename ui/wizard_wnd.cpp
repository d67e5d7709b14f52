#include "ui/wizard_wnd.h"

#include "install/install_texts.h"
#include "platform/machine.h"
#include "platform/shell.h"
#include "platform/window_framework.h"

namespace {
// ExpandEnvironmentStringsW's buffer: 512 characters with the terminator.
constexpr size_t kExpandMaxChars = 511;
}  // namespace

CWizardWnd::CWizardWnd() : current_file_(L"\u8bf7\u7a0d\u5019...") {}  // 请稍候...

std::wstring CWizardWnd::DefaultInstallFolder(platform::Machine& machine) {
  std::wstring folder = machine.shell().ExpandEnvironment(L"%ProgramFiles%\\");
  // A result that does not fit the buffer is no folder at all.
  if (folder.size() > kExpandMaxChars) folder.clear();
  folder += FolderName.empty() ? std::wstring(L"USB Printer") : FolderName;
  return folder;
}

int CWizardWnd::Create(platform::Machine& machine, platform::DialogControls& owner) {
  int width = 0;
  int height = 0;
  owner.ClientSize(&width, &height);
  if (!owner.CreateChildPanel(IDC_WIZARD_PANEL, 0, 0, width - 2, height - 50)) return 0;
  owner_.store(&owner);
  m_nChinese = AppLanguage() == kLanguageSimplified ? 1 : 0;
  if (owner.CreateEditField(IDC_WIZARD_PANEL, IDC_INSTALL_FOLDER, 38, 182, 362, 204)) {
    std::wstring folder = DefaultInstallFolder(machine);
    owner.SetText(IDC_INSTALL_FOLDER, folder);
    std::lock_guard<std::mutex> lock(mutex_);
    folder_ = folder;
  }
  return 1;
}

void CWizardWnd::Detach() {
  // The owner's controls end with its modal run, before this is called: nothing may reach them.
  owner_.store(nullptr);
}

void CWizardWnd::Hide() {
  if (platform::DialogControls* owner = owner_.load()) owner->ShowControl(IDC_WIZARD_PANEL, false);
}

void CWizardWnd::SetPage(int page) {
  m_nPage = page;
  platform::DialogControls* owner = owner_.load();
  if (owner == nullptr) return;
  owner->ShowControl(IDC_INSTALL_FOLDER, page != 0);
  owner->RedrawControl(IDC_WIZARD_PANEL);
}

std::wstring CWizardWnd::InstallFolder() {
  // Read without the lock held: from the worker the read is a message to the dialog's thread.
  if (platform::DialogControls* owner = owner_.load()) {
    std::wstring text = owner->GetText(IDC_INSTALL_FOLDER);
    std::lock_guard<std::mutex> lock(mutex_);
    folder_ = text;
    return text;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  return folder_;
}

void CWizardWnd::SetInstallFolder(const std::wstring& folder) {
  if (platform::DialogControls* owner = owner_.load()) owner->SetText(IDC_INSTALL_FOLDER, folder);
  std::lock_guard<std::mutex> lock(mutex_);
  folder_ = folder;
}

void CWizardWnd::SetCurrentFile(const std::wstring& text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current_file_ = text;
  }
  if (platform::DialogControls* owner = owner_.load()) owner->RedrawControl(IDC_WIZARD_PANEL);
}

std::wstring CWizardWnd::CurrentFile() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_file_;
}
