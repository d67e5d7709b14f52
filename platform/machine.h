// One object stands for the machine the installer runs on and hands out its services.
// platform/win32 makes the real one in WinMain; platform/sim makes one per test.
#pragma once

namespace platform {

class Files;
class Clock;
class SystemInfo;
class Registry;
class CodePage;
class Shell;
class Resources;
class Devices;
class Spooler;
class Services;
class Bluetooth;
class WindowFramework;

class Machine {
 public:
  virtual ~Machine() = default;

  virtual Files& files() = 0;
  virtual Clock& clock() = 0;
  virtual SystemInfo& system() = 0;
  virtual Registry& registry() = 0;
  virtual CodePage& codepage() = 0;
  virtual Shell& shell() = 0;
  virtual Resources& resources() = 0;
  virtual Devices& devices() = 0;
  virtual Spooler& spooler() = 0;
  virtual Services& services() = 0;
  virtual Bluetooth& bluetooth() = 0;
  virtual WindowFramework& windows() = 0;
};

}  // namespace platform
