// What the service needs of the print spooler: the printers with their ports and drivers, and
// moving one printer to another port. The real one sits on the spooler seam
// (SpoolerPrinterPorts); tests may stand in their own.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {
class Spooler;
}

// One printer as PRINTER_INFO_2 has it.
struct SpooledPrinter {
  std::wstring name;
  std::wstring port;    // as the spooler spells it (may end in a colon)
  std::wstring driver;
};

class PrinterPorts {
 public:
  virtual ~PrinterPorts() = default;
  // Every local printer with its port and driver; false with the spooler's code as last error.
  virtual bool List(std::vector<SpooledPrinter>* out) = 0;
  // Moves the printer `name` to `port` (SetPrinter level 2 with only the port changed); false
  // with the spooler's code as last error (1801 for an unknown printer).
  virtual bool SetPort(const std::wstring& name, const std::wstring& port) = 0;
};

// PrinterPorts over the spooler seam.
std::unique_ptr<PrinterPorts> MakeSpoolerPrinterPorts(platform::Spooler& spooler);
