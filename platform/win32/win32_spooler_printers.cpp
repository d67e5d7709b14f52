// The real spooler's printers by name: opening one, and the level-2 list of the local printers.
#include <windows.h>
#include <winspool.h>
// winspool.h maps these names to their W functions, which would rename the methods defined here.
#undef OpenPrinter
#undef DeletePrinterDriverEx
#undef DeleteMonitor

#include <vector>

#include "platform/win32/win32_printer_handle.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/winspool_api.h"

namespace platform::win32 {

std::unique_ptr<PrinterHandle> Win32Spooler::OpenPrinter(const std::wstring& name, uint32_t access) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
  unique_hprinter handle;
  if (!winspool::OpenPrinterW(const_cast<LPWSTR>(name.c_str()), handle.put(), &defaults)) return nullptr;
  if (!handle) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return std::make_unique<Win32PrinterHandle>(std::move(handle));
}

bool Win32Spooler::EnumPrinters2(std::vector<PrinterInfo2>* out) {
  out->clear();
  wchar_t no_name[] = L"";
  DWORD needed = 0;
  DWORD returned = 0;
  if (winspool::EnumPrintersW(PRINTER_ENUM_LOCAL, no_name, 2, nullptr, 0, &needed, &returned)) {
    ::SetLastError(ERROR_SUCCESS);
    return true;  // no printers at all
  }
  std::vector<unsigned char> buffer;
  for (int attempt = 0; attempt < 8 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    buffer.assign(needed + sizeof(void*), 0);
    if (winspool::EnumPrintersW(PRINTER_ENUM_LOCAL, no_name, 2, buffer.data(), needed, &needed, &returned)) {
      const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
      out->resize(returned);
      for (DWORD i = 0; i < returned; ++i) CopyPrinterInfo2(&printers[i], &(*out)[i]);
      ::SetLastError(ERROR_SUCCESS);
      return true;
    }
  }
  return false;
}

bool Win32Spooler::DeletePrinterDriverEx(const std::wstring& name, const std::wstring& environment, uint32_t flags,
                                         uint32_t version) {
  return winspool::DeletePrinterDriverExW(nullptr, environment.empty() ? nullptr : const_cast<LPWSTR>(environment.c_str()),
                                          const_cast<LPWSTR>(name.c_str()), flags, version) != FALSE;
}

bool Win32Spooler::DeleteMonitor(const std::wstring& name, const std::wstring& environment) {
  return winspool::DeleteMonitorW(nullptr, environment.empty() ? nullptr : const_cast<LPWSTR>(environment.c_str()),
                                  const_cast<LPWSTR>(name.c_str())) != FALSE;
}

}  // namespace platform::win32
