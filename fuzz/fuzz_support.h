// One simulated machine for a fuzz target's whole run, with the log bound to it and its file
// dropped now and then so that a long run does not fill memory.
#pragma once

#include <string>

#include "log/log.h"
#include "platform/sim/sim_machine.h"

struct FuzzMachine {
  FuzzMachine() { LogAttachMachine(&machine); }
  ~FuzzMachine() {
    LogStop();
    LogAttachMachine(nullptr);
  }

  void TrimLog() {
    if (++runs % 256 != 0) return;
    LogFlush();
    char path[512] = {};
    if (GetLogFilePath(path, sizeof(path)) == 0) {
      machine.files().Remove(machine.codepage().FromAnsi(path));
    }
  }

  platform::sim::SimMachine machine;
  unsigned runs = 0;
};
