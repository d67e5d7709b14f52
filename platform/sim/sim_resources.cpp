#include "platform/sim/sim_resources.h"

#include "platform/last_error.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {
// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "FindResourceW", "LoadResource", "SizeofResource"};
}  // namespace

SimResources::SimResources(SimFaults& faults) : faults_(faults) {
  faults_.Declare(kFaultNames);
}
SimResources::~SimResources() = default;

const void* SimResources::Find(uint32_t id, const std::wstring& type) {
  if (faults_.ShouldFail("FindResourceW")) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  std::wstring upper = FoldCase(type);
  auto it = table_.find({upper, id});
  if (it != table_.end()) {
    SetLastErrorCode(err::kSuccess);
    return it->second;
  }
  auto any = table_.lower_bound({upper, 0});
  bool type_known = any != table_.end() && any->first.first == upper;
  SetLastErrorCode(type_known ? err::kResourceNameNotFound : err::kResourceTypeNotFound);
  return nullptr;
}

const void* SimResources::Load(const void* found) {
  if (faults_.ShouldFail("LoadResource")) return nullptr;
  if (found == nullptr) SetLastErrorCode(err::kInvalidHandle);
  return found;
}

const uint8_t* SimResources::Lock(const void* loaded) {
  if (loaded == nullptr) return nullptr;
  return static_cast<const Entry*>(loaded)->bytes.data();
}

uint32_t SimResources::SizeOf(const void* found) {
  if (faults_.ShouldFail("SizeofResource")) return 0;
  if (found == nullptr) {
    SetLastErrorCode(err::kInvalidHandle);
    return 0;
  }
  return static_cast<uint32_t>(static_cast<const Entry*>(found)->bytes.size());
}

void SimResources::Add(uint32_t id, const std::wstring& type, const std::vector<uint8_t>& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto entry = std::make_unique<Entry>();
  entry->bytes = bytes;
  table_[{FoldCase(type), id}] = entry.get();
  storage_.push_back(std::move(entry));
}

void SimResources::Remove(uint32_t id, const std::wstring& type) {
  std::lock_guard<std::mutex> lock(mutex_);
  table_.erase({FoldCase(type), id});
}

}  // namespace platform::sim
