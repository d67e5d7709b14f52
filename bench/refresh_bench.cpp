// Cost of one USB refresh of the main dialog (RefreshUsbUi: the spooler's ports, two detections,
// the pairing and the list) as the machine grows: 1 or 32 printers, 32 USB ports, and 300, 3,000
// and 30,000 present devices. The refresh logs several lines per device, printer and model, so
// each run reports the log bytes it wrote beside its time. The reference, measured in the same
// run, is one bare detection (GetPrinterOnline) on the same machine.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "catalog/model_catalog.h"
#include "install/install_texts.h"
#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "tests/support/rc_templates.h"
#include "ui/install_dlg.h"

namespace {

using platform::sim::SimDialog;
using platform::sim::SimMachine;

constexpr int kUsbPorts = 32;

// The shipped catalog in the configuration folder; `printers` TR-80 printers on USB001.. with
// their spooler ports, 32 USB ports in all, and ordinary devices up to `devices`.
std::unique_ptr<SimMachine> MakeMachine(int devices, int printers) {
  auto machine = std::make_unique<SimMachine>();
  std::ifstream in(std::string(TAVRO_SOURCE_DIR) + "/data/Modules.json", std::ios::binary);
  std::stringstream catalog;
  catalog << in.rdbuf();
  machine->files().PutFile(L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config\\Modules.json",
                           catalog.str());
  for (int k = 0; k < kUsbPorts; ++k) {
    wchar_t port[16];
    std::swprintf(port, 16, L"USB%03d", k + 1);
    std::wstring device_path;
    if (k < printers) {
      device_path = machine->devices().AddUsbPrinter(L"TavroTR-80", port, 0x4A7F, static_cast<uint16_t>(k)).printer;
    }
    machine->spooler().AddUsbPort(port, device_path);
  }
  for (int n = static_cast<int>(machine->devices().Count()); n < devices; ++n) {
    wchar_t id[64];
    std::swprintf(id, 64, L"PCI\\VEN_8086&DEV_%04X\\3&11583659&0&%06d", n % 0x10000, n);
    machine->devices().AddOtherDevice(id);
  }
  return machine;
}

// The day's log: its size, and emptying it between iterations (outside the timing).
size_t LogBytes(SimMachine& machine) {
  LogFlush();
  char path[600] = {};
  if (GetLogFilePath(path, sizeof(path)) != 0) return 0;
  return machine.files().FileBytes(std::wstring(path, path + std::strlen(path))).size();
}

void ResetLog(SimMachine& machine) {
  LogStop();
  char path[600] = {};
  if (GetLogFilePath(path, sizeof(path)) == 0) machine.files().Remove(std::wstring(path, path + std::strlen(path)));
  LogAttachMachine(&machine);
}

// A main dialog initialised on `machine` and left open, as the user sees it with USB chosen.
struct OpenDialog {
  explicit OpenDialog(SimMachine& machine) : dlg(machine) {
    std::string error;
    tavro_test::LoadProgramTemplates(machine.windows(), &error);
    const platform::sim::SimTemplate* tmpl = machine.windows().FindTemplate(IDD_INSTALL);
    if (tmpl != nullptr) {
      dialog = std::make_unique<SimDialog>(*tmpl, &dlg, nullptr);
      dlg.OnInitDialog(dialog->ForLogic());
    }
  }
  CInstallDlg dlg;
  std::unique_ptr<SimDialog> dialog;
};

void BM_RefreshUsbUi(benchmark::State& state) {
  int devices = static_cast<int>(state.range(0));
  int printers = static_cast<int>(state.range(1));
  auto machine = MakeMachine(devices, printers);
  LogStop();
  LogAttachMachine(machine.get());
  OpenDialog open(*machine);
  if (!open.dialog) {
    state.SkipWithError("no template 143");
    return;
  }
  size_t bytes = 0;
  int64_t runs = 0;
  for (auto _ : state) {
    open.dlg.RefreshUsbUi();
    state.PauseTiming();
    bytes += LogBytes(*machine);
    ++runs;
    ResetLog(*machine);
    state.ResumeTiming();
  }
  int rows = open.dialog->ListItemCount(IDC_PORT_LIST);
  if (rows != printers) state.SkipWithError("wrong number of rows");
  state.counters["log_bytes"] = runs > 0 ? static_cast<double>(bytes) / static_cast<double>(runs) : 0.0;
  open.dialog->Destroy();
  LogStop();
  LogAttachMachine(nullptr);
}

void BM_BareDetection(benchmark::State& state) {
  auto machine = MakeMachine(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  LogStop();
  LogAttachMachine(machine.get());
  {
    OpenDialog open(*machine);  // the catalog, as the dialog loads it
    if (open.dialog) open.dialog->Destroy();
  }
  static wchar_t paths[kUsbInfoMaxDetected][kUsbDevicePathChars];
  for (auto _ : state) {
    benchmark::DoNotOptimize(GetPrinterOnline(machine->devices(), paths));
    state.PauseTiming();
    ResetLog(*machine);
    state.ResumeTiming();
  }
  LogStop();
  LogAttachMachine(nullptr);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int64_t printers : {1, 32}) {
    for (int64_t devices : {300, 3000, 30000}) b->Args({devices, printers});
  }
}

BENCHMARK(BM_RefreshUsbUi)->ArgNames({"devices", "printers"})->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareDetection)->ArgNames({"devices", "printers"})->Apply(Sizes)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      times_[run.benchmark_name()] = run.GetAdjustedRealTime();
      auto bytes = run.counters.find("log_bytes");
      if (bytes != run.counters.end()) bytes_[run.benchmark_name()] = bytes->second.value;
    }
  }
  double Time(const std::string& name) const { return Find(times_, name); }
  double Bytes(const std::string& name) const { return Find(bytes_, name); }

 private:
  static double Find(const std::map<std::string, double>& m, const std::string& name) {
    auto it = m.find(name);
    return it == m.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> times_;
  std::map<std::string, double> bytes_;
};

std::string Name(const char* bench, int64_t devices, int64_t printers) {
  return std::string(bench) + "/devices:" + std::to_string(devices) + "/printers:" + std::to_string(printers);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nOne refresh, 32 USB ports (times in us; x100 devices from 300 to 30,000):\n");
  std::printf("%-9s %-8s %12s %12s %14s %16s\n", "printers", "devices", "refresh", "log bytes",
              "vs detection", "vs 300 devices");
  for (int64_t printers : {1, 32}) {
    double smallest = reporter.Time(Name("BM_RefreshUsbUi", 300, printers));
    for (int64_t devices : {300, 3000, 30000}) {
      double refresh = reporter.Time(Name("BM_RefreshUsbUi", devices, printers));
      double bare = reporter.Time(Name("BM_BareDetection", devices, printers));
      if (refresh <= 0) continue;
      std::printf("%-9lld %-8lld %12.1f %12.0f %14.2f %16.2f\n", static_cast<long long>(printers),
                  static_cast<long long>(devices), refresh,
                  reporter.Bytes(Name("BM_RefreshUsbUi", devices, printers)), bare > 0 ? refresh / bare : 0.0,
                  smallest > 0 ? refresh / smallest : 0.0);
    }
  }
  benchmark::Shutdown();
  return 0;
}
