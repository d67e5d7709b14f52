// The port monitors' dialogs of the simulated spooler, played by the test's scripted user.
#include <cwctype>

#include "platform/last_error.h"
#include "platform/sim/sim_spooler.h"

namespace platform::sim {

namespace {

constexpr uint32_t kErrorCancelled = 1223;

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

// Only the local monitor's UI and tcpmon's UI have dialogs; the USB and WSD monitors make their
// ports themselves.
bool HasDialogs(const std::wstring& monitor) {
  return SameText(monitor, SimSpooler::kLocalPortMonitor) || SameText(monitor, SimSpooler::kTcpIpMonitor);
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
    SetLastErrorCode(kErrorCancelled);
    return false;
  }
  if (!MonitorOfPort(answer.port).empty()) {
    // The wizards refuse a name that is taken; the user then gives up.
    SetLastErrorCode(kErrorCancelled);
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
    SetLastErrorCode(kErrorCancelled);
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
