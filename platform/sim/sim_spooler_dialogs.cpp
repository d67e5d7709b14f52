// The port monitors' dialogs of the simulated spooler, played by the test's scripted user.
#include "platform/last_error.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_spooler.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

// Only the local monitor's UI and tcpmon's UI have dialogs; the USB and WSD monitors make their
// ports themselves.
bool HasDialogs(const std::wstring& monitor) {
  const std::wstring name = FoldCase(monitor);
  return name == FoldCase(SimSpooler::kLocalPortMonitor) || name == FoldCase(SimSpooler::kTcpIpMonitor);
}

}  // namespace

bool SimSpooler::AddPortUI(DialogControls* owner, const std::wstring& monitor) {
  if (faults_.ShouldFail("AddPortW")) return false;
  const std::wstring installed = InstalledMonitor(monitor);
  if (installed.empty() || !HasDialogs(installed)) {
    SetLastErrorCode(err::kNotSupported);
    return false;
  }
  runs_.push_back(PortDialogRun{"AddPortW", monitor, owner});
  PortDialogAnswer answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (!answer.ok || answer.port.empty()) {
    SetLastErrorCode(err::kCancelled);
    return false;
  }
  if (!MonitorOfPort(answer.port).empty()) {
    // The wizards refuse a name that is taken; the user then gives up.
    SetLastErrorCode(err::kCancelled);
    return false;
  }
  AddPort(installed, answer.port);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimSpooler::ConfigurePort(DialogControls* owner, const std::wstring& port) {
  if (faults_.ShouldFail("ConfigurePortW")) return false;
  const std::wstring monitor = MonitorOfPort(port);
  if (monitor.empty() || !HasDialogs(monitor)) {
    SetLastErrorCode(err::kNotSupported);
    return false;
  }
  runs_.push_back(PortDialogRun{"ConfigurePortW", port, owner});
  PortDialogAnswer answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (!answer.ok) {
    SetLastErrorCode(err::kCancelled);
    return false;
  }
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimSpooler::DeletePort(DialogControls*, const std::wstring& port) {
  if (faults_.ShouldFail("DeletePortW")) return false;
  if (MonitorOfPort(port).empty() || !RemovePort(port)) {
    SetLastErrorCode(err::kNotSupported);
    return false;
  }
  SetLastErrorCode(err::kSuccess);
  return true;
}

}  // namespace platform::sim
