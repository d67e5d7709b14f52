// The installer's entry point: hands the real machine to the log facility and the application.
#include <windows.h>

#include "app/install_app.h"
#include "log/log.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_machine.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL by name: this elevated process takes system DLLs only from the
  // system folder, never from the (download) folder it was started from.
  platform::win32::HardenDllSearch();
  platform::win32::Win32Machine machine;
  LogAttachMachine(&machine);
  CInstallApp app(machine);
  app.UseCommandLine(GetCommandLineW());
  // InitInstance runs the whole program and always answers FALSE: no message loop follows. The
  // exit code tells a deployment tool how the run ended.
  app.InitInstance();
  return app.ExitInstance();
}
