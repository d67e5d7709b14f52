#include "platform/sim/sim_files.h"

#include <cstring>

#include "platform/last_error.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

constexpr uint32_t kInvalidFunction = 1;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kFileExists = 80;
constexpr uint8_t kCtrlZ = 0x1A;

struct OpenMode {
  bool read = false;
  bool write = false;
  bool append = false;
  bool create = false;
  bool truncate = false;
  bool exclusive = false;
  bool text = true;  // the MS C runtime's default (_fmode is _O_TEXT)
};

bool ParseMode(const char* mode, OpenMode* out) {
  if (mode == nullptr) return false;
  OpenMode m;
  switch (mode[0]) {
    case 'r': m.read = true; break;
    case 'w': m.write = m.create = m.truncate = true; break;
    case 'a': m.write = m.create = m.append = true; break;
    default: return false;
  }
  bool seen_text_flag = false;
  for (const char* p = mode + 1; *p != '\0'; ++p) {
    switch (*p) {
      case '+': m.read = m.write = true; break;
      case 'b':
      case 't':
        if (seen_text_flag) return false;
        seen_text_flag = true;
        m.text = *p == 't';
        break;
      case 'x':
        if (!m.truncate) return false;
        m.exclusive = true;
        break;
      case 'c': case 'n': case 'N': case 'S': case 'R': case 'T': case 'D': case ' ':
        break;
      case ',':
        return std::strncmp(p, ",ccs=", 5) == 0;  // the encoding flag ends the mode
      default:
        return false;
    }
  }
  *out = m;
  return true;
}

class SimFile : public File {
 public:
  SimFile(SimFiles& owner, std::shared_ptr<SimFiles::Node> node, const OpenMode& mode)
      : owner_(owner), node_(std::move(node)), mode_(mode) {}

  ~SimFile() override {
    std::lock_guard<std::mutex> lock(owner_.mutex());
    --node_->open_count;
    if (mode_.write) --(appender_ ? node_->appenders : node_->writers);
  }

  size_t Read(void* buffer, size_t n) override {
    if (!Allowed(mode_.read, "fread")) return 0;
    std::lock_guard<std::mutex> lock(owner_.mutex());
    const std::vector<uint8_t>& data = node_->data;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n && pos_ < data.size()) {
      uint8_t c = data[pos_];
      if (mode_.text) {
        if (c == kCtrlZ) break;  // end of file in text mode
        if (c == '\r' && pos_ + 1 < data.size() && data[pos_ + 1] == '\n') {
          out[done++] = '\n';
          pos_ += 2;
          continue;
        }
      }
      out[done++] = c;
      ++pos_;
    }
    return done;
  }

  size_t Write(const void* buffer, size_t n) override {
    if (!Allowed(mode_.write, "fwrite")) return 0;
    std::unique_lock<std::mutex> lock(owner_.mutex());
    owner_.WaitWhileStalled(lock, *node_);
    std::vector<uint8_t>& data = node_->data;
    if (mode_.append) pos_ = data.size();
    const auto* in = static_cast<const uint8_t*>(buffer);
    const uint8_t* end = in + n;
    // Text mode writes CR before each LF: the bytes on disk, then copied in runs between LFs.
    size_t disk = n;
    if (mode_.text && n != 0) {
      for (const uint8_t* p = in; (p = static_cast<const uint8_t*>(std::memchr(p, '\n', end - p))) != nullptr; ++p)
        ++disk;
    }
    if (pos_ + disk > data.size()) data.resize(pos_ + disk);
    uint8_t* out = data.data() + pos_;
    if (disk == n) {
      if (n != 0) std::memcpy(out, in, n);
    } else {
      for (const uint8_t* p = in; p < end;) {
        const auto* lf = static_cast<const uint8_t*>(std::memchr(p, '\n', end - p));
        size_t run = (lf == nullptr ? end : lf) - p;
        std::memcpy(out, p, run);
        out += run;
        p += run;
        if (lf == nullptr) break;
        *out++ = '\r';
        *out++ = '\n';
        ++p;
      }
    }
    pos_ += disk;
    return n;
  }

  bool HasError() const override { return error_; }

  void SetFaults(SimFaults* faults) { fault_ = faults; }
  void SetAppender() { appender_ = true; }
  void SetPosition(size_t pos) { pos_ = pos; }

 private:
  // False, with the stream's error set, when the mode lacks the access or the call is told to
  // fail (a failing call is counted only when the mode allows it).
  bool Allowed(bool mode_allows, const char* call) {
    if (mode_allows && !(fault_ && fault_->ShouldFail(call))) return true;
    error_ = true;
    return false;
  }
  SimFiles& owner_;
  std::shared_ptr<SimFiles::Node> node_;
  OpenMode mode_;
  SimFaults* fault_ = nullptr;
  bool appender_ = false;
  size_t pos_ = 0;
  bool error_ = false;
};

// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "_mkdir", "_wfopen", "_wstat", "CopyFileA", "CreateDirectoryA", "CreateDirectoryW", "CreateFileA",
    "DeleteFileA", "DeleteFileW", "FindFirstFileA", "FindFirstFileW", "fopen", "fread", "fwrite",
    "GetSecurityInfo", "MoveFileExW", "QueryDosDeviceW", "RemoveDirectoryW", "stat",
    "Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection", "WritePrivateProfileStringW"};
}  // namespace

SimFiles::SimFiles(SimFaults& faults, SimCodePage& codepage, SimRegistry& registry, SimSystemInfo& system)
    : faults_(faults), codepage_(codepage), registry_(registry), system_(system) {
  faults_.Declare(kFaultNames);
  AddDrive(L"C:");
  current_.parts = {L"C:"};
  current_.key = L"C:";
}

SimFiles::~SimFiles() = default;

std::wstring SimFiles::DecodeAnsi(const std::string& ansi_path) {
  std::wstring wide;
  codepage_.Decode(kCodePageAnsi, ansi_path, &wide);
  return wide;
}

bool SimFiles::ParseOrFail(const std::wstring& path, SimPath* out, bool follow_last) {
  uint32_t error = 0;
  if (Parse(path, out, &error, follow_last)) return true;
  SetLastErrorCode(error);
  return false;
}

bool SimFiles::ParseAnsiOrFail(const std::string& ansi_path, SimPath* out) {
  return ParseOrFail(DecodeAnsi(ansi_path), out, false);
}

std::shared_ptr<SimFiles::Node> SimFiles::FindExisting(const std::wstring& path, SimPath* p, bool follow_last) {
  if (!ParseOrFail(path, p, follow_last)) return nullptr;
  auto node = Find(p->key);
  if (!node) SetLastErrorCode(Find(p->parent_key) ? err::kFileNotFound : err::kPathNotFound);
  return node;
}

bool SimFiles::Parse(const std::wstring& path, SimPath* out, uint32_t* error, bool follow_last) {
  if (!ParseSimPath(path, current_, out, error)) return false;
  Redirect(out);
  if (!FollowLinks(out, follow_last, error)) return false;
  uint32_t code = FailingCode(out->key);
  if (code != 0) {
    *error = code;
    return false;
  }
  return true;
}

uint32_t SimFiles::FailingCode(const std::wstring& key) {
  for (const auto& rule : failing_) {
    const std::wstring& prefix = rule.first;
    if (key.compare(0, prefix.size(), prefix) == 0 && (key.size() == prefix.size() || key[prefix.size()] == L'\\'))
      return rule.second;
  }
  return 0;
}

bool SimFiles::DeniesWriting(const std::wstring& folder_key) {
  auto node = Find(folder_key);
  return node && node->directory && node->read_only;
}

std::shared_ptr<SimFiles::Node> SimFiles::Find(const std::wstring& key) {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : it->second;
}

std::unique_ptr<File> SimFiles::Open(const std::string& ansi_path, const char* mode) {
  if (faults_.ShouldFail("fopen")) return nullptr;
  return OpenPath(DecodeAnsi(ansi_path), mode);
}

std::unique_ptr<File> SimFiles::OpenW(const std::wstring& path, const char* mode) {
  if (faults_.ShouldFail("_wfopen")) return nullptr;
  return OpenPath(path, mode);
}

std::unique_ptr<File> SimFiles::OpenPath(const std::wstring& path, const char* mode) {
  OpenMode m;
  if (!ParseMode(mode, &m)) {
    SetLastErrorCode(err::kInvalidParameter);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  if (!ParseOrFail(path, &p)) {
    return nullptr;
  }
  auto parent = Find(p.parent_key);
  if (p.parent_key.empty() || !parent || !parent->directory) {
    SetLastErrorCode(p.parent_key.empty() ? err::kAccessDenied : err::kPathNotFound);
    return nullptr;
  }
  auto node = Find(p.key);
  if (node && node->directory) {
    SetLastErrorCode(err::kAccessDenied);
    return nullptr;
  }
  if (node && m.exclusive) {
    SetLastErrorCode(kFileExists);
    return nullptr;
  }
  if (!node && !m.create) {
    SetLastErrorCode(err::kFileNotFound);
    return nullptr;
  }
  if (m.write && ((node && node->read_only) || parent->read_only)) {
    SetLastErrorCode(err::kAccessDenied);
    return nullptr;
  }
  // The runtime shares reading and writing; a holder that shares less refuses this open.
  if (node && (node->held || (m.write && node->appenders > 0))) {
    SetLastErrorCode(kSharingViolation);
    return nullptr;
  }
  if (!node) {
    node = std::make_shared<Node>();
    node->name = p.parts.back();
    node->private_acl = parent->private_acl;
    nodes_[p.key] = node;
  }
  if (m.truncate) node->data.clear();
  // "a+" in text mode drops a Ctrl-Z that ends the file, so appended text is not hidden behind it.
  if (m.append && m.read && m.text && !node->data.empty() && node->data.back() == kCtrlZ)
    node->data.pop_back();
  ++node->open_count;
  if (m.write) ++node->writers;
  auto file = std::make_unique<SimFile>(*this, node, m);
  file->SetFaults(&faults_);
  SetLastErrorCode(err::kSuccess);
  return file;
}

std::unique_ptr<File> SimFiles::OpenForAppend(const std::string& ansi_path, bool* created, PathFacts* facts) {
  *created = false;
  *facts = PathFacts();
  if (faults_.ShouldFail("CreateFileA")) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  if (!ParseAnsiOrFail(ansi_path, &p)) return nullptr;
  auto parent = Find(p.parent_key);
  if (p.parent_key.empty() || !parent || !parent->directory) {
    SetLastErrorCode(p.parent_key.empty() ? err::kAccessDenied : err::kPathNotFound);
    return nullptr;
  }
  auto node = Find(p.key);
  if (node && (node->directory || node->read_only)) {
    SetLastErrorCode(err::kAccessDenied);
    return nullptr;
  }
  if (node && (node->held || node->writers > 0 || node->appenders > 0)) {
    SetLastErrorCode(kSharingViolation);
    return nullptr;
  }
  if (!node) {
    if (parent->read_only) {
      SetLastErrorCode(err::kAccessDenied);
      return nullptr;
    }
    node = std::make_shared<Node>();
    node->name = p.parts.back();
    node->private_acl = true;
    nodes_[p.key] = node;
    *created = true;
  }
  ++node->open_count;
  ++node->appenders;
  *facts = FactsOf(*node);
  OpenMode m;
  m.write = m.append = true;
  auto file = std::make_unique<SimFile>(*this, node, m);
  file->SetFaults(&faults_);
  file->SetAppender();
  SetLastErrorCode(*created ? err::kSuccess : err::kAlreadyExists);
  return file;
}

PathKind SimFiles::Stat(const std::string& ansi_path) {
  if (faults_.ShouldFail("stat")) return PathKind::kMissing;
  return StatPath(DecodeAnsi(ansi_path));
}

PathKind SimFiles::StatW(const std::wstring& path) {
  if (faults_.ShouldFail("_wstat")) return PathKind::kMissing;
  return StatPath(path);
}

PathKind SimFiles::StatPath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  auto node = FindExisting(path, &p);
  if (!node) return PathKind::kMissing;
  return node->directory ? PathKind::kDirectory : PathKind::kFile;
}

bool SimFiles::MakeDirectory(const std::string& ansi_path) {
  if (faults_.ShouldFail("_mkdir")) return false;
  return MakeDirectoryPath(DecodeAnsi(ansi_path));
}

bool SimFiles::MakeDirectoryW(const std::wstring& path) {
  if (faults_.ShouldFail("CreateDirectoryW")) return false;
  return MakeDirectoryPath(path);
}

bool SimFiles::MakeDirectoryPath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  if (!ParseOrFail(path, &p, false)) {
    return false;
  }
  if (p.parent_key.empty()) {  // a drive root
    SetLastErrorCode(Find(p.key) ? err::kAccessDenied : err::kPathNotFound);
    return false;
  }
  if (Find(p.key)) {
    SetLastErrorCode(err::kAlreadyExists);
    return false;
  }
  auto parent = Find(p.parent_key);
  if (!parent || !parent->directory) {
    SetLastErrorCode(err::kPathNotFound);
    return false;
  }
  if (parent->read_only) {
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  auto node = std::make_shared<Node>();
  node->name = p.parts.back();
  node->directory = true;
  node->private_acl = parent->private_acl;
  nodes_[p.key] = node;
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimFiles::Remove(const std::wstring& path) {
  if (faults_.ShouldFail("DeleteFileW")) return false;
  return RemovePath(path);
}

bool SimFiles::RemoveA(const std::string& ansi_path) {
  if (faults_.ShouldFail("DeleteFileA")) return false;
  return RemovePath(DecodeAnsi(ansi_path));
}

bool SimFiles::RemovePath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  auto node = FindExisting(path, &p, false);
  if (!node) return false;
  if (node->directory || node->read_only || DeniesWriting(p.parent_key)) {
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  if (node->open_count > 0 || node->held) {
    SetLastErrorCode(kSharingViolation);
    return false;
  }
  --node->links;
  nodes_.erase(p.key);
  SetLastErrorCode(err::kSuccess);
  return true;
}

std::shared_ptr<SimFiles::Node> SimFiles::MakeFoldersLocked(const SimPath& path) {
  std::shared_ptr<Node> node;
  for (size_t i = 1; i <= path.parts.size(); ++i) {
    std::wstring key = SimPathKey(path.parts, i);
    node = Find(key);
    if (!node) {
      node = std::make_shared<Node>();
      node->name = path.parts[i - 1];
      node->directory = true;
      nodes_[key] = node;
    }
  }
  return node;
}

void SimFiles::MakeFolders(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (ParseSimPath(path, current_, &p, &error)) MakeFoldersLocked(p);
}

void SimFiles::PutFile(const std::wstring& path, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error) || p.parts.size() < 2) return;
  SimPath parent = p;
  parent.parts.pop_back();
  MakeFoldersLocked(parent);
  auto node = Find(p.key);
  if (!node || node->directory) {
    node = std::make_shared<Node>();
    node->name = p.parts.back();
    nodes_[p.key] = node;
  }
  node->data.assign(bytes.begin(), bytes.end());
}

bool SimFiles::GetFile(const std::wstring& path, std::string* bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error)) return false;
  auto node = Find(p.key);
  if (!node || node->directory) return false;
  bytes->assign(node->data.begin(), node->data.end());
  return true;
}

std::string SimFiles::FileBytes(const std::wstring& path) {
  std::string bytes;
  GetFile(path, &bytes);
  return bytes;
}

PathKind SimFiles::Kind(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error)) return PathKind::kMissing;
  auto node = Find(p.key);
  if (!node) return PathKind::kMissing;
  return node->directory ? PathKind::kDirectory : PathKind::kFile;
}

std::vector<std::wstring> SimFiles::List(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::wstring> names;
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(folder, current_, &p, &error)) return names;
  std::wstring prefix = p.key + L"\\";
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    if (it->first.find(L'\\', prefix.size()) != std::wstring::npos) continue;
    names.push_back(it->second->name);
  }
  return names;
}

void SimFiles::SetReadOnly(const std::wstring& path, bool read_only) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error)) return;
  auto node = Find(p.key);
  if (node) node->read_only = read_only;
}

void SimFiles::SetFailing(const std::wstring& path, uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error)) return;
  if (code == 0) failing_.erase(p.key);
  else failing_[p.key] = code;
}

void SimFiles::RemoveTree(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(path, current_, &p, &error) || p.parts.size() < 2) return;
  auto top = nodes_.find(p.key);
  if (top != nodes_.end()) {
    --top->second->links;
    nodes_.erase(top);
  }
  std::wstring prefix = p.key + L"\\";
  auto it = nodes_.lower_bound(prefix);
  while (it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0) {
    --it->second->links;
    it = nodes_.erase(it);
  }
}

void SimFiles::AddDrive(const std::wstring& drive) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::wstring key = FoldCase(drive.substr(0, 2));
  if (Find(key)) return;
  auto node = std::make_shared<Node>();
  node->name = key;
  node->directory = true;
  nodes_[key] = node;
}

void SimFiles::SetCurrentFolder(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (ParseSimPath(path, current_, &p, &error)) current_ = p;
}

bool SimFiles::ListFolderA(const std::string& ansi_folder, std::vector<std::string>* names) {
  names->clear();
  if (faults_.ShouldFail("FindFirstFileA")) return false;
  std::wstring folder = DecodeAnsi(ansi_folder);
  PathKind kind = Kind(folder);
  if (kind != PathKind::kDirectory) {
    SetLastErrorCode(kind == PathKind::kMissing ? err::kPathNotFound : 267u);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!ParseSimPath(folder, current_, &p, &error)) return false;
  const std::wstring prefix = p.key + L"\\";
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    if (it->first.find(L'\\', prefix.size()) != std::wstring::npos) continue;
    // A hard link shares its node with the first name: its own name is known only by its key.
    const std::wstring tail = it->first.substr(prefix.size());
    const std::wstring& name = FoldCase(it->second->name) == tail ? it->second->name : tail;
    names->push_back(codepage_.ToAnsi(name));
  }
  return true;
}

}  // namespace platform::sim
