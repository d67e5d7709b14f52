#include "platform/win32/winspool_api.h"

#include "platform/win32/system_library.h"

namespace platform::win32::winspool {

namespace {

// The entry `name` of winspool.drv called with `args`, or `failed` when it cannot be resolved
// (the resolution left its code).
template <typename Fn, typename Result, typename... Args>
Result Call(const char* name, Result failed, Args... args) {
  Fn fn = WinspoolLibrary().Entry<Fn>(name);
  return fn != nullptr ? fn(args...) : failed;
}

using AddPortExFn = BOOL(WINAPI*)(LPWSTR, DWORD, LPBYTE, LPWSTR);

}  // namespace

ClosePrinterFn ClosePrinterEntry() { return WinspoolLibrary().Entry<ClosePrinterFn>("ClosePrinter"); }

BOOL EnumPortsW(LPWSTR server, DWORD level, LPBYTE ports, DWORD bytes, LPDWORD needed, LPDWORD returned) {
  return Call<decltype(&::EnumPortsW)>("EnumPortsW", FALSE, server, level, ports, bytes, needed, returned);
}

BOOL EnumPrintersW(DWORD flags, LPWSTR name, DWORD level, LPBYTE printers, DWORD bytes, LPDWORD needed,
                   LPDWORD returned) {
  return Call<decltype(&::EnumPrintersW)>("EnumPrintersW", FALSE, flags, name, level, printers, bytes, needed,
                                          returned);
}

BOOL GetPrinterDriverDirectoryW(LPWSTR server, LPWSTR environment, DWORD level, LPBYTE directory, DWORD bytes,
                                LPDWORD needed) {
  return Call<decltype(&::GetPrinterDriverDirectoryW)>("GetPrinterDriverDirectoryW", FALSE, server, environment,
                                                       level, directory, bytes, needed);
}

BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE directory, DWORD bytes,
                                LPDWORD needed) {
  return Call<decltype(&::GetPrinterDriverDirectoryA)>("GetPrinterDriverDirectoryA", FALSE, server, environment,
                                                       level, directory, bytes, needed);
}

BOOL AddPrinterDriverW(LPWSTR server, DWORD level, LPBYTE driver) {
  return Call<decltype(&::AddPrinterDriverW)>("AddPrinterDriverW", FALSE, server, level, driver);
}

HANDLE AddPrinterW(LPWSTR server, DWORD level, LPBYTE printer) {
  return Call<decltype(&::AddPrinterW)>("AddPrinterW", static_cast<HANDLE>(nullptr), server, level, printer);
}

DWORD SetPrinterDataW(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD bytes) {
  // This one answers its code instead of setting the last error.
  auto fn = WinspoolLibrary().Entry<decltype(&::SetPrinterDataW)>("SetPrinterDataW");
  return fn != nullptr ? fn(printer, name, type, data, bytes) : ::GetLastError();
}

BOOL AddMonitorW(LPWSTR server, DWORD level, LPBYTE monitor) {
  return Call<decltype(&::AddMonitorW)>("AddMonitorW", FALSE, server, level, monitor);
}

BOOL AddPortExW(LPWSTR server, DWORD level, LPBYTE port, LPWSTR monitor) {
  return Call<AddPortExFn>("AddPortExW", FALSE, server, level, port, monitor);
}

BOOL SetDefaultPrinterW(LPCWSTR name) {
  return Call<decltype(&::SetDefaultPrinterW)>("SetDefaultPrinterW", FALSE, name);
}

BOOL AddPortW(LPWSTR server, HWND owner, LPWSTR monitor) {
  return Call<decltype(&::AddPortW)>("AddPortW", FALSE, server, owner, monitor);
}

BOOL ConfigurePortW(LPWSTR server, HWND owner, LPWSTR port) {
  return Call<decltype(&::ConfigurePortW)>("ConfigurePortW", FALSE, server, owner, port);
}

BOOL DeletePortW(LPWSTR server, HWND owner, LPWSTR port) {
  return Call<decltype(&::DeletePortW)>("DeletePortW", FALSE, server, owner, port);
}

BOOL OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
  return Call<decltype(&::OpenPrinterW)>("OpenPrinterW", FALSE, name, printer, defaults);
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD bytes, LPDWORD needed) {
  return Call<decltype(&::GetPrinterW)>("GetPrinterW", FALSE, printer, level, info, bytes, needed);
}

BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  return Call<decltype(&::SetPrinterW)>("SetPrinterW", FALSE, printer, level, info, command);
}

BOOL DeletePrinter(HANDLE printer) { return Call<decltype(&::DeletePrinter)>("DeletePrinter", FALSE, printer); }

BOOL DeletePrinterDriverExW(LPWSTR server, LPWSTR environment, LPWSTR driver, DWORD flags, DWORD version) {
  return Call<decltype(&::DeletePrinterDriverExW)>("DeletePrinterDriverExW", FALSE, server, environment, driver, flags,
                                                   version);
}

BOOL DeleteMonitorW(LPWSTR server, LPWSTR environment, LPWSTR monitor) {
  return Call<decltype(&::DeleteMonitorW)>("DeleteMonitorW", FALSE, server, environment, monitor);
}

}  // namespace platform::win32::winspool
