// Reads the dialog templates of the program's resource script (ui/win32/dialogs.rc) into the
// simulated window framework, so that native tests run the dialogs the installer ships.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_window_framework.h"

namespace tavro_test {

// Parses DIALOGEX templates from resource script text (UTF-8). False with *error on a statement
// it cannot read.
bool ParseRcTemplates(const std::string& text, std::vector<platform::sim::SimTemplate>* out,
                      std::string* error);

// The repository's ui/win32/dialogs.rc, parsed; defines every template in `windows`.
// False (with a test failure message in *error) when the file is missing or unreadable.
bool LoadProgramTemplates(platform::sim::SimWindowFramework& windows, std::string* error);

}  // namespace tavro_test
