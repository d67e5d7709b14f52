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

namespace {

class FuzzControls : public platform::DialogControls {
 public:
  int ComboAddString(int, const std::wstring&) override { return -1; }
  bool ControlExists(int) override { return true; }
  void SetProgressPos(int, int position) override { last_ = position; }
  int last_ = 0;
};

}  // namespace

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
  FuzzControls controls;
  // An exact-size copy: a read past the payload is an AddressSanitizer report.
  std::vector<uint8_t> buffer(data, data + size);
  ExtractConfigFiles(machine, buffer.data(), static_cast<int32_t>(buffer.size()), &controls);
  LoadFileFromeData(machine, buffer.data(), static_cast<int32_t>(buffer.size()), &controls,
                    L"C:\\Program Files (x86)\\TavroPrint", [](const std::wstring&) {});
  return 0;
}
