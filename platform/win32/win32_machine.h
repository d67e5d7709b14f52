// The real machine: every service of the seam backed by Windows itself. WinMain makes one and
// hands it to the logic; the Windows tests make one each. Free of windows.h on purpose.
#pragma once

#include <memory>

#include "platform/machine.h"

namespace platform::win32 {

class Win32Files;
class Win32Clock;
class Win32SystemInfo;
class Win32Registry;
class Win32CodePage;
class Win32Shell;
class Win32Resources;
class Win32Devices;
class Win32Spooler;
class Win32Services;
class Win32Bluetooth;
class Win32WindowFramework;

class Win32Machine : public Machine {
 public:
  Win32Machine();
  ~Win32Machine() override;
  Win32Machine(const Win32Machine&) = delete;
  Win32Machine& operator=(const Win32Machine&) = delete;

  Files& files() override;
  Clock& clock() override;
  SystemInfo& system() override;
  Registry& registry() override;
  CodePage& codepage() override;
  Shell& shell() override;
  Resources& resources() override;
  Devices& devices() override;
  Spooler& spooler() override;
  Services& services() override;
  Bluetooth& bluetooth() override;
  WindowFramework& windows() override;

 private:
  std::unique_ptr<Win32Files> files_;
  std::unique_ptr<Win32Clock> clock_;
  std::unique_ptr<Win32SystemInfo> system_;
  std::unique_ptr<Win32Registry> registry_;
  std::unique_ptr<Win32CodePage> codepage_;
  std::unique_ptr<Win32Shell> shell_;
  std::unique_ptr<Win32Resources> resources_;
  std::unique_ptr<Win32Devices> devices_;
  std::unique_ptr<Win32Spooler> spooler_;
  std::unique_ptr<Win32Services> services_;
  std::unique_ptr<Win32Bluetooth> bluetooth_;
  std::unique_ptr<Win32WindowFramework> windows_;
};

}  // namespace platform::win32
