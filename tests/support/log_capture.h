// The day's log and the process-wide tables, as every native test fixture needs them: the log
// facility bound to a test's simulated machine and read back, the catalog's and the port lists'
// tables emptied between tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace tavro_test {

// Closes what the log facility had open and binds it to `machine` (nullptr unbinds it).
void BindLog(platform::sim::SimMachine* machine);

// The log file the facility writes to now, flushed; "" when there is none. The file is written in
// text mode: with `lf_only` each CR LF reads as LF.
std::string ReadLog(platform::sim::SimMachine& machine, bool lf_only = true);

// How often `part` occurs in `text`, overlapping occurrences included.
int CountOf(const std::string& text, const std::string& part);

// Success when `needles` occur in `text` in that order, each after the end of the one before.
::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& needles);

// Empties the tables the catalog and the port lists keep for the whole process (the models, the
// detected USB printers, the USB and local port rows), as at the program's start.
void ResetSharedTables();

}  // namespace tavro_test
