#include "uninstall/uninstall_steps.h"

#include "uninstall/uninstall_log.h"

namespace {

const char* ResultName(StepResult result) {
  switch (result) {
    case StepResult::kDone: return "done";
    case StepResult::kNothing: return "nothing to remove";
    case StepResult::kKept: return "kept";
    case StepResult::kRestart: return "left for the next restart";
    case StepResult::kFailed: return "failed";
  }
  return "?";
}

}  // namespace

const std::vector<UninstallStep>& UninstallSteps() {
  static const std::vector<UninstallStep> steps = {
      {"DeletePrinter", DeletePrinterStep},
      {"DeletePrinterDriver", DeleteDriverStep},
      {"DeleteDriverFiles", DeleteDriverFilesStep},
      {"DeletePort", DeletePortStep},
      {"DeleteMonitor", DeleteMonitorStep},
      {"DeleteBluetoothRecord", DeleteBluetoothRecordStep},
      {"DeleteService", DeleteServiceStep},
      {"DeleteProductKey", DeleteProductKeyStep},
      {"DeleteUninstallEntry", DeleteUninstallEntryStep},
      {"DeleteInstallFolder", DeleteInstallFolderStep},
  };
  return steps;
}

void RunUninstallSteps(UninstallContext& context, std::vector<StepResult>* results) {
  results->clear();
  for (const UninstallStep& step : UninstallSteps()) {
    UNINSTALL_LOG("RunUninstallSteps", "[ENTRY] %s\n", step.name);
    StepResult result = step.run(context);
    results->push_back(result);
    if (result == StepResult::kFailed) {
      UNINSTALL_LOG("RunUninstallSteps", "[ERROR] RunUninstallSteps - Step %s failed\n", step.name);
    } else {
      UNINSTALL_LOG("RunUninstallSteps", "[EXIT] %s - %s\n", step.name, ResultName(result));
    }
  }
}
