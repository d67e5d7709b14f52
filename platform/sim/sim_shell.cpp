#include "platform/sim/sim_shell.h"

#include "text/case_fold.h"

namespace platform::sim {

namespace {
// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "ExpandEnvironmentStringsW", "SHGetSpecialFolderPathW"};
}  // namespace

SimShell::SimShell(SimFaults& faults) : faults_(faults) {
  faults_.Declare(kFaultNames);
}

bool SimShell::SpecialFolder(int csidl, std::wstring* out) {
  if (faults_.ShouldFail("SHGetSpecialFolderPathW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = folders_.find(csidl);
  if (it == folders_.end()) return false;
  *out = it->second;
  return true;
}

std::wstring SimShell::ExpandEnvironment(const std::wstring& text) {
  if (faults_.ShouldFail("ExpandEnvironmentStringsW")) return text;
  std::lock_guard<std::mutex> lock(mutex_);
  std::wstring out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find(L'%', pos);
    if (open == std::wstring::npos) {
      out.append(text, pos, std::wstring::npos);
      break;
    }
    out.append(text, pos, open - pos);
    size_t close = text.find(L'%', open + 1);
    if (close == std::wstring::npos) {
      out.append(text, open, std::wstring::npos);
      break;
    }
    auto it = environment_.find(FoldCase(text.substr(open + 1, close - open - 1)));
    if (close > open + 1 && it != environment_.end()) {
      out += it->second.second;
      pos = close + 1;
    } else {
      // Not a variable: keep the '%' and look for one starting at the closing '%'.
      out.push_back(L'%');
      out.append(text, open + 1, close - open - 1);
      pos = close;
    }
  }
  return out;
}

void SimShell::SetSpecialFolder(int csidl, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (path.empty()) folders_.erase(csidl);
  else folders_[csidl] = path;
}

void SimShell::SetEnvironment(const std::wstring& name, const std::wstring& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (value.empty()) environment_.erase(FoldCase(name));
  else environment_[FoldCase(name)] = {name, value};
}

std::wstring SimShell::Environment(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = environment_.find(FoldCase(name));
  return it == environment_.end() ? std::wstring() : it->second.second;
}

}  // namespace platform::sim
