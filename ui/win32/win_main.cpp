// The installer's entry point: hands the real machine to the log facility and the application.
#include <windows.h>

#include "app/install_app.h"
#include "log/log.h"
#include "platform/win32/win32_machine.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  platform::win32::Win32Machine machine;
  LogAttachMachine(&machine);
  CInstallApp app(machine);
  // InitInstance runs the whole program and always answers FALSE: no message loop follows.
  app.InitInstance();
  return app.ExitInstance();
}
