// The uninstaller's tests: installations made by the real installation worker on the simulated
// machine (the engine's fixture), then removed by the uninstaller with a scripted user.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/install/install_fixture.h"
#include "uninstall/uninstaller.h"

namespace uninstall_test {

// The user: answers the question as told and keeps what was shown.
class ScriptedUi : public UninstallUi {
 public:
  bool Ask(const std::wstring& caption, const std::wstring& text) override {
    asked.push_back(caption + L"|" + text);
    return yes;
  }
  void Tell(const std::wstring& caption, const std::wstring& text, bool error) override {
    told.push_back(caption + L"|" + text);
    told_error.push_back(error);
  }
  bool yes = true;
  std::vector<std::wstring> asked;
  std::vector<std::wstring> told;
  std::vector<bool> told_error;
};

class UninstallTest : public install_test::InstallTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // One installation of the model by the worker: printer `printer` on `port`, folder
  // "<base>\<printer>" (kept in folder_of_), with the uninstaller and the service program.
  void Install(const std::wstring& printer, const std::wstring& port = L"USB001");
  // The uninstaller of that installation's folder; the log lines go to the uninstall log.
  int Uninstall(const std::wstring& printer, bool quiet = true);
  // Reading back.
  bool PrinterListed(const std::wstring& printer);
  bool DriverRegistered(const std::wstring& driver, const std::wstring& environment);
  bool KeyExists(const std::wstring& key, platform::RegView view);
  std::wstring Folder(const std::wstring& printer) { return kBase + L"\\" + printer; }
  std::wstring EntryKey(const std::wstring& printer) {
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + printer;
  }

  const std::wstring kBase = L"C:\\Program Files (x86)\\TavroPrint";
  ScriptedUi ui_;
};

}  // namespace uninstall_test
