// What an unattended or prepared run asks of the main dialog (from the installer's command line):
// the model, the port, the serial settings and the default-printer choice it preselects, and the
// process exit codes that report how a run ended.
#pragma once

#include <string>

// The installer's exit codes (the Windows Installer's values, which deployment tools know).
constexpr int kExitInstalled = 0;           // installed, or (unattended) already installed
constexpr int kExitBadCommandLine = 87;     // ERROR_INVALID_PARAMETER: the command line cannot be used
constexpr int kExitCancelled = 1602;        // ERROR_INSTALL_USEREXIT: the user cancelled
constexpr int kExitFailed = 1603;           // ERROR_INSTALL_FAILURE
constexpr int kExitAlreadyRunning = 1618;   // ERROR_INSTALL_ALREADY_RUNNING
constexpr int kExitUnsupportedWindows = 1633;  // ERROR_INSTALL_PLATFORM_UNSUPPORTED

// Serial settings as the serial settings dialog holds them (its indexes, see SetCommPort).
struct SerialPreset {
  bool given = false;
  int baud_rate = 9600;
  int parity = 2;        // 0 Even, 1 Odd, 2 None, 3 Mark, 4 Space
  int data_bits = 8;
  int stop_bits = 0;     // 0 one, 1 one and a half, 2 two
  int flow_control = 1;  // 0 Xon / Xoff, 1 Hardware, 2 None
};

struct InstallPreset {
  std::wstring model;      // a catalog model name, compared ignoring case; empty: not given
  std::wstring port;       // a port name as the port list shows it; empty: not given
  bool port_auto = false;  // the one plugged-in USB printer's port (and model, without `model`)
  std::wstring ip;         // a Standard TCP/IP port for this address; empty: not given
  SerialPreset serial;
  bool no_default = false;  // clear "Set as default printer"
  bool quiet = false;       // no window at all: refusals are logged, the exit code tells
};
