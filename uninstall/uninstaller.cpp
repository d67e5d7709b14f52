#include "uninstall/uninstaller.h"

#include <algorithm>
#include <vector>

#include "platform/machine.h"
#include "text/case_fold.h"
#include "uninstall/installation_record.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstall_steps.h"

namespace {

constexpr const char* kFn = "RunUninstaller";

int ExitCodeOf(const std::vector<StepResult>& results) {
  bool restart = false;
  for (StepResult result : results) {
    if (result == StepResult::kFailed) return kUninstallStepFailed;
    restart = restart || result == StepResult::kRestart;
  }
  return restart ? kUninstallRestartNeeded : kUninstallRemoved;
}

}  // namespace

bool QuietRequested(const std::wstring& command_line) {
  const std::wstring lower = AsciiLower(command_line);
  // The program's own path comes first, quoted when it has spaces.
  size_t start = 0;
  if (!lower.empty() && lower[0] == L'"') {
    size_t close = lower.find(L'"', 1);
    start = close == std::wstring::npos ? lower.size() : close + 1;
  } else {
    start = std::min(lower.find_first_of(L" \t"), lower.size());
  }
  while (start < lower.size()) {
    size_t end = lower.find_first_of(L" \t", start);
    if (end == std::wstring::npos) end = lower.size();
    const std::wstring word = lower.substr(start, end - start);
    if (word == L"/quiet" || word == L"-quiet") return true;
    start = end + 1;
  }
  return false;
}

int RunUninstaller(platform::Machine& machine, const std::wstring& folder, const std::wstring& program, bool quiet,
                   UninstallUi& ui) {
  UNINSTALL_LOG(kFn, "[ENTRY] RunUninstaller - Folder=%ws, quiet=%d\n", folder.c_str(), quiet ? 1 : 0);
  InstallationRecord record;
  if (!FindInstallation(machine, folder, &record)) {
    UNINSTALL_LOG(kFn, "[EXIT] RunUninstaller - Nothing of this installation is left, Result=%d\n", kUninstallNothingLeft);
    if (!quiet) ui.Tell(UninstallCaption(false), UninstallOutcome(false, kUninstallNothingLeft, L""), false);
    return kUninstallNothingLeft;
  }
  if (!quiet && !ui.Ask(UninstallCaption(record.chinese), UninstallQuestion(record.chinese, record.printer))) {
    UNINSTALL_LOG(kFn, "[EXIT] RunUninstaller - The user keeps the printer, Result=%d\n", kUninstallUserSaidNo);
    return kUninstallUserSaidNo;
  }
  UninstallContext context{machine, record, program, {}};
  std::vector<StepResult> results;
  RunUninstallSteps(context, &results);
  int code = ExitCodeOf(results);
  if (!record.untrusted.empty() && code != kUninstallStepFailed) code = kUninstallStepFailed;
  UNINSTALL_LOG(kFn, "[EXIT] RunUninstaller - Result=%d\n", code);
  if (!quiet) {
    ui.Tell(UninstallCaption(record.chinese), UninstallOutcome(record.chinese, code, record.printer),
            code == kUninstallStepFailed);
  }
  return code;
}

std::wstring UninstallCaption(bool chinese) { return chinese ? L"TavroPrint 卸载" : L"TavroPrint Uninstall"; }

std::wstring UninstallQuestion(bool chinese, const std::wstring& printer) {
  if (chinese) return L"要从此计算机删除打印机“" + printer + L"”及其驱动程序吗？";
  return L"Remove the printer \"" + printer + L"\" and its driver from this computer?";
}

std::wstring UninstallOutcome(bool chinese, int exit_code, const std::wstring& printer) {
  switch (exit_code) {
    case kUninstallRemoved:
      return chinese ? L"打印机“" + printer + L"”已删除。" : L"The printer \"" + printer + L"\" has been removed.";
    case kUninstallRestartNeeded:
      return chinese ? L"打印机“" + printer + L"”已删除。部分文件将在计算机重新启动后删除。"
                     : L"The printer \"" + printer +
                           L"\" has been removed. Some files will be removed when the computer restarts.";
    case kUninstallNothingLeft:
      return chinese ? L"此打印机已不再安装。" : L"This printer is no longer installed.";
    default:
      return chinese ? L"打印机“" + printer + L"”未能完全删除。失败的步骤记录在卸载日志 TavroPrintUninstall 中。"
                     : L"The printer \"" + printer +
                           L"\" could not be removed completely. The uninstall log TavroPrintUninstall names the "
                           L"step that failed.";
  }
}
