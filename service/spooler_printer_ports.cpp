#include "platform/last_error.h"
#include "platform/spooler.h"
#include "service/printer_ports.h"

namespace {

class SpoolerPrinterPorts : public PrinterPorts {
 public:
  explicit SpoolerPrinterPorts(platform::Spooler& spooler) : spooler_(spooler) {}

  bool List(std::vector<SpooledPrinter>* out) override {
    std::vector<platform::PrinterInfo2> printers;
    if (!spooler_.EnumPrinters2(&printers)) return false;
    out->clear();
    for (const platform::PrinterInfo2& printer : printers) {
      out->push_back(SpooledPrinter{printer.printer_name, printer.port_name, printer.driver_name});
    }
    return true;
  }

  bool SetPort(const std::wstring& name, const std::wstring& port) override {
    std::unique_ptr<platform::PrinterHandle> printer = spooler_.OpenPrinter(name, platform::kPrinterAllAccess);
    return printer && printer->SetPort(port);
  }

 private:
  platform::Spooler& spooler_;
};

}  // namespace

std::unique_ptr<PrinterPorts> MakeSpoolerPrinterPorts(platform::Spooler& spooler) {
  return std::make_unique<SpoolerPrinterPorts>(spooler);
}
