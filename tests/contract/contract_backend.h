// What the contract cases need from the backend they run against: the machine, and a few
// arranging hooks. backend_sim.cpp (natively) and backend_win32.cpp (under Wine) supply them, so
// each case is written once and must hold on both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace contract {

// The machine under test, alive for the whole program.
platform::Machine& TheMachine();

// "sim" or "win32".
const char* BackendName();

// An existing folder the cases may fill; each case removes what it made.
std::wstring ScratchFolder();

// True when the Windows program runs under Wine (its ntdll has wine_get_version). The cases
// expect Windows' behaviour and say in one line where Wine's differs.
bool RunsOnWine();

// Removing what the cases registered (also the leftovers of a run that died); quiet when there is
// nothing to remove. The simulation drops the registry keys Windows keeps them in; Windows gets
// the spooler's and the service manager's own calls (and its keys removed where those leave any).
void RemovePrinter(const std::wstring& name);
void RemovePrinterDriver(const std::wstring& name, const std::wstring& environment);
void RemoveMonitor(const std::wstring& name, const std::wstring& environment);
void RemoveService(const std::wstring& name);

// The program's own resource 142 of type "INSTALL" holds exactly these bytes (the win32 program
// carries contract_resource.bin; the sim backend arranges the same bytes).
constexpr char kResourceBytes[] = "TAVRO-CONTRACT-RESOURCE";
constexpr unsigned kResourceId = 142;

// ---- Devices a case arranges (a Bluetooth serial port's BTHENUM node) ----
// Registers a present device under `instance_id`; with a non-empty `port_name` it also gets its
// hardware key (Device Parameters) with "PortName". Empty on success, else the failing step.
std::string AddTestDevice(const std::wstring& instance_id, const std::wstring& port_name);
// Removes the device if it is there, also one a run that died left; true when it is gone.
bool RemoveTestDevice(const std::wstring& instance_id);
// ---- end of arranged devices ----

// ---- Access lists and links ----
struct AccessEntry {
  bool allow = true;
  uint32_t flags = 0;  // OBJECT_INHERIT_ACE 1, CONTAINER_INHERIT_ACE 2, INHERITED_ACE 0x10 ...
  uint32_t mask = 0;
  std::wstring sid;
};
struct AccessList {
  std::wstring owner;
  bool is_protected = false;  // SE_DACL_PROTECTED: nothing inherited from the parent
  std::vector<AccessEntry> entries;
};
// The owner and the access list of a file or folder as GetNamedSecurityInfoW reads them.
bool ReadAccess(const std::wstring& path, AccessList* out);
// A second name for an existing file (CreateHardLinkW).
bool MakeHardLink(const std::wstring& link, const std::wstring& existing);
// A junction at `link`, a new folder, to the folder `target`: "" when made, else why not.
std::string MakeJunction(const std::wstring& link, const std::wstring& target);
// ---- end of access lists and links ----

}  // namespace contract
