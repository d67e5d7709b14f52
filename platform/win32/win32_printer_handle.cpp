// The real spooler's printer handle: printer data, the level-2 record, the port, purging the
// queue and deleting the printer.
#include "platform/win32/win32_printer_handle.h"

#include <windows.h>
#include <winspool.h>

#include <new>
#include <vector>

#include "platform/win32/winspool_api.h"

namespace platform::win32 {

namespace {

std::wstring Read(const wchar_t* text) { return text != nullptr ? text : L""; }

}  // namespace

void CopyPrinterInfo2(const void* printer_info_2w, PrinterInfo2* out) {
  const auto* info = static_cast<const PRINTER_INFO_2W*>(printer_info_2w);
  out->printer_name = Read(info->pPrinterName);
  out->share_name = Read(info->pShareName);
  out->port_name = Read(info->pPortName);
  out->driver_name = Read(info->pDriverName);
  out->comment = Read(info->pComment);
  out->location = Read(info->pLocation);
  out->sep_file = Read(info->pSepFile);
  out->print_processor = Read(info->pPrintProcessor);
  out->datatype = Read(info->pDatatype);
  out->parameters = Read(info->pParameters);
  out->attributes = info->Attributes;
  out->priority = info->Priority;
  out->default_priority = info->DefaultPriority;
  out->start_time = info->StartTime;
  out->until_time = info->UntilTime;
  out->status = info->Status;
  out->jobs = info->cJobs;
}

uint32_t Win32PrinterHandle::SetData(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) {
  return winspool::SetPrinterDataW(printer_.get(), const_cast<LPWSTR>(name.c_str()), type,
                                   const_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size()));
}

bool Win32PrinterHandle::ReadInfo2(std::vector<unsigned char>* buffer) {
  DWORD needed = 0;
  if (winspool::GetPrinterW(printer_.get(), 2, nullptr, 0, &needed)) {
    ::SetLastError(ERROR_INVALID_DATA);  // a level-2 record is never empty
    return false;
  }
  for (int attempt = 0; attempt < 8 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    // PRINTER_INFO_2W holds pointers: the buffer is kept aligned for them.
    buffer->assign(needed + sizeof(void*), 0);
    if (winspool::GetPrinterW(printer_.get(), 2, buffer->data(), needed, &needed)) return true;
  }
  return false;
}

bool Win32PrinterHandle::GetInfo2(PrinterInfo2* out) {
  std::vector<unsigned char> buffer;
  if (!ReadInfo2(&buffer)) return false;
  CopyPrinterInfo2(buffer.data(), out);
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

bool Win32PrinterHandle::SetPort(const std::wstring& port) {
  std::vector<unsigned char> buffer;
  if (!ReadInfo2(&buffer)) return false;
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  info->pPortName = const_cast<LPWSTR>(port.c_str());
  return winspool::SetPrinterW(printer_.get(), 2, buffer.data(), 0) != FALSE;
}

bool Win32PrinterHandle::Purge() {
  return winspool::SetPrinterW(printer_.get(), 0, nullptr, PRINTER_CONTROL_PURGE) != FALSE;
}

bool Win32PrinterHandle::Delete() { return winspool::DeletePrinter(printer_.get()) != FALSE; }

}  // namespace platform::win32
