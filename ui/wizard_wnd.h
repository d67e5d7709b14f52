// The setup wizard window: a hidden child panel of the main dialog that holds the install folder
// (in an edit field of its own), the current-file text and a page number.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "ui/resource.h"

namespace platform {
class DialogControls;
class Machine;
}  // namespace platform


class CWizardWnd {
 public:
  CWizardWnd();

  // Creates the panel over the owner's client area (width - 2, height - 50) and its install
  // folder field holding the default folder: 1 on success, 0 when the window cannot be made.
  int Create(platform::Machine& machine, platform::DialogControls& owner);
  // Forgets the owner once the dialog has ended (its controls are gone by then and are not
  // touched); the texts stay readable.
  void Detach();
  // Hides the whole panel (the main dialog does so at once after creating it).
  void Hide();
  // Shows the install folder field for a nonzero page and hides it for 0, then repaints.
  void SetPage(int page);
  int Page() const { return m_nPage; }
  // A copy of the install folder field's text; once detached, the text last set or read while the
  // dialog ran. Empty before Create.
  std::wstring InstallFolder();
  // Replaces the install folder field's text (the install command appends the printer name).
  void SetInstallFolder(const std::wstring& folder);
  // The current-file text, written by extraction and the worker (any thread); repaints the panel.
  void SetCurrentFile(const std::wstring& text);
  std::wstring CurrentFile() const;

  // "%ProgramFiles%\" expanded (at most 511 characters), followed by FolderName when it is not
  // empty, otherwise by "USB Printer".
  static std::wstring DefaultInstallFolder(platform::Machine& machine);

  int m_nUsbPort = 0;  // 1 while the chosen port is a USB port
  int m_nChinese = 1;  // 1 when the built-in page texts are the Simplified Chinese ones

 private:
  // Read by the installation worker while the dialog's thread may detach it.
  std::atomic<platform::DialogControls*> owner_{nullptr};
  int m_nPage = 0;
  mutable std::mutex mutex_;  // guards folder_ and current_file_
  std::wstring folder_;       // the field's text as last set or read
  std::wstring current_file_;
};
