#include "platform/sim/sim_faults.h"

#include <cstdio>
#include <cstdlib>

#include "platform/last_error.h"

namespace platform::sim {

void SimFaults::Declare(const std::string& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  declared_.insert(call);
}

void SimFaults::Known(const std::string& call, const char* asked_by) const {
  if (declared_.count(call) != 0) return;
  std::fprintf(stderr, "SimFaults::%s: no simulated service consults the fault name \"%s\"\n", asked_by,
               call.c_str());
  std::abort();
}

void SimFaults::Fail(const std::string& call, uint32_t code, int times) {
  std::lock_guard<std::mutex> lock(mutex_);
  Known(call, "Fail");
  rules_[call] = Rule{code, times};
}

void SimFaults::Clear(const std::string& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  Known(call, "Clear");
  rules_.erase(call);
}

void SimFaults::ClearAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.clear();
}

bool SimFaults::ShouldFail(const std::string& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  Known(call, "ShouldFail");
  ++calls_[call];
  auto it = rules_.find(call);
  if (it == rules_.end()) return false;
  uint32_t code = it->second.code;
  if (it->second.times > 0 && --it->second.times == 0) rules_.erase(it);
  SetLastErrorCode(code);
  return true;
}

int SimFaults::Calls(const std::string& call) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Known(call, "Calls");
  auto it = calls_.find(call);
  return it == calls_.end() ? 0 : it->second;
}

void SimFaults::ResetCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
}

}  // namespace platform::sim
