// An open printer of the real spooler: AddPrinterW's or OpenPrinterW's handle, closed by its owner.
#pragma once

#include "platform/spooler.h"
#include "platform/win32/unique_handle.h"

// winspool.h (through unique_handle.h) maps SetPort to SetPortW, which would rename the method.
#undef SetPort

namespace platform::win32 {

class Win32PrinterHandle : public PrinterHandle {
 public:
  explicit Win32PrinterHandle(unique_hprinter printer) : printer_(std::move(printer)) {}

  uint32_t SetData(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) override;
  const void* LogHandle() const override { return printer_.get(); }
  // GetPrinterW level 2: asks for the size, then again until the record fits.
  bool GetInfo2(PrinterInfo2* out) override;
  // The record GetPrinterW gives back to SetPrinterW with pPortName replaced (its device mode and
  // security descriptor as they were).
  bool SetPort(const std::wstring& port) override;
  bool Purge() override;
  bool Delete() override;

 private:
  // GetPrinterW level 2 into `buffer` (grown until it fits); false with the code.
  bool ReadInfo2(std::vector<unsigned char>* buffer);

  unique_hprinter printer_;
};

// A PRINTER_INFO_2W's texts and numbers as the seam's record (null texts read as empty).
void CopyPrinterInfo2(const void* printer_info_2w, PrinterInfo2* out);

}  // namespace platform::win32
