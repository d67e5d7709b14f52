#include "ui/wizard_wnd.h"

#include "catalog/install_texts.h"
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
  if (!owner.CreateChildPanel(kWizardPanelId, 0, 0, width - 2, height - 50)) return 0;
  owner_ = &owner;
  m_nChinese = AppLanguage() == kLanguageSimplified ? 1 : 0;
  if (owner.CreateEditField(kWizardPanelId, kIdcInstallFolder, 38, 182, 362, 204)) {
    owner.SetText(kIdcInstallFolder, DefaultInstallFolder(machine));
  }
  return 1;
}

void CWizardWnd::Detach() {
  if (owner_ != nullptr) folder_ = owner_->GetText(kIdcInstallFolder);
  owner_ = nullptr;
}

void CWizardWnd::Hide() {
  if (owner_ != nullptr) owner_->ShowControl(kWizardPanelId, false);
}

void CWizardWnd::SetPage(int page) {
  m_nPage = page;
  if (owner_ == nullptr) return;
  owner_->ShowControl(kIdcInstallFolder, page != 0);
  owner_->RedrawControl(kWizardPanelId);
}

std::wstring CWizardWnd::InstallFolder() {
  return owner_ != nullptr ? owner_->GetText(kIdcInstallFolder) : folder_;
}

void CWizardWnd::SetCurrentFile(const std::wstring& text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current_file_ = text;
  }
  if (owner_ != nullptr) owner_->RedrawControl(kWizardPanelId);
}

std::wstring CWizardWnd::CurrentFile() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_file_;
}
