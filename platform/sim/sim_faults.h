// Failure injection for the simulated machine: any call, named by its Win32 function, can be told
// to fail with a given Win32 code. Each simulated service declares the names it consults (a list
// beside the service); naming any other (in Fail, Clear, Calls or ShouldFail) aborts the test
// program with a message naming it, so that a misspelt fault cannot make a test test nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace platform::sim {

class SimFaults {
 public:
  // A service's fault names, declared when it is made.
  template <size_t N>
  void Declare(const char* const (&names)[N]) {
    for (const char* name : names) Declare(name);
  }
  void Declare(const std::string& call);

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
  // Aborts unless some service declared `call`; called with mutex_ held.
  void Known(const std::string& call, const char* asked_by) const;

  struct Rule {
    uint32_t code = 0;
    int times = 0;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Rule> rules_;
  std::map<std::string, int> calls_;
  std::set<std::string> declared_;
};

}  // namespace platform::sim
