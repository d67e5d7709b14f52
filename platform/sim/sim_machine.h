// One coherent, in-memory Windows for the tests. A new SimMachine is a 64-bit Windows 10
// (build 19045) named TAVRO-PC, Windows folder C:\Windows, ANSI code page 1252, a user
// "Admin" with LocalAppData C:\Users\Admin\AppData\Local, program files C:\Program Files (x86)
// as a 32-bit process under WOW64 sees it (with file-system redirection of System32), and the C:
// drive's root folders and the spooler's driver folders (each with its version-3 folder "3")
// present. Its spooler has the monitors and local ports of a fresh Windows 10 (COM1: to COM4:,
// FILE:, LPT1: to LPT3:, PORTPROMPT:, nul:), no drivers of ours and no printers; one serial port,
// COM1, is in the device map; no services of ours. It has a Bluetooth radio that knows no device.
// Tests arrange it further through the concrete services and read it back afterwards.
#pragma once

#include <memory>

#include "platform/machine.h"
#include "platform/sim/sim_bluetooth.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_spooler.h"
#include "platform/sim/sim_system_info.h"
#include "platform/sim/sim_window_framework.h"

namespace platform::sim {

class SimMachine : public Machine {
 public:
  SimMachine();
  ~SimMachine() override;

  SimFiles& files() override { return files_; }
  SimClock& clock() override { return clock_; }
  SimSystemInfo& system() override { return system_; }
  SimRegistry& registry() override { return registry_; }
  SimCodePage& codepage() override { return codepage_; }
  SimShell& shell() override { return shell_; }
  SimResources& resources() override { return resources_; }
  SimDevices& devices() override { return devices_; }
  SimSpooler& spooler() override { return spooler_; }
  SimServices& services() override { return services_; }
  SimBluetooth& bluetooth() override { return bluetooth_; }
  SimWindowFramework& windows() override { return windows_; }

  SimFaults& faults() { return faults_; }

  // Turns the machine into a 32-bit Windows 10: x86 processor (so "Windows NT x86" is the
  // spooler's own environment), no WOW64 (no file-system redirection), one registry view,
  // program files C:\Program Files; the folders only a 64-bit Windows has are gone.
  void MakeX86Windows();

 private:
  // In construction order: the services that keep their facts in the registry come after it, and
  // those that ask the system facts (WOW64, the Windows folder) after those. The system facts
  // show in the environment and the shell folders, so the shell comes before them.
  SimFaults faults_;
  SimCodePage codepage_;
  SimRegistry registry_;
  SimShell shell_;
  SimSystemInfo system_;
  SimFiles files_;
  SimClock clock_;
  SimResources resources_;
  SimDevices devices_;
  SimSpooler spooler_;
  SimServices services_;
  SimBluetooth bluetooth_;
  SimWindowFramework windows_;
};

}  // namespace platform::sim
