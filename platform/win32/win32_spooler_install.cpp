// The real spooler's installation calls: driver directories, drivers, printers and their data,
// monitors, ports added through a monitor, and the default printer.
#include "platform/win32/win32_spooler.h"

#include <windows.h>
#include <winspool.h>
// winspool.h maps these names to their W functions, which would rename the methods defined here.
#undef AddPrinterDriver
#undef AddPrinter
#undef EnumPrinters
#undef AddMonitor
#undef AddPortEx
#undef SetDefaultPrinter

#include <cwchar>
#include <memory>
#include <new>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_printer_handle.h"
#include "platform/win32/winspool_api.h"

namespace platform::win32 {

namespace {

// The spooler's records take writable pointers; it does not write through them.
LPWSTR Text(const std::wstring& text) { return const_cast<LPWSTR>(text.c_str()); }
LPWSTR TextOrNull(const std::wstring& text) { return text.empty() ? nullptr : Text(text); }
LPSTR TextOrNull(const std::string& text) { return text.empty() ? nullptr : const_cast<LPSTR>(text.c_str()); }

}  // namespace

bool Win32Spooler::DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) {
  // One character more than the buffer holds, always NUL, so the text ends inside it.
  std::vector<wchar_t> buffer(buffer_bytes / sizeof(wchar_t) + 1, L'\0');
  DWORD needed = 0;
  if (!winspool::GetPrinterDriverDirectoryW(nullptr, TextOrNull(environment), 1, reinterpret_cast<LPBYTE>(buffer.data()),
                                    static_cast<DWORD>(buffer_bytes), &needed)) {
    return false;
  }
  out->assign(buffer.data(), ::wcsnlen(buffer.data(), buffer.size()));
  return true;
}

bool Win32Spooler::DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) {
  std::vector<char> buffer(buffer_bytes + 1, '\0');
  DWORD needed = 0;
  if (!winspool::GetPrinterDriverDirectoryA(nullptr, TextOrNull(environment), 1, reinterpret_cast<LPBYTE>(buffer.data()),
                                    static_cast<DWORD>(buffer_bytes), &needed)) {
    return false;
  }
  out->assign(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
  return true;
}

bool Win32Spooler::AddPrinterDriver(const DriverInfo& driver) {
  DRIVER_INFO_2W info = {};
  info.cVersion = driver.version;
  info.pName = Text(driver.name);
  info.pEnvironment = TextOrNull(driver.environment);
  info.pDriverPath = Text(driver.driver_path);
  info.pDataFile = Text(driver.data_file);
  info.pConfigFile = Text(driver.config_file);
  return winspool::AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != FALSE;
}

std::unique_ptr<PrinterHandle> Win32Spooler::AddPrinter(const PrinterInfo2& printer) {
  PRINTER_INFO_2W info = {};
  info.pPrinterName = Text(printer.printer_name);
  info.pShareName = Text(printer.share_name);
  info.pPortName = Text(printer.port_name);
  info.pDriverName = Text(printer.driver_name);
  info.pComment = TextOrNull(printer.comment);
  info.pLocation = TextOrNull(printer.location);
  info.pSepFile = Text(printer.sep_file);
  info.pPrintProcessor = Text(printer.print_processor);
  info.pDatatype = Text(printer.datatype);
  info.pParameters = Text(printer.parameters);
  info.Attributes = printer.attributes;
  info.Priority = printer.priority;
  info.DefaultPriority = printer.default_priority;
  info.StartTime = printer.start_time;
  info.UntilTime = printer.until_time;
  info.Status = printer.status;
  unique_hprinter handle(winspool::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  if (!handle) return nullptr;
  return std::make_unique<Win32PrinterHandle>(std::move(handle));
}

bool Win32Spooler::EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) {
  names->clear();
  *bytes_needed = 0;
  wchar_t no_name[] = L"";
  DWORD needed = 0;
  DWORD returned = 0;
  if (winspool::EnumPrintersW(flags, no_name, 2, nullptr, 0, &needed, &returned)) {
    *bytes_needed = needed;
    ::SetLastError(ERROR_SUCCESS);
    return true;  // no printers at all
  }
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  *bytes_needed = needed;
  std::unique_ptr<BYTE[]> buffer;
  for (int attempt = 0; attempt < 8; ++attempt) {
    buffer.reset(new (std::nothrow) BYTE[needed]);
    if (!buffer) {
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    if (winspool::EnumPrintersW(flags, no_name, 2, buffer.get(), needed, &needed, &returned)) {
      const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.get());
      for (DWORD i = 0; i < returned; ++i) {
        names->push_back(printers[i].pPrinterName ? printers[i].pPrinterName : L"");
      }
      ::SetLastError(ERROR_SUCCESS);
      return true;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

bool Win32Spooler::AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) {
  MONITOR_INFO_2W info = {};
  info.pName = Text(name);
  info.pEnvironment = TextOrNull(environment);
  info.pDLLName = Text(dll);
  return winspool::AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != FALSE;
}

bool Win32Spooler::AddPortEx(const std::wstring& monitor, const std::wstring& port) {
  PORT_INFO_1W info = {Text(port)};
  return winspool::AddPortExW(nullptr, 1, reinterpret_cast<LPBYTE>(&info), Text(monitor)) != FALSE;
}

bool Win32Spooler::SetDefaultPrinter(const std::wstring& name) {
  return winspool::SetDefaultPrinterW(name.empty() ? nullptr : name.c_str()) != FALSE;
}

}  // namespace platform::win32
