// The installer's entry point: binds the real machine to the log facility and runs the program.
#include <windows.h>

#include "log/log.h"
#include "platform/win32/win32_machine.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  platform::win32::Win32Machine machine;
  LogAttachMachine(&machine);
  LogPrint(kLogUnitInstall, "CInstallApp::InitInstance", __LINE__, "[ENTRY] CInstallApp::InitInstance\n");
  LogStop();
  return 0;
}
