// The contract cases against the simulated machine (natively).
#include <cstring>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "tests/contract/contract_backend.h"

namespace contract {

namespace {

// The machine, arranged as the Windows program finds itself.
struct Arranged {
  Arranged() {
    const char* bytes = kResourceBytes;  // what the Windows program carries in its .rc file
    machine.resources().Add(kResourceId, L"INSTALL", std::vector<uint8_t>(bytes, bytes + std::strlen(bytes)));
    machine.files().MakeFolders(L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroContract");
    machine.bluetooth().SetRadio(false);  // no more than the test machines have
  }
  platform::sim::SimMachine machine;
};

platform::sim::SimMachine& Sim() {
  static Arranged arranged;
  return arranged.machine;
}

}  // namespace

platform::Machine& TheMachine() { return Sim(); }

const char* BackendName() { return "sim"; }

std::wstring ScratchFolder() {
  Sim();
  return L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroContract";
}

bool RunsOnWine() { return false; }

void RemovePrinter(const std::wstring& name) {
  Sim().registry().Erase(platform::Hive::kLocalMachine, platform::sim::SimSpooler::PrinterKey(name),
                         platform::RegView::k64);
}

void RemovePrinterDriver(const std::wstring& name, const std::wstring& environment) {
  Sim().registry().Erase(platform::Hive::kLocalMachine, platform::sim::SimSpooler::DriverKey(environment, name),
                         platform::RegView::k64);
}

void RemoveMonitor(const std::wstring& name, const std::wstring& environment) {
  (void)environment;  // one monitor of a name, whatever its environment
  Sim().registry().Erase(platform::Hive::kLocalMachine,
                         std::wstring(platform::sim::SimSpooler::kMonitorsKey) + L"\\" + name, platform::RegView::k64);
}

void RemoveService(const std::wstring& name) {
  Sim().registry().Erase(platform::Hive::kLocalMachine,
                         std::wstring(platform::sim::SimServices::kServicesKey) + L"\\" + name, platform::RegView::k64);
}

std::string AddTestDevice(const std::wstring& instance_id, const std::wstring& port_name) {
  Sim().devices().AddOtherDevice(instance_id);
  if (!port_name.empty() && !Sim().devices().SetPortName(instance_id, port_name)) return "SetPortName";
  return "";
}

bool ReadAccess(const std::wstring& path, AccessList* out) {
  *out = AccessList();
  platform::PathFacts facts = Sim().files().Facts(path);
  if (facts.kind == platform::PathKind::kMissing) return false;
  out->owner = facts.owner;
  // A private folder's own entries; anything else inherits what the simulation does not keep.
  if (Sim().files().IsPrivate(path)) {
    out->is_protected = true;
    uint32_t inherit = facts.kind == platform::PathKind::kDirectory ? 3 : 0;
    out->entries.push_back({true, inherit, 0x1F01FF, platform::sim::SimFiles::kSidSystem});
    out->entries.push_back({true, inherit, 0x1F01FF, platform::sim::SimFiles::kSidAdministrators});
  }
  return true;
}

bool MakeHardLink(const std::wstring& link, const std::wstring& existing) {
  return Sim().files().MakeHardLink(link, existing);
}

std::string MakeJunction(const std::wstring& link, const std::wstring& target) {
  Sim().files().MakeJunction(link, target);
  return "";
}

bool RemoveTestDevice(const std::wstring& instance_id) {
  if (!Sim().devices().Find(instance_id)) return true;
  return Sim().devices().RemoveDevice(instance_id);
}

}  // namespace contract
