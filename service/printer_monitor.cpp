#include "service/printer_monitor.h"

#include <cstring>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "service/printer_ports.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kFnCheck = "PrinterMonitor::Check";
constexpr const char* kFnCatalog = "PrinterMonitor::LoadCatalog";
#define SVC_LOG(function, ...) LogPrint(kLogUnitService, function, __LINE__, __VA_ARGS__)

constexpr platform::Hive kHklm = platform::Hive::kLocalMachine;

std::wstring WithoutColon(const std::wstring& port) {
  return !port.empty() && port.back() == L':' ? port.substr(0, port.size() - 1) : port;
}

bool ReadSz(platform::Registry& registry, const std::wstring& key, const wchar_t* name, std::wstring* out) {
  platform::RegValue value;
  if (!registry.QueryValue(kHklm, key, name, platform::RegView::k64, &value)) return false;
  if (value.type != platform::regtype::kSz) return false;
  *out = value.AsString();
  return !out->empty();
}

const SpooledPrinter* FindPrinter(const std::vector<SpooledPrinter>& printers, const std::wstring& name) {
  for (const SpooledPrinter& printer : printers) {
    if (EqualsIgnoringCase(printer.name, name)) return &printer;
  }
  return nullptr;
}

}  // namespace

std::vector<ProductRecord> ReadProductKeys(platform::Registry& registry) {
  std::vector<ProductRecord> records;
  std::vector<std::wstring> keys;
  registry.EnumSubKeys(kHklm, L"SOFTWARE", platform::RegView::k64, &keys);
  for (const std::wstring& name : keys) {
    const std::wstring key = L"SOFTWARE\\" + name;
    ProductRecord record{name, L"", L"", L""};
    // "PrinterDriver" first: most keys under SOFTWARE are not ours and lack it.
    if (ReadSz(registry, key, L"PrinterDriver", &record.driver) && ReadSz(registry, key, L"PrinterName", &record.printer) &&
        ReadSz(registry, key, L"PortName", &record.port)) {
      records.push_back(record);
    }
  }
  return records;
}

std::wstring ModelOfPrinter(const std::wstring& printer_name) {
  std::wstring best;
  const std::wstring name = FoldCase(printer_name);
  for (int i = 0; i < kPrinterInfoCount && PrinterInfo[i].MODEL[0] != L'\0'; ++i) {
    std::wstring model(PrinterInfo[i].MODEL, FieldLength(PrinterInfo[i].MODEL, kModelNameChars));
    if (model.size() > best.size() && name.compare(0, model.size(), FoldCase(model)) == 0) best = model;
  }
  return best;
}

PrinterMonitor::PrinterMonitor(platform::Machine& machine, PrinterPorts& ports) : machine_(machine), ports_(ports) {}

bool PrinterMonitor::LoadCatalog(const std::wstring& catalog_path) {
  {
    LogQuietScope quiet;
    LoadModelCatalog(machine_, catalog_path, AddModelCallback());
  }
  int models = CountCatalogModels();
  if (models == 0) {
    SVC_LOG(kFnCatalog, "[ERROR] LoadCatalog - No printer model in %ws, no printer can be recognised\n",
            catalog_path.c_str());
    return false;
  }
  SVC_LOG(kFnCatalog, "[INFO] LoadCatalog - %d printer models from %ws\n", models, catalog_path.c_str());
  return true;
}

bool PrinterMonitor::Changed(const std::wstring& subject, const std::wstring& state) {
  std::wstring& last = last_state_[FoldCase(subject)];
  if (last == state) return false;
  last = state;
  return true;
}

bool PrinterMonitor::FindOurPrinters(std::vector<KeptPrinter>* out) {
  out->clear();
  std::vector<SpooledPrinter> spooled;
  if (!ports_.List(&spooled)) {
    uint32_t code = platform::LastErrorCode();
    if (Changed(L"<spooler>", L"failed " + std::to_wstring(code))) {
      SVC_LOG(kFnCheck, "[ERROR] Check - EnumPrinters failed, Error=%d\n", static_cast<int>(code));
    }
    return false;
  }
  Changed(L"<spooler>", L"");
  for (const ProductRecord& record : ReadProductKeys(machine_.registry())) {
    const SpooledPrinter* printer = FindPrinter(spooled, record.printer);
    std::wstring state;
    if (printer == nullptr) {
      state = L"gone";
    } else if (!EqualsIgnoringCase(printer->driver, record.driver)) {
      state = L"not ours " + printer->driver;
    }
    if (Changed(L"key:" + record.key, state) && !state.empty()) {
      if (printer == nullptr) {
        SVC_LOG(kFnCheck, "[INFO] Check - Printer %ws of product key %ws is not installed, nothing to keep\n",
                record.printer.c_str(), record.key.c_str());
      } else {
        SVC_LOG(kFnCheck, "[WARN] Check - Refused: printer %ws is not ours (driver %ws, ours was %ws), left alone\n",
                printer->name.c_str(), printer->driver.c_str(), record.driver.c_str());
      }
    }
    if (!state.empty()) continue;
    out->push_back(KeptPrinter{printer->name, WithoutColon(printer->port), ModelOfPrinter(printer->name)});
  }
  return true;
}

std::vector<PresentDevice> PrinterMonitor::ScanDevices() {
  std::memset(UsbInfo, 0, sizeof(UsbInfo));
  {
    // The installer's pairing, as its USB list runs it; its per-device lines are not the
    // service's to keep.
    LogQuietScope quiet;
    BuildUsbPortRows(machine_);
  }
  std::vector<PresentDevice> devices;
  for (int i = 0; i < kUsbPortRowCount && i < kUsbInfoMaxDetected && UsbInfo[i].InstanceId[0] != L'\0'; ++i) {
    PresentDevice device;
    device.model.assign(UsbInfo[i].Name, FieldLength(UsbInfo[i].Name, kUsbNameChars));
    device.port.assign(UsbPortRows[i].Port, FieldLength(UsbPortRows[i].Port, kUsbPortRowPortChars));
    device.instance_id.assign(UsbInfo[i].InstanceId, FieldLength(UsbInfo[i].InstanceId, kUsbInstanceIdChars));
    device.shown = UsbPortRowMatch[i] == UsbPortMatch::kByInstance || UsbPortRowMatch[i] == UsbPortMatch::kByUsbPort;
    devices.push_back(device);
  }
  return devices;
}

void PrinterMonitor::LogWatchList(const std::vector<KeptPrinter>& printers) {
  std::wstring list;
  int watched = 0;
  for (const KeptPrinter& printer : printers) {
    if (printer.model.empty() || !IsUsbPortName(printer.port)) continue;
    list += (watched++ ? L", " : L"") + printer.name + L" on " + printer.port;
  }
  if (watch_logged_ && list == last_watch_) return;
  watch_logged_ = true;
  last_watch_ = list;
  SVC_LOG(kFnCheck, "[INFO] Check - Watching %d USB printer(s)%ws%ws\n", watched, watched ? L": " : L"", list.c_str());
}

void PrinterMonitor::Apply(const KeepDecision& d, int* moved) {
  switch (d.outcome) {
    case KeepOutcome::kInPlace:
    case KeepOutcome::kNotKept:
      Changed(d.printer, L"");
      return;
    case KeepOutcome::kDeviceGone:
      if (Changed(d.printer, L"gone " + d.from)) {
        SVC_LOG(kFnCheck, "[INFO] Check - Refused: printer %ws stays on %ws, device gone (%ws)\n", d.printer.c_str(),
                d.from.c_str(), d.detail.c_str());
      }
      return;
    case KeepOutcome::kAmbiguous:
      if (Changed(d.printer, L"ambiguous " + d.from + L" " + d.detail)) {
        SVC_LOG(kFnCheck, "[WARN] Check - Refused: printer %ws stays on %ws, ambiguous (%ws)\n", d.printer.c_str(),
                d.from.c_str(), d.detail.c_str());
      }
      return;
    case KeepOutcome::kMove:
      break;
  }
  if (!ports_.SetPort(d.printer, d.to)) {
    uint32_t code = platform::LastErrorCode();
    if (Changed(d.printer, L"failed " + d.to + L" " + std::to_wstring(code))) {
      SVC_LOG(kFnCheck, "[ERROR] Check - Moving printer %ws from %ws to %ws failed, Error=%d\n", d.printer.c_str(),
              d.from.c_str(), d.to.c_str(), static_cast<int>(code));
    }
    return;
  }
  Changed(d.printer, L"");
  SVC_LOG(kFnCheck, "[INFO] Check - Moved printer %ws from %ws to %ws (device %ws)\n", d.printer.c_str(),
          d.from.c_str(), d.to.c_str(), d.detail.c_str());
  ++*moved;
}

int PrinterMonitor::Check() {
  std::vector<KeptPrinter> printers;
  if (!FindOurPrinters(&printers)) return 0;
  LogWatchList(printers);
  bool any_usb = false;
  for (const KeptPrinter& printer : printers) any_usb = any_usb || (IsUsbPortName(printer.port) && !printer.model.empty());
  if (!any_usb) return 0;
  int moved = 0;
  for (const KeepDecision& decision : DecidePortMoves(printers, ScanDevices())) Apply(decision, &moved);
  return moved;
}
