// The archive walk with inflation on the simulated machine: any bytes as the payload, extracted
// both into the configuration folder and into an install folder, with a progress bar present.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "log/log.h"
#include "payload/extract_config.h"
#include "payload/extract_install.h"
#include "payload/inflate_entry.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  // A fresh machine every so often, so that files of earlier inputs do not pile up; the log
  // facility (which also makes the configuration folder) is bound to the same machine.
  static std::unique_ptr<platform::sim::SimMachine> current;
  static int runs = 0;
  if (!current || ++runs % 500 == 0) {
    LogStop();
    current = std::make_unique<platform::sim::SimMachine>();
    LogAttachMachine(current.get());
  }
  platform::sim::SimMachine& machine = *current;
  int last_position = 0;
  const ProgressCallback on_progress = [&](int position) { last_position = position; };
  // An exact-size copy: a read past the payload is an AddressSanitizer report.
  std::vector<uint8_t> buffer(data, data + size);
  ExtractConfigFiles(machine, buffer.data(), static_cast<int32_t>(buffer.size()), on_progress);
  LoadFileFromeData(machine, buffer.data(), static_cast<int32_t>(buffer.size()), on_progress,
                    L"C:\\Program Files (x86)\\TavroPrint", [](const std::wstring&) {});
  return 0;
}
