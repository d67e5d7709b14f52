// The simulated spooler's printers by name: open handles, the level-2 records, the port, the
// queue (jobs a test arranges) and deleting a printer. Every fact lives in the printer's key
// (sim_spooler.h); only the jobs are the spooler's own memory.
#include <cstdint>

#include "platform/last_error.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_spooler.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr RegView kView = RegView::k64;
constexpr uint32_t kUnknownPort = 1796;
constexpr uint32_t kInvalidPrinterName = 1801;
constexpr uint32_t kPrinterDeleted = 1905;
constexpr uint32_t kPrinterControlPurgeNeeds = kPrinterAllAccess;

std::wstring Text(SimRegistry& registry, const std::wstring& key, const wchar_t* name) {
  RegValue value;
  return registry.Get(kHklm, key, name, kView, &value) ? value.AsString() : std::wstring();
}

uint32_t Number(SimRegistry& registry, const std::wstring& key, const wchar_t* name) {
  RegValue value;
  return registry.Get(kHklm, key, name, kView, &value) ? value.AsDword() : 0;
}

}  // namespace

class SimPrinterHandle : public PrinterHandle {
 public:
  SimPrinterHandle(SimSpooler& spooler, std::wstring printer, uint32_t access)
      : spooler_(spooler), printer_(std::move(printer)), access_(access) {}

  uint32_t SetData(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) override {
    if (spooler_.faults_.ShouldFail("SetPrinterDataW")) return LastErrorCode();
    if (!Exists()) return kPrinterDeleted;
    RegValue value;
    value.type = type;
    value.data = data;
    spooler_.registry_.Put(kHklm, SimSpooler::PrinterKey(printer_) + L"\\PrinterDriverData", name, kView, value);
    return err::kSuccess;
  }

  const void* LogHandle() const override { return this; }

  bool GetInfo2(PrinterInfo2* out) override {
    if (spooler_.faults_.ShouldFail("GetPrinterW")) return false;
    if (!spooler_.ReadPrinter(printer_, out)) return Fail(kPrinterDeleted);
    return Succeed();
  }

  bool SetPort(const std::wstring& port) override {
    if (spooler_.faults_.ShouldFail("SetPrinterW")) return false;
    if (!Exists()) return Fail(kPrinterDeleted);
    if (port.empty() || !spooler_.PortListed(port)) return Fail(kUnknownPort);
    spooler_.registry_.Put(kHklm, SimSpooler::PrinterKey(printer_), L"Port", kView, RegValue::Sz(port));
    return Succeed();
  }

  bool Purge() override {
    if (spooler_.faults_.ShouldFail("SetPrinterW")) return false;
    if ((access_ & kPrinterControlPurgeNeeds) != kPrinterControlPurgeNeeds) return Fail(err::kAccessDenied);
    if (!Exists()) return Fail(kPrinterDeleted);
    spooler_.FinishJobs(printer_);
    return Succeed();
  }

  bool Delete() override {
    if (spooler_.faults_.ShouldFail("DeletePrinter")) return false;
    if ((access_ & kPrinterAllAccess) != kPrinterAllAccess) return Fail(err::kAccessDenied);
    if (!Exists()) return Fail(kPrinterDeleted);
    if (spooler_.Jobs(printer_) > 0) {
      spooler_.registry_.Put(kHklm, SimSpooler::PrinterKey(printer_), L"Status", kView,
                             RegValue::Dword(kPrinterStatusPendingDeletion));
    } else {
      spooler_.ErasePrinter(printer_);
    }
    return Succeed();
  }

 private:
  bool Exists() { return !spooler_.PrinterKeyName(printer_).empty(); }
  static bool Fail(uint32_t code) {
    SetLastErrorCode(code);
    return false;
  }
  static bool Succeed() {
    SetLastErrorCode(err::kSuccess);
    return true;
  }

  SimSpooler& spooler_;
  std::wstring printer_;
  uint32_t access_;
};

std::unique_ptr<PrinterHandle> SimSpooler::MakeHandle(const std::wstring& printer, uint32_t access) {
  return std::make_unique<SimPrinterHandle>(*this, printer, access);
}

std::wstring SimSpooler::PrinterKeyName(const std::wstring& printer) {
  std::vector<std::wstring> printers;
  registry_.SubKeys(kHklm, kPrintersKey, kView, &printers);
  for (const std::wstring& name : printers) {
    if (FoldCase(name) == FoldCase(printer)) return name;
  }
  return std::wstring();
}

bool SimSpooler::ReadPrinter(const std::wstring& printer, PrinterInfo2* out) {
  const std::wstring name = PrinterKeyName(printer);
  if (name.empty()) return false;
  const std::wstring key = PrinterKey(name);
  out->printer_name = name;
  out->share_name = Text(registry_, key, L"Share Name");
  out->port_name = Text(registry_, key, L"Port");
  out->driver_name = Text(registry_, key, L"Printer Driver");
  out->comment = Text(registry_, key, L"Description");
  out->location = Text(registry_, key, L"Location");
  out->sep_file = Text(registry_, key, L"Separator File");
  out->print_processor = Text(registry_, key, L"Print Processor");
  out->datatype = Text(registry_, key, L"Datatype");
  out->parameters = Text(registry_, key, L"Parameters");
  out->attributes = Number(registry_, key, L"Attributes");
  out->priority = Number(registry_, key, L"Priority");
  out->default_priority = Number(registry_, key, L"Default Priority");
  out->start_time = Number(registry_, key, L"StartTime");
  out->until_time = Number(registry_, key, L"UntilTime");
  out->status = Number(registry_, key, L"Status");
  out->jobs = Jobs(name);
  return true;
}

void SimSpooler::ErasePrinter(const std::wstring& printer) {
  const std::wstring name = PrinterKeyName(printer);
  if (name.empty()) return;
  jobs_.erase(FoldCase(name));
  registry_.Erase(kHklm, PrinterKey(name), kView);
  RegValue device;
  if (registry_.Get(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault, &device) &&
      FoldCase(device.AsString()).rfind(FoldCase(name) + L",", 0) == 0) {
    registry_.EraseValue(Hive::kCurrentUser, kWindowsKey, L"Device", RegView::kDefault);
  }
}

std::unique_ptr<PrinterHandle> SimSpooler::OpenPrinter(const std::wstring& name, uint32_t access) {
  if (faults_.ShouldFail("OpenPrinterW")) return nullptr;
  const std::wstring printer = name.empty() ? std::wstring() : PrinterKeyName(name);
  if (printer.empty()) {
    SetLastErrorCode(kInvalidPrinterName);
    return nullptr;
  }
  SetLastErrorCode(err::kSuccess);
  return MakeHandle(printer, access);
}

bool SimSpooler::EnumPrinters2(std::vector<PrinterInfo2>* out) {
  out->clear();
  if (faults_.ShouldFail("EnumPrintersW")) return false;
  ListPrinters(out);
  SetLastErrorCode(err::kSuccess);
  return true;
}

void SimSpooler::ListPrinters(std::vector<PrinterInfo2>* out) {
  out->clear();
  std::vector<std::wstring> printers;
  registry_.SubKeys(kHklm, kPrintersKey, kView, &printers);
  for (const std::wstring& printer : printers) {
    PrinterInfo2 info;
    if (ReadPrinter(printer, &info)) out->push_back(info);
  }
}

void SimSpooler::QueueJobs(const std::wstring& printer, uint32_t count) {
  const std::wstring name = PrinterKeyName(printer);
  if (!name.empty()) jobs_[FoldCase(name)] += count;
}

void SimSpooler::FinishJobs(const std::wstring& printer) {
  const std::wstring name = PrinterKeyName(printer);
  if (name.empty()) return;
  jobs_.erase(FoldCase(name));
  if (Number(registry_, PrinterKey(name), L"Status") & kPrinterStatusPendingDeletion) ErasePrinter(name);
}

uint32_t SimSpooler::Jobs(const std::wstring& printer) const {
  auto found = jobs_.find(FoldCase(printer));
  return found != jobs_.end() ? found->second : 0;
}

}  // namespace platform::sim
