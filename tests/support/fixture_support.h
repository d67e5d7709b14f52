// What every native test fixture needs: the log facility bound to a test's simulated machine and
// read back, the catalog's and the port lists' process-wide tables emptied between tests, and the
// shipped data files.
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

// Empties the tables the catalog, the port lists and the installation keep for the whole process
// (the models, the papers, the detected USB printers, the USB and local port rows, the install
// target), as at the program's start.
void ResetSharedTables();

// The bytes of the shipped data file data/`name` of the source tree ("" when it cannot be read).
std::string ShippedFile(const std::string& name);

}  // namespace tavro_test
