#include "platform/win32/win32_machine.h"

#include "platform/win32/win32_bluetooth.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_codepage.h"
#include "platform/win32/win32_devices.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/win32_system_info.h"
#include "platform/win32/win32_window_framework.h"

namespace platform::win32 {

Win32Machine::Win32Machine()
    : files_(std::make_unique<Win32Files>()),
      clock_(std::make_unique<Win32Clock>()),
      system_(std::make_unique<Win32SystemInfo>()),
      registry_(std::make_unique<Win32Registry>()),
      codepage_(std::make_unique<Win32CodePage>()),
      shell_(std::make_unique<Win32Shell>()),
      resources_(std::make_unique<Win32Resources>()),
      devices_(std::make_unique<Win32Devices>()),
      spooler_(std::make_unique<Win32Spooler>()),
      services_(std::make_unique<Win32Services>()),
      bluetooth_(std::make_unique<Win32Bluetooth>()),
      windows_(std::make_unique<Win32WindowFramework>()) {}

Win32Machine::~Win32Machine() = default;

Files& Win32Machine::files() { return *files_; }
Clock& Win32Machine::clock() { return *clock_; }
SystemInfo& Win32Machine::system() { return *system_; }
Registry& Win32Machine::registry() { return *registry_; }
CodePage& Win32Machine::codepage() { return *codepage_; }
Shell& Win32Machine::shell() { return *shell_; }
Resources& Win32Machine::resources() { return *resources_; }
Devices& Win32Machine::devices() { return *devices_; }
Spooler& Win32Machine::spooler() { return *spooler_; }
Services& Win32Machine::services() { return *services_; }
Bluetooth& Win32Machine::bluetooth() { return *bluetooth_; }
WindowFramework& Win32Machine::windows() { return *windows_; }

}  // namespace platform::win32
