// The simulated file system's folder calls: listing a folder, removing an empty one (or a
// junction itself), and removals that wait for the next restart.
#include "platform/last_error.h"
#include "platform/sim/sim_files.h"

namespace platform::sim {

namespace {

constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kDirectoryNotEmpty = 145;
constexpr uint32_t kDirectoryName = 267;

}  // namespace

bool SimFiles::ListFolder(const std::wstring& folder, std::vector<FolderEntry>* out) {
  out->clear();
  if (faults_.ShouldFail("FindFirstFileW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  auto node = FindExisting(folder, &p);
  if (!node) return false;
  if (!node->directory) {
    SetLastErrorCode(kDirectoryName);
    return false;
  }
  const std::wstring prefix = p.key + L"\\";
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    if (it->first.find(L'\\', prefix.size()) != std::wstring::npos) continue;
    FolderEntry entry;
    entry.name = it->second->name;
    entry.kind = it->second->directory ? PathKind::kDirectory : PathKind::kFile;
    entry.reparse_point = !it->second->link_target.empty();
    entry.size = it->second->data.size();
    out->push_back(entry);
  }
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimFiles::RemoveFolder(const std::wstring& path) {
  if (faults_.ShouldFail("RemoveDirectoryW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  auto node = FindExisting(path, &p, false);
  if (!node) return false;
  if (!node->directory) {
    SetLastErrorCode(kDirectoryName);
    return false;
  }
  if (node->read_only || DeniesWriting(p.parent_key) || p.parent_key.empty()) {
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  if (node->held || node->open_count > 0) {
    SetLastErrorCode(kSharingViolation);
    return false;
  }
  const std::wstring prefix = p.key + L"\\";
  auto child = nodes_.lower_bound(prefix);
  if (child != nodes_.end() && child->first.compare(0, prefix.size(), prefix) == 0) {
    SetLastErrorCode(kDirectoryNotEmpty);
    return false;
  }
  nodes_.erase(p.key);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimFiles::RemoveAtRestart(const std::wstring& path) {
  if (faults_.ShouldFail("MoveFileExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  if (!FindExisting(path, &p, false)) return false;
  pending_removals_.push_back(path);
  SetLastErrorCode(err::kSuccess);
  return true;
}

std::vector<std::wstring> SimFiles::PendingRemovals() {
  std::lock_guard<std::mutex> lock(mutex_);
  return pending_removals_;
}

void SimFiles::Restart() {
  std::vector<std::wstring> pending;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending.swap(pending_removals_);
    // Whatever other processes held open is closed by then.
    for (auto& entry : nodes_) entry.second->held = false;
  }
  for (const std::wstring& path : pending) {
    // As the system does at start: a file goes, a folder only when empty by then.
    if (Kind(path) == PathKind::kFile) {
      RemovePath(path);
    } else {
      std::lock_guard<std::mutex> lock(mutex_);
      SimPath p;
      uint32_t error = 0;
      const std::wstring prefix = ParseSimPath(path, current_, &p, &error) ? p.key + L"\\" : L"";
      auto child = prefix.empty() ? nodes_.end() : nodes_.lower_bound(prefix);
      if (!prefix.empty() && (child == nodes_.end() || child->first.compare(0, prefix.size(), prefix) != 0)) {
        nodes_.erase(p.key);
      }
    }
  }
}

}  // namespace platform::sim
