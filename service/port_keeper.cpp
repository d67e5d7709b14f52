#include "service/port_keeper.h"

#include "text/case_fold.h"

namespace {

bool Kept(const KeptPrinter& printer) { return !printer.model.empty() && IsUsbPortName(printer.port); }

// A device of `model` is paired with `port`.
bool DeviceOn(const std::vector<PresentDevice>& devices, const std::wstring& model, const std::wstring& port) {
  for (const PresentDevice& device : devices) {
    if (!device.port.empty() && EqualsIgnoringCase(device.model, model) && EqualsIgnoringCase(device.port, port)) return true;
  }
  return false;
}

// One of our printers other than `self` holds `port`.
bool HeldByOther(const std::vector<KeptPrinter>& printers, size_t self, const std::wstring& port) {
  for (size_t i = 0; i < printers.size(); ++i) {
    if (i != self && EqualsIgnoringCase(printers[i].port, port)) return true;
  }
  return false;
}

KeepDecision Decide(const std::vector<KeptPrinter>& printers, size_t self, const std::vector<PresentDevice>& devices) {
  const KeptPrinter& printer = printers[self];
  KeepDecision decision{printer.name, KeepOutcome::kNotKept, printer.port, L"", L""};
  if (!Kept(printer)) {
    decision.detail = printer.model.empty() ? L"model unknown" : L"not a USB port";
    return decision;
  }
  if (DeviceOn(devices, printer.model, printer.port)) {
    decision.outcome = KeepOutcome::kInPlace;
    return decision;
  }
  std::vector<const PresentDevice*> candidates;
  for (const PresentDevice& device : devices) {
    if (device.port.empty() || !EqualsIgnoringCase(device.model, printer.model)) continue;
    if (!HeldByOther(printers, self, device.port)) candidates.push_back(&device);
  }
  int orphans = 0;
  for (const KeptPrinter& other : printers) {
    if (Kept(other) && EqualsIgnoringCase(other.model, printer.model) && !DeviceOn(devices, other.model, other.port)) ++orphans;
  }
  if (candidates.empty()) {
    decision.outcome = KeepOutcome::kDeviceGone;
    decision.detail = L"no device of its model on a free port";
    return decision;
  }
  decision.to = candidates.front()->port;
  if (candidates.size() > 1) {
    decision.outcome = KeepOutcome::kAmbiguous;
    decision.detail = std::to_wstring(candidates.size()) + L" devices of its model on free ports";
  } else if (orphans > 1) {
    decision.outcome = KeepOutcome::kAmbiguous;
    decision.detail = std::to_wstring(orphans) + L" printers of its model lost their device";
  } else if (!candidates.front()->shown) {
    decision.outcome = KeepOutcome::kAmbiguous;
    decision.detail = L"the device did not show its port";
  } else {
    decision.outcome = KeepOutcome::kMove;
    decision.detail = candidates.front()->instance_id;
  }
  return decision;
}

}  // namespace

bool IsUsbPortName(const std::wstring& port) {
  return StartsWithIgnoringCase(port, L"USB");
}

std::vector<KeepDecision> DecidePortMoves(const std::vector<KeptPrinter>& printers,
                                          const std::vector<PresentDevice>& devices) {
  std::vector<KeepDecision> decisions;
  decisions.reserve(printers.size());
  for (size_t i = 0; i < printers.size(); ++i) decisions.push_back(Decide(printers, i, devices));
  return decisions;
}
