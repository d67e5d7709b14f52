// Cost of USB printer recognition as the machine grows: GetPrinterOnline on the simulated machine
// with 300, 3,000 and 30,000 present devices (1 or 32 printers among them) against catalogs of 6
// and 255 models. The reference, measured in the same run, is the bare walk over the same set
// (enumerate and read every instance id), which is what Windows itself charges for.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "ports/usb_detect.h"

namespace {

using platform::sim::SimMachine;

// A machine with `devices` present devices, `printers` of them recognisable USBPRINT printers
// (each with its USB parent), the rest ordinary devices; the printers match the catalog's last
// model, so that every model is compared.
std::unique_ptr<SimMachine> MakeMachine(int devices, int printers, int models) {
  auto machine = std::make_unique<SimMachine>();
  std::memset(PrinterInfo, 0, sizeof(PrinterInfo));
  for (int i = 0; i < models; ++i) {
    std::swprintf(PrinterInfo[i].MODEL, kModelNameChars, L"Tavro TX-%03d", i);
    std::swprintf(PrinterInfo[i].RecognizeName, kModelNameChars, L"TX-%03d", i);
  }
  wchar_t segment[32];
  std::swprintf(segment, 32, L"TAVROTX-%03d_LABEL", models - 1);
  for (int k = 0; k < printers; ++k) {
    wchar_t port[16];
    std::swprintf(port, 16, L"USB%03d", k + 1);
    machine->devices().AddUsbPrinter(segment, port, 0x4A7F, static_cast<uint16_t>(k));
  }
  for (int n = static_cast<int>(machine->devices().Count()); n < devices; ++n) {
    wchar_t id[64];
    std::swprintf(id, 64, L"PCI\\VEN_8086&DEV_%04X\\3&11583659&0&%06d", n % 0x10000, n);
    machine->devices().AddOtherDevice(id);
  }
  return machine;
}

// The log grows with every run; empty it between iterations, outside the timing.
void ResetLog(SimMachine& machine) {
  LogStop();
  char path[600] = {};
  if (GetLogFilePath(path, sizeof(path)) == 0) {
    std::wstring wide(path, path + std::strlen(path));
    machine.files().Remove(wide);
  }
  LogAttachMachine(&machine);
}

void BM_GetPrinterOnline(benchmark::State& state) {
  int devices = static_cast<int>(state.range(0));
  int printers = static_cast<int>(state.range(1));
  int models = static_cast<int>(state.range(2));
  auto machine = MakeMachine(devices, printers, models);
  LogStop();
  LogAttachMachine(machine.get());
  static wchar_t paths[kUsbInfoMaxDetected][kUsbDevicePathChars];
  long found = 0;
  for (auto _ : state) {
    found = GetPrinterOnline(machine->devices(), paths);
    benchmark::DoNotOptimize(found);
    state.PauseTiming();
    ResetLog(*machine);
    state.ResumeTiming();
  }
  if (found != printers) state.SkipWithError("wrong number of printers recognised");
  state.counters["per_device"] = benchmark::Counter(static_cast<double>(devices),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
  LogStop();
  LogAttachMachine(nullptr);
}

// The reference: open the set and read every device's instance id, nothing more.
void BM_BareDeviceWalk(benchmark::State& state) {
  int devices = static_cast<int>(state.range(0));
  auto machine = MakeMachine(devices, static_cast<int>(state.range(1)), 6);
  for (auto _ : state) {
    auto set = machine->devices().OpenPresentDevices(L"");
    platform::DeviceRef ref;
    std::wstring id;
    size_t total = 0;
    for (uint32_t n = 0; set->Enum(n, &ref); ++n) {
      set->InstanceId(ref, &id);
      total += id.size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["per_device"] = benchmark::Counter(static_cast<double>(devices),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

const std::vector<int64_t> kDeviceCounts = {300, 3000, 30000};

void Detection(benchmark::internal::Benchmark* b) {
  for (int64_t models : {6, 255}) {
    for (int64_t printers : {1, 32}) {
      for (int64_t devices : kDeviceCounts) b->Args({devices, printers, models});
    }
  }
}

void Walk(benchmark::internal::Benchmark* b) {
  for (int64_t printers : {1, 32}) {
    for (int64_t devices : kDeviceCounts) b->Args({devices, printers});
  }
}

BENCHMARK(BM_GetPrinterOnline)->ArgNames({"devices", "printers", "models"})->Apply(Detection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareDeviceWalk)->ArgNames({"devices", "printers"})->Apply(Walk)->Unit(benchmark::kMicrosecond);

// Collects each run's time so that the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
  double Time(const std::string& name) const {
    auto it = times_.find(name);
    return it == times_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> times_;
};

std::string DetectionName(int64_t devices, int64_t printers, int64_t models) {
  return "BM_GetPrinterOnline/devices:" + std::to_string(devices) + "/printers:" + std::to_string(printers) +
         "/models:" + std::to_string(models);
}

std::string WalkName(int64_t devices, int64_t printers) {
  return "BM_BareDeviceWalk/devices:" + std::to_string(devices) + "/printers:" + std::to_string(printers);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nGrowth from 300 to 30,000 devices (x100 devices; linear cost gives about x100):\n");
  std::printf("%-10s %-8s %14s %14s %12s %14s %14s\n", "printers", "models", "us/dev @300", "us/dev @30000",
              "time ratio", "vs bare @300", "vs bare @30000");
  for (int64_t models : {6, 255}) {
    for (int64_t printers : {1, 32}) {
      double small = reporter.Time(DetectionName(300, printers, models));
      double large = reporter.Time(DetectionName(30000, printers, models));
      double bare_small = reporter.Time(WalkName(300, printers));
      double bare_large = reporter.Time(WalkName(30000, printers));
      if (small <= 0 || large <= 0) continue;
      std::printf("%-10lld %-8lld %14.4f %14.4f %12.1f %14.1f %14.1f\n", static_cast<long long>(printers),
                  static_cast<long long>(models), small / 300, large / 30000, large / small,
                  bare_small > 0 ? small / bare_small : 0.0, bare_large > 0 ? large / bare_large : 0.0);
    }
  }
  benchmark::Shutdown();
  return 0;
}
