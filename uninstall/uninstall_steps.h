// The removal of one installation as a list of steps, each logged and none fatal to the others:
// the printer, its driver per environment, the driver files, the own port and monitor, the
// Bluetooth port record, the shared service, the product key, the uninstall entry and the
// install folder. A step that cannot tell what is its installation's leaves it alone.
#pragma once

#include <vector>

#include "uninstall/installation_record.h"

namespace platform {
class Machine;
}

// What became of one step's part.
enum class StepResult {
  kDone,     // removed
  kNothing,  // nothing of it was there
  kKept,     // left on purpose: another printer or installation uses it
  kRestart,  // removed as far as possible, the rest goes at the next restart
  kFailed,   // the step failed; its log line says why
};

// The state the steps share: the machine, the record, and what earlier steps learnt.
struct UninstallContext {
  platform::Machine& machine;
  const InstallationRecord& record;
  // The running uninstaller: it goes at the next restart without the removal waiting for one.
  std::wstring program;
  std::vector<std::wstring> removed_drivers;     // environments whose driver went
};

struct UninstallStep {
  const char* name;
  StepResult (*run)(UninstallContext& context);
};

// The steps in their order.
const std::vector<UninstallStep>& UninstallSteps();

// Runs every step, logging each one's name and result; `results` gets one result per step.
void RunUninstallSteps(UninstallContext& context, std::vector<StepResult>* results);

// The step functions (uninstall_spooler_steps.cpp, uninstall_system_steps.cpp,
// uninstall_folder_step.cpp), for the list and the tests.
StepResult DeletePrinterStep(UninstallContext& context);
StepResult DeleteDriverStep(UninstallContext& context);
StepResult DeleteDriverFilesStep(UninstallContext& context);
StepResult DeletePortStep(UninstallContext& context);
StepResult DeleteMonitorStep(UninstallContext& context);
StepResult DeleteBluetoothRecordStep(UninstallContext& context);
StepResult DeleteServiceStep(UninstallContext& context);
StepResult DeleteProductKeyStep(UninstallContext& context);
StepResult DeleteUninstallEntryStep(UninstallContext& context);
StepResult DeleteInstallFolderStep(UninstallContext& context);

// The printers that use `port` (one of a comma-separated list) or, with an empty port, `driver`;
// false when the spooler cannot list them (last error kept).
bool PrintersUsing(platform::Machine& machine, const std::wstring& port, const std::wstring& driver,
                   std::vector<std::wstring>* out);
