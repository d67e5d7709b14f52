// Failure injection for the simulated machine: any call, named by its Win32 function, can be told
// to fail with a given Win32 code.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace platform::sim {

class SimFaults {
 public:
  // The next `times` calls of `call` ("CreateDirectoryW", "fopen", "RegQueryValueExW" ...) fail
  // with `code`; a negative `times` makes every call fail until Clear.
  void Fail(const std::string& call, uint32_t code, int times = -1);
  void Clear(const std::string& call);
  void ClearAll();
  // Asked by a simulated service at the top of each call: true when it must fail, with the
  // thread's last error set to the code.
  bool ShouldFail(const std::string& call);
  // How often `call` was made (failing or not).
  int Calls(const std::string& call) const;
  // Forgets the call counts (the machine's own set-up makes calls too).
  void ResetCalls();

 private:
  struct Rule {
    uint32_t code = 0;
    int times = 0;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Rule> rules_;
  std::map<std::string, int> calls_;
};

}  // namespace platform::sim
