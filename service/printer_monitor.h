// "Mavrin Printer Monitor", the service's job: keeps every USB printer this product installed on
// the USB port where its device is now. Our printers are those named by a product key
// (HKLM\SOFTWARE\<stem>, 64-bit view, with "PrinterName", "PortName" and "PrinterDriver") whose
// spooler printer still has the driver the key records; the devices and their ports come from the
// installer's own USB port pairing (BuildUsbPortRows), run without its log lines; the decision is
// DecidePortMoves (service/port_keeper.h). The log gets the watch list, each move and each
// refusal, a refusal again only when it changes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "service/port_keeper.h"

namespace platform {
class Machine;
class Registry;
}  // namespace platform

class PrinterPorts;

// The service's source unit in the log.
constexpr const char* kLogUnitService = "Service.cpp";

// One product key with the three values the service reads.
struct ProductRecord {
  std::wstring key;      // the subkey's name under SOFTWARE
  std::wstring printer;  // "PrinterName"
  std::wstring port;     // "PortName" at installation
  std::wstring driver;   // "PrinterDriver"
};

// The subkeys of HKLM\SOFTWARE (64-bit view) holding REG_SZ "PrinterName", "PortName" and
// "PrinterDriver", in the registry's order. Keys that lack one of them are not ours to judge and
// are skipped silently.
std::vector<ProductRecord> ReadProductKeys(platform::Registry& registry);

// The catalog MODEL a printer of this name was installed for: the longest MODEL of PrinterInfo
// that begins the name, ignoring case (the installer names a printer after its model, a second
// one with a " (copy n)" suffix). Empty when no model does.
std::wstring ModelOfPrinter(const std::wstring& printer_name);

class PrinterMonitor {
 public:
  PrinterMonitor(platform::Machine& machine, PrinterPorts& ports);

  // Reads the model catalog at `catalog_path` into PrinterInfo without its log lines; logs the
  // number of models, or an "[ERROR]" line when there are none (nothing can be recognised then).
  bool LoadCatalog(const std::wstring& catalog_path);

  // One pass: finds our printers, pairs the present USB printers with ports, moves each printer
  // the rule allows to its device's port and logs what changed. Returns the number of printers
  // moved. Scans no device while none of our printers sits on a USB port.
  int Check();

 private:
  // Our printers as the spooler has them now; false (logged once) when the spooler cannot list
  // its printers. A product key whose printer is gone or has another driver is logged once.
  bool FindOurPrinters(std::vector<KeptPrinter>* out);
  // The present USB printers with the ports the installer's pairing gives them, quietly.
  std::vector<PresentDevice> ScanDevices();
  // Carries out one decision: moves the printer, or logs the refusal when it is new; counts moves.
  void Apply(const KeepDecision& decision, int* moved);
  // Records `state` for `subject`; true when it differs from the one recorded before, so that a
  // refusal that stands is logged once, not at every check.
  bool Changed(const std::wstring& subject, const std::wstring& state);
  // "Watching ..." with our USB printers and their ports, when the list differs from the last.
  void LogWatchList(const std::vector<KeptPrinter>& printers);

  platform::Machine& machine_;
  PrinterPorts& ports_;
  std::map<std::wstring, std::wstring> last_state_;
  std::wstring last_watch_;
  bool watch_logged_ = false;
};
