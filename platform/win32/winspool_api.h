// The print spooler's functions as the installer calls them: winspool.drv is not a known DLL, so
// it is not imported (a copy beside the program would load first) but resolved at the first call
// from the system folder (system_library.h). Each function answers as the spooler's own; when the
// library or the entry is missing it fails (FALSE, null) with 126 or 127 as last error.
#pragma once

#include <windows.h>
#include <winspool.h>

namespace platform::win32::winspool {

// ClosePrinter, resolved as the calls here are; null (126 or 127 as last error) when it cannot
// be. Only the printer handle's owner calls it (unique_handle.h).
using ClosePrinterFn = BOOL(WINAPI*)(HANDLE);
ClosePrinterFn ClosePrinterEntry();
BOOL EnumPortsW(LPWSTR server, DWORD level, LPBYTE ports, DWORD bytes, LPDWORD needed, LPDWORD returned);
BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE printers, DWORD bytes, LPDWORD needed,
                   LPDWORD returned);
BOOL GetPrinterDriverDirectoryW(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE directory, DWORD bytes,
                                LPDWORD needed);
BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE directory, DWORD bytes,
                                LPDWORD needed);
BOOL AddPrinterDriverW(LPWSTR server, DWORD level, LPBYTE driver);
HANDLE AddPrinterW(LPWSTR server, DWORD level, LPBYTE printer);
DWORD SetPrinterDataW(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD bytes);
BOOL AddMonitorW(LPWSTR server, DWORD level, LPBYTE monitor);
// Not declared by MinGW-w64's headers; the spooler exports it.
BOOL AddPortExW(LPWSTR server, DWORD level, LPBYTE port, LPWSTR monitor);
BOOL SetDefaultPrinterW(LPCWSTR name);
BOOL AddPortW(LPWSTR server, HWND owner, LPWSTR monitor);
BOOL ConfigurePortW(LPWSTR server, HWND owner, LPWSTR port);
BOOL DeletePortW(LPWSTR server, HWND owner, LPWSTR port);
BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults);
BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD bytes, LPDWORD needed);
BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command);
BOOL DeletePrinter(HANDLE printer);
BOOL DeletePrinterDriverExW(LPWSTR server, LPWSTR environment, LPWSTR driver, DWORD flags, DWORD version);
BOOL DeleteMonitorW(LPWSTR server, LPWSTR environment, LPWSTR monitor);

}  // namespace platform::win32::winspool
