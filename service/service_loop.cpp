#include "service/service_loop.h"

#include <chrono>
#include <cwchar>

#include "log/log.h"
#include "log/log_retention.h"
#include "platform/clock.h"
#include "platform/machine.h"
#include "service/printer_monitor.h"

namespace {

constexpr const char* kFnRun = "RunPrinterService";
constexpr uint32_t kMinPollMs = 100;
constexpr uint32_t kMaxPollMs = 3600000;
#define RUN_LOG(...) LogPrint(kLogUnitService, kFnRun, __LINE__, __VA_ARGS__)

long Today(platform::Machine& machine) {
  platform::LocalTime now = machine.clock().Now();
  return DaysFromCivil(now.year, now.month, now.day);
}

// After a change, waits until none came for `settle_ms`: the spooler's USB monitor adds the
// port of a new device a moment after the device arrives. False when a stop came.
bool Settle(ServiceSignals& signals, uint32_t settle_ms) {
  for (;;) {
    ServiceWake wake = signals.Wait(settle_ms);
    if (wake == ServiceWake::kStop) return false;
    if (wake == ServiceWake::kTimeout) return true;
  }
}

}  // namespace

void EventSignals::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  signal_.notify_all();
}

void EventSignals::Changed() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_ = true;
  }
  signal_.notify_all();
}

ServiceWake EventSignals::Wait(uint32_t timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  signal_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return stop_ || changed_; });
  if (stop_) return ServiceWake::kStop;
  if (changed_) {
    changed_ = false;
    return ServiceWake::kChanged;
  }
  return ServiceWake::kTimeout;
}

bool ParseServiceArgs(const std::vector<std::wstring>& args, ServiceOptions* options) {
  bool ok = true;
  const std::wstring poll = L"--poll-ms=";
  for (const std::wstring& arg : args) {
    if (arg.compare(0, poll.size(), poll) != 0) {
      ok = false;
      continue;
    }
    const std::wstring digits = arg.substr(poll.size());
    wchar_t* end = nullptr;
    unsigned long value = digits.empty() ? 0 : std::wcstoul(digits.c_str(), &end, 10);
    if (digits.empty() || *end != L'\0' || digits[0] == L'-' || value < kMinPollMs || value > kMaxPollMs) {
      ok = false;
      continue;
    }
    options->poll_ms = static_cast<uint32_t>(value);
  }
  return ok;
}

void RunPrinterService(platform::Machine& machine, PrinterPorts& ports, ServiceSignals& signals,
                       const ServiceOptions& options) {
  RUN_LOG("[ENTRY] RunPrinterService - Mavrin Printer Monitor started, poll every %u ms\n", options.poll_ms);
  long day = Today(machine);
  RemoveOldLogFiles(machine, options.keep_log_days);
  PrinterMonitor monitor(machine, ports);
  monitor.LoadCatalog(options.catalog_path);
  monitor.Check();
  for (;;) {
    ServiceWake wake = signals.Wait(options.poll_ms);
    if (wake == ServiceWake::kStop) break;
    if (wake == ServiceWake::kChanged && !Settle(signals, options.settle_ms)) break;
    if (Today(machine) != day) {
      day = Today(machine);
      RemoveOldLogFiles(machine, options.keep_log_days);
    }
    monitor.Check();
  }
  RUN_LOG("[EXIT] RunPrinterService - Stopped\n");
}
