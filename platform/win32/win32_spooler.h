// The real print spooler (winspool.drv).
#pragma once

#include "platform/spooler.h"

// winspool.h, when included before, maps these names to their W functions: the methods keep
// their own names in every file (the vtable is one for all of them).
#undef OpenPrinter
#undef DeletePrinterDriverEx
#undef DeleteMonitor
#undef SetPort

namespace platform::win32 {

class Win32Spooler : public Spooler {
 public:
  // EnumPortsW(NULL, 2, ...): asks for the size, then again until the list fits (it can grow
  // between the calls).
  bool EnumPorts(std::vector<PortInfo>* out) override;

  // Installation (win32_spooler_install.cpp). An empty environment is passed as NULL: the
  // caller's own.
  bool DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) override;
  bool DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) override;
  bool AddPrinterDriver(const DriverInfo& driver) override;
  // Comment and location go as NULL when empty; the other texts as given.
  std::unique_ptr<PrinterHandle> AddPrinter(const PrinterInfo2& printer) override;
  // Asks for the size, then again until the list fits (it can grow between the calls).
  bool EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) override;
  bool AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) override;
  bool AddPortEx(const std::wstring& monitor, const std::wstring& port) override;
  // An empty name is passed as NULL (the spooler picks a printer).
  bool SetDefaultPrinter(const std::wstring& name) override;
  // ---- The port monitors' dialogs (win32_spooler_dialogs.cpp) ----
  // AddPortW, ConfigurePortW, DeletePortW on the local server, owned by the owner dialog's
  // window when it is a real dialog (Win32DialogControls), else by no window.
  bool AddPortUI(DialogControls* owner, const std::wstring& monitor) override;
  bool ConfigurePort(DialogControls* owner, const std::wstring& port) override;
  bool DeletePort(DialogControls* owner, const std::wstring& port) override;
  // ---- end of the port monitors' dialogs ----
  // ---- Printers by name (win32_spooler_printers.cpp) ----
  // OpenPrinterW with a PRINTER_DEFAULTS of `access` alone (no data type, no device mode).
  std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name, uint32_t access) override;
  bool EnumPrinters2(std::vector<PrinterInfo2>* out) override;
  // An empty environment is passed as NULL (the caller's).
  bool DeletePrinterDriverEx(const std::wstring& name, const std::wstring& environment, uint32_t flags,
                             uint32_t version) override;
  bool DeleteMonitor(const std::wstring& name, const std::wstring& environment) override;
};

}  // namespace platform::win32
