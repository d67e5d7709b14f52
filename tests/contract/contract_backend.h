// What the contract cases need from the backend they run against: the machine, and a few
// arranging hooks. backend_sim.cpp (natively) and backend_win32.cpp (under Wine) supply them, so
// each case is written once and must hold on both.
#pragma once

#include <string>

#include "platform/machine.h"

namespace contract {

// The machine under test, alive for the whole program.
platform::Machine& TheMachine();

// "sim" or "win32".
const char* BackendName();

// An existing folder the cases may fill; each case removes what it made.
std::wstring ScratchFolder();

// The program's own resource 142 of type "INSTALL" holds exactly these bytes (the win32 program
// carries contract_resource.bin; the sim backend arranges the same bytes).
constexpr char kResourceBytes[] = "TAVRO-CONTRACT-RESOURCE";
constexpr unsigned kResourceId = 142;

}  // namespace contract
