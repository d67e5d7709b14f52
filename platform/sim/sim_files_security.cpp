// The simulated file system's owners, private folders, links, and files held or stalled by others.
#include "platform/last_error.h"
#include "platform/sim/sim_files.h"

namespace platform::sim {

namespace {
constexpr uint32_t kCantResolveFileName = 1921;
constexpr int kMaxLinkHops = 31;  // Windows gives up after 63 reparse hops; a loop ends sooner here
}  // namespace

bool SimFiles::FollowLinks(SimPath* path, bool follow_last, uint32_t* error) {
  std::vector<std::wstring>& parts = path->parts;
  for (int hops = 0;; ++hops) {
    bool followed = false;
    size_t last = follow_last ? parts.size() : parts.size() - 1;
    for (size_t i = 1; i <= last; ++i) {
      auto node = Find(SimPathKey(parts, i));
      if (!node) break;
      if (node->link_target.empty()) continue;
      if (hops == kMaxLinkHops) {
        *error = kCantResolveFileName;
        return false;
      }
      std::vector<std::wstring> resolved = node->link_target;
      resolved.insert(resolved.end(), parts.begin() + static_cast<std::ptrdiff_t>(i), parts.end());
      parts = std::move(resolved);
      followed = true;
      break;
    }
    if (!followed) break;
  }
  path->key = SimPathKey(parts, parts.size());
  path->parent_key = parts.size() > 1 ? SimPathKey(parts, parts.size() - 1) : std::wstring();
  return true;
}

PathFacts SimFiles::FactsOf(const Node& node) const {
  PathFacts facts;
  facts.kind = node.directory ? PathKind::kDirectory : PathKind::kFile;
  facts.reparse_point = !node.link_target.empty();
  facts.owner = node.owner;
  facts.links = node.directory ? 1 : static_cast<uint32_t>(node.links);
  return facts;
}

bool SimFiles::MakePrivateDirectory(const std::string& ansi_path) {
  if (faults_.ShouldFail("CreateDirectoryA")) return false;
  if (!MakeDirectoryPath(DecodeAnsi(ansi_path))) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (Parse(DecodeAnsi(ansi_path), &p, &error, false)) {
    auto node = Find(p.key);
    if (node) {
      node->private_acl = true;
      node->owner = kSidAdministrators;
    }
  }
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimFiles::Inspect(const std::string& ansi_path, PathFacts* out) {
  *out = PathFacts();
  if (faults_.ShouldFail("GetSecurityInfo")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  if (!ParseAnsiOrFail(ansi_path, &p)) return false;
  auto node = Find(p.key);
  if (!node) {
    auto parent = Find(p.parent_key);
    SetLastErrorCode(parent && parent->directory ? err::kFileNotFound : err::kPathNotFound);
    return false;
  }
  *out = FactsOf(*node);
  SetLastErrorCode(err::kSuccess);
  return true;
}

void SimFiles::WaitWhileStalled(std::unique_lock<std::mutex>& lock, const Node& node) {
  if (!node.stalled) return;
  ++stalled_writes_;
  stall_signal_.wait(lock, [&node] { return !node.stalled; });
  --stalled_writes_;
}

namespace {

// Runs `change` on the node at `path` (a link not followed), if there is one.
template <typename Change>
void ChangeNode(std::mutex& mutex, const std::map<std::wstring, std::shared_ptr<SimFiles::Node>>& nodes,
                const SimPath& current, const std::wstring& path, Change change) {
  std::lock_guard<std::mutex> lock(mutex);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current, &p, &error)) return;
  auto it = nodes.find(p.key);
  if (it != nodes.end()) change(*it->second);
}

}  // namespace

void SimFiles::SetOwner(const std::wstring& path, const std::wstring& sid) {
  ChangeNode(mutex_, nodes_, current_, path, [&sid](Node& node) { node.owner = sid; });
}

void SimFiles::SetHeldOpen(const std::wstring& path, bool held) {
  ChangeNode(mutex_, nodes_, current_, path, [held](Node& node) { node.held = held; });
}

void SimFiles::StallWrites(const std::wstring& path, bool stalled) {
  ChangeNode(mutex_, nodes_, current_, path, [stalled](Node& node) { node.stalled = stalled; });
  stall_signal_.notify_all();
}

int SimFiles::StalledWrites() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stalled_writes_;
}

void SimFiles::MakeJunction(const std::wstring& link, const std::wstring& target) {
  MakeFolders(link);
  SetLinkTarget(link, target);
}

void SimFiles::MakeFileLink(const std::wstring& link, const std::wstring& target) {
  PutFile(link, "");
  SetLinkTarget(link, target);
}

void SimFiles::SetLinkTarget(const std::wstring& link, const std::wstring& target) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath l;
  SimPath t;
  uint32_t error = 0;
  if (!ParseSimPath(link, current_, &l, &error) || !ParseSimPath(target, current_, &t, &error)) return;
  auto node = Find(l.key);
  if (node) node->link_target = t.parts;
}

bool SimFiles::MakeHardLink(const std::wstring& link, const std::wstring& existing) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath l;
  SimPath e;
  uint32_t error = 0;
  if (!ParseSimPath(link, current_, &l, &error) || !ParseSimPath(existing, current_, &e, &error)) return false;
  auto node = Find(e.key);
  auto parent = Find(l.parent_key);
  if (!node || node->directory || !parent || !parent->directory || Find(l.key)) return false;
  ++node->links;
  nodes_[l.key] = node;
  return true;
}

bool SimFiles::KeepsOwners() { return keeps_owners_.load(); }

void SimFiles::SetKeepsOwners(bool keeps) { keeps_owners_.store(keeps); }

PathFacts SimFiles::Facts(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error)) return PathFacts();
  auto node = Find(p.key);
  return node ? FactsOf(*node) : PathFacts();
}

bool SimFiles::IsPrivate(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error)) return false;
  auto node = Find(p.key);
  return node && node->private_acl;
}

}  // namespace platform::sim
