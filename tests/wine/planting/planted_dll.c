// A DLL an attacker would plant beside a downloaded program, copied by the tests under the names
// of the libraries a program might load by name. It does nothing but leave a mark: loaded into a
// process, it creates "<its own path>.loaded" holding that process's program path.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t marker[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatW(marker, L".loaded");
  wchar_t program[MAX_PATH] = {0};
  DWORD program_length = GetModuleFileNameW(NULL, program, MAX_PATH);
  HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, program, program_length * sizeof(wchar_t), &written, NULL);
    CloseHandle(file);
  }
  return TRUE;
}

// The one spooler function the control program imports, so that its import resolves here.
__declspec(dllexport) BOOL WINAPI ClosePrinter(HANDLE printer) {
  (void)printer;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
