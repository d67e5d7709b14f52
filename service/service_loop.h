// The service's run, free of the service control manager: the Windows entry (service/win32)
// reports the states and turns its controls into signals; tests drive the same run with
// EventSignals. It waits for a signal with a timeout (no busy loop): a stop ends it, a device
// change runs a check once changes have settled, and the poll runs one where no notification
// comes (Wine sends none).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
class Machine;
}

class PrinterPorts;

enum class ServiceWake { kStop, kChanged, kTimeout };

// Where the run waits. Wait returns kStop once a stop was asked (and on every later call),
// kChanged when a device change came since the last wait, kTimeout after `timeout_ms`.
class ServiceSignals {
 public:
  virtual ~ServiceSignals() = default;
  virtual ServiceWake Wait(uint32_t timeout_ms) = 0;
};

// ServiceSignals for any thread: Stop and Changed may be called from any thread.
class EventSignals : public ServiceSignals {
 public:
  // Asks the run to end: this and every later Wait answers kStop.
  void Stop();
  // A device change: the next Wait answers kChanged (changes before it count as one).
  void Changed();
  // Blocks on a condition variable until Stop, Changed or the timeout; a stop outranks a change.
  ServiceWake Wait(uint32_t timeout_ms) override;

 private:
  std::mutex mutex_;
  std::condition_variable signal_;
  bool stop_ = false;
  bool changed_ = false;
};

struct ServiceOptions {
  uint32_t poll_ms = 30000;     // a check at least this often: a move follows within a minute
  uint32_t settle_ms = 2000;    // after a device change, quiet this long before the check
  int keep_log_days = 30;       // the product's log files older than this are removed
  std::wstring catalog_path;    // Modules.json beside the service program
};

// The service's start arguments (StartServiceW's, after the service name): "--poll-ms=N" sets the
// poll interval (a test's shorter one; 100 to 3,600,000 ms). False for an argument it does not
// know or a number out of range; `options` then keeps its values for that argument.
bool ParseServiceArgs(const std::vector<std::wstring>& args, ServiceOptions* options);

// The whole run: logs its start and what it watches, removes old log files (again when the day
// changes), checks once, then checks after each settled device change and each poll until a stop
// is signalled, logs its stop and returns. Never more than one check at a time; a stop during a
// check ends the run right after it.
void RunPrinterService(platform::Machine& machine, PrinterPorts& ports, ServiceSignals& signals,
                       const ServiceOptions& options);
