// The program's own resources on the simulated machine: tests register (id, type) -> bytes.
// Fault names: "FindResourceW", "LoadResource", "SizeofResource".
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/resources.h"
#include "platform/sim/sim_faults.h"

namespace platform::sim {

class SimResources : public Resources {
 public:
  explicit SimResources(SimFaults& faults);
  ~SimResources() override;

  // Null with 1813 when the module has no resource of the type, 1814 when it has the type but
  // not the id. Type names compare without regard to case, as Windows' do.
  const void* Find(uint32_t id, const std::wstring& type) override;
  const void* Load(const void* found) override;
  const uint8_t* Lock(const void* loaded) override;
  uint32_t SizeOf(const void* found) override;

  // Arranging: adds or replaces a resource (handles to the old bytes stay valid).
  void Add(uint32_t id, const std::wstring& type, const std::vector<uint8_t>& bytes);
  void Remove(uint32_t id, const std::wstring& type);

 private:
  struct Entry {
    std::vector<uint8_t> bytes;
  };
  SimFaults& faults_;
  std::mutex mutex_;
  std::map<std::pair<std::wstring, uint32_t>, Entry*> table_;
  std::vector<std::unique_ptr<Entry>> storage_;
};

}  // namespace platform::sim
