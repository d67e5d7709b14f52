/* The UI module of the tests' Standard TCP/IP Port monitor. Its "dialogs" open no window: they
 * answer as the test program told them through its environment (this module runs in the calling
 * process, as a monitor UI does on Windows), and report what they were asked:
 *   TAVRO_TESTMON_ANSWER  "cancel": every dialog is cancelled (1223); a port name: the add-port
 *                         wizard adds that port; unset: the wizard adds IP_10.0.0.5.
 *   TAVRO_TESTMON_CALLS   each call appends "<function>|<owner window, 8 hex digits>|<monitor or port>;".
 * The port itself is made, configured and deleted through the monitor (XcvData), as Windows'
 * tcpmonui.dll does. */
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <stdio.h>

#define MONITOR_XCV L",XcvMonitor Standard TCP/IP Port"

static void Record(const WCHAR* function, HWND owner, PCWSTR target) {
  WCHAR calls[4096] = L"";
  WCHAR entry[512];
  GetEnvironmentVariableW(L"TAVRO_TESTMON_CALLS", calls, 4096);
  /* Window handles are 32-bit values in 64-bit processes too. */
  _snwprintf(entry, 512, L"%ls|%08lX|%ls;", function, (unsigned long)(ULONG_PTR)owner, target ? target : L"");
  entry[511] = 0;
  if (lstrlenW(calls) + lstrlenW(entry) < 4095) lstrcatW(calls, entry);
  SetEnvironmentVariableW(L"TAVRO_TESTMON_CALLS", calls);
}

/* The answer the test asked for: the port to add, or empty for Cancel. */
static void Answer(WCHAR* port, DWORD chars) {
  DWORD n = GetEnvironmentVariableW(L"TAVRO_TESTMON_ANSWER", port, chars);
  if (n == 0 || n >= chars) lstrcpyW(port, L"IP_10.0.0.5");
  if (lstrcmpiW(port, L"cancel") == 0) port[0] = 0;
}

/* XcvData on the monitor with the port name as input: the monitor's status. */
static DWORD Xcv(PCWSTR command, PCWSTR port) {
  PRINTER_DEFAULTSW defaults = {NULL, NULL, SERVER_ACCESS_ADMINISTER};
  WCHAR object[] = MONITOR_XCV;
  HANDLE xcv = NULL;
  DWORD needed = 0, status = ERROR_SUCCESS;
  BOOL ok;
  if (!OpenPrinterW(object, &xcv, &defaults)) return GetLastError();
  ok = XcvDataW(xcv, command, (PBYTE)port, (lstrlenW(port) + 1) * sizeof(WCHAR), NULL, 0, &needed, &status);
  if (!ok) status = GetLastError();
  ClosePrinter(xcv);
  return status;
}

static BOOL Finish(DWORD status) {
  SetLastError(status);
  return status == ERROR_SUCCESS;
}

static BOOL WINAPI AddPortUIImpl(PCWSTR server, HWND owner, PCWSTR monitor, PWSTR* port_out) {
  WCHAR port[128];
  (void)server;
  Record(L"AddPortUI", owner, monitor);
  if (port_out) *port_out = NULL;
  Answer(port, 128);
  if (!port[0]) return Finish(ERROR_CANCELLED);
  return Finish(Xcv(L"AddPort", port));
}

static BOOL WINAPI ConfigurePortUIImpl(PCWSTR server, HWND owner, PCWSTR port) {
  WCHAR answer[128];
  (void)server;
  Record(L"ConfigurePortUI", owner, port);
  Answer(answer, 128);
  if (!answer[0]) return Finish(ERROR_CANCELLED);
  return Finish(Xcv(L"ConfigPort", port));
}

static BOOL WINAPI DeletePortUIImpl(PCWSTR server, HWND owner, PCWSTR port) {
  (void)server;
  Record(L"DeletePortUI", owner, port);
  return Finish(Xcv(L"DeletePort", port));
}

static MONITORUI monitor_ui = {sizeof(MONITORUI), AddPortUIImpl, ConfigurePortUIImpl, DeletePortUIImpl};

__declspec(dllexport) PMONITORUI WINAPI InitializePrintMonitorUI(void) { return &monitor_ui; }
