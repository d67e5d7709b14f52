// The simulated file system's system-level calls: the MS-DOS device list, WOW64 redirection per
// thread, file copies and ini files.
#include "platform/sim/sim_files.h"
#include <cstring>
#include "platform/last_error.h"
#include "text/case_fold.h"
#include "text/utf16.h"

namespace platform::sim {

namespace {
constexpr uint32_t kInvalidFunction = 1;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kFileExists = 80;
}  // namespace

std::vector<std::wstring> SimFiles::DosDevices() {
  std::vector<std::wstring> names = {L"GLOBALROOT", L"PIPE", L"MAILSLOT"};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& node : nodes_) {
      if (node.first.find(L'\\') == std::wstring::npos) names.push_back(node.second->name);  // a drive root
    }
  }
  names.push_back(L"PhysicalDrive0");
  std::vector<std::pair<std::wstring, RegValue>> values;
  registry_.Values(Hive::kLocalMachine, kSerialCommKey, RegView::k64, &values);
  for (const auto& value : values) {
    if (value.second.type == regtype::kSz) names.push_back(value.second.AsString());
  }
  registry_.Values(Hive::kLocalMachine, kParallelPortsKey, RegView::k64, &values);
  const std::wstring dos_devices = L"\\DOSDEVICES\\";
  for (const auto& value : values) {
    if (value.second.type != regtype::kSz) continue;
    std::wstring target = value.second.AsString();
    if (FoldCase(target.substr(0, dos_devices.size())) == dos_devices) target.erase(0, dos_devices.size());
    names.push_back(target);
  }
  names.push_back(L"NUL");
  return names;
}

bool SimFiles::QueryDosDeviceNames(size_t buffer_chars, std::vector<std::wstring>* out) {
  out->clear();
  if (faults_.ShouldFail("QueryDosDeviceW")) return false;
  std::vector<std::wstring> names = DosDevices();
  size_t needed = 1;  // the list's closing NUL
  for (const auto& name : names) needed += name.size() + 1;
  if (needed > buffer_chars) {
    SetLastErrorCode(err::kInsufficientBuffer);
    return false;
  }
  *out = std::move(names);
  SetLastErrorCode(err::kSuccess);
  return true;
}

void SimFiles::Redirect(SimPath* path) {
  if (!system_.Wow64Process()) return;
  auto state = redirection_.find(std::this_thread::get_id());
  if (state != redirection_.end() && state->second.off) return;
  SimPath windows;
  uint32_t error = 0;
  if (!ParseSimPath(system_.WindowsPath(), current_, &windows, &error)) return;
  const size_t n = windows.parts.size();
  std::vector<std::wstring>& parts = path->parts;
  if (parts.size() <= n || SimPathKey(parts, n) != windows.key) return;
  const std::wstring folder = FoldCase(parts[n]);
  if (folder == L"SYSNATIVE") {
    parts[n] = L"System32";
  } else if (folder == L"SYSTEM32") {
    if (parts.size() > n + 1) {
      const std::wstring below = FoldCase(parts[n + 1]);
      for (const wchar_t* exempt : {L"CATROOT", L"CATROOT2", L"DRIVERSTORE", L"LOGFILES", L"SPOOL"}) {
        if (below == exempt) return;
      }
      if (below == L"DRIVERS" && parts.size() > n + 2 && FoldCase(parts[n + 2]) == L"ETC") return;
    }
    parts[n] = L"SysWOW64";
  } else {
    return;
  }
  path->key = SimPathKey(parts, parts.size());
  path->parent_key = parts.size() > 1 ? SimPathKey(parts, parts.size() - 1) : std::wstring();
}

bool SimFiles::DisableWow64Redirection() {
  if (faults_.ShouldFail("Wow64DisableWow64FsRedirection")) return false;
  if (!system_.Wow64Process()) {
    SetLastErrorCode(kInvalidFunction);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  Redirection& state = redirection_[std::this_thread::get_id()];
  state.saved.push_back(state.off);
  state.off = true;
  return true;
}

bool SimFiles::RevertWow64Redirection() {
  if (faults_.ShouldFail("Wow64RevertWow64FsRedirection")) return false;
  if (!system_.Wow64Process()) {
    SetLastErrorCode(kInvalidFunction);
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  auto state = redirection_.find(std::this_thread::get_id());
  if (state == redirection_.end() || state->second.saved.empty()) {
    SetLastErrorCode(err::kInvalidParameter);
    return false;
  }
  state->second.off = state->second.saved.back();
  state->second.saved.pop_back();
  if (!state->second.off && state->second.saved.empty()) redirection_.erase(state);
  return true;
}

bool SimFiles::CopyA(const std::string& from, const std::string& to, bool fail_if_exists) {
  if (faults_.ShouldFail("CopyFileA")) return false;
  const std::wstring from_path = DecodeAnsi(from);
  const std::wstring to_path = DecodeAnsi(to);
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath src;
  SimPath dst;
  uint32_t error = 0;
  if (!Parse(from_path, &src, &error) || !Parse(to_path, &dst, &error)) {
    SetLastErrorCode(error);
    return false;
  }
  auto source = Find(src.key);
  if (!source) {
    auto folder = Find(src.parent_key);
    SetLastErrorCode(folder && folder->directory ? err::kFileNotFound : err::kPathNotFound);
    return false;
  }
  auto parent = Find(dst.parent_key);
  if (dst.parent_key.empty() || !parent || !parent->directory) {
    SetLastErrorCode(dst.parent_key.empty() ? err::kAccessDenied : err::kPathNotFound);
    return false;
  }
  auto target = Find(dst.key);
  if (source->directory || (target && target->directory)) {
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  if (target && fail_if_exists) {
    SetLastErrorCode(kFileExists);
    return false;
  }
  if ((target && target->read_only) || parent->read_only) {
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  if (target && (target->open_count > 0 || target == source)) {
    SetLastErrorCode(kSharingViolation);
    return false;
  }
  if (!target) {
    target = std::make_shared<Node>();
    target->name = dst.parts.back();
    nodes_[dst.key] = target;
  }
  target->data = source->data;
  SetLastErrorCode(err::kSuccess);
  return true;
}

namespace {

bool HasUtf16Mark(const std::vector<uint8_t>& data) {
  return data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE;
}

std::wstring Trim(const std::wstring& text) {
  size_t begin = text.find_first_not_of(L" \t");
  if (begin == std::wstring::npos) return std::wstring();
  size_t end = text.find_last_not_of(L" \t");
  return text.substr(begin, end - begin + 1);
}

// The section a line opens ("[name]"), or false.
bool SectionOf(const std::wstring& line, std::wstring* name) {
  std::wstring trimmed = Trim(line);
  if (trimmed.empty() || trimmed[0] != L'[') return false;
  size_t close = trimmed.find(L']');
  *name = Trim(trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  return true;
}

// The key a "key=value" line sets, or false.
bool KeyOf(const std::wstring& line, std::wstring* key) {
  std::wstring trimmed = Trim(line);
  if (trimmed.empty() || trimmed[0] == L';') return false;
  size_t equals = trimmed.find(L'=');
  if (equals == std::wstring::npos) return false;
  *key = Trim(trimmed.substr(0, equals));
  return true;
}

void SetProfileKey(std::vector<std::wstring>* lines, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) {
  size_t header = lines->size();
  std::wstring name;
  for (size_t i = 0; i < lines->size(); ++i) {
    if (SectionOf((*lines)[i], &name) && FoldCase(name) == FoldCase(section)) {
      header = i;
      break;
    }
  }
  if (header == lines->size()) {
    lines->push_back(L"[" + section + L"]");
    lines->push_back(key + L"=" + value);
    return;
  }
  size_t insert_at = header + 1;
  for (size_t i = header + 1; i < lines->size() && !SectionOf((*lines)[i], &name); ++i) {
    std::wstring existing;
    if (!KeyOf((*lines)[i], &existing)) continue;
    if (FoldCase(existing) == FoldCase(key)) {
      (*lines)[i] = existing + L"=" + value;
      return;
    }
    insert_at = i + 1;
  }
  lines->insert(lines->begin() + static_cast<std::ptrdiff_t>(insert_at), key + L"=" + value);
}

}  // namespace

bool SimFiles::WriteProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                                  const std::wstring& value) {
  if (faults_.ShouldFail("WritePrivateProfileStringW")) return false;
  std::wstring file = path;
  if (file.find_first_of(L"\\/") == std::wstring::npos) file = system_.WindowsPath() + L"\\" + file;
  std::lock_guard<std::mutex> lock(mutex_);
  SimPath p;
  uint32_t error = 0;
  if (!Parse(file, &p, &error)) {
    SetLastErrorCode(error);
    return false;
  }
  auto parent = Find(p.parent_key);
  if (p.parent_key.empty() || !parent || !parent->directory) {
    SetLastErrorCode(p.parent_key.empty() ? err::kAccessDenied : err::kPathNotFound);
    return false;
  }
  auto node = Find(p.key);
  if ((node && (node->directory || node->read_only)) || (!node && parent->read_only)) {
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  const bool utf16 = node && HasUtf16Mark(node->data);
  std::wstring text;
  if (utf16) {
    text = DecodeUtf16Le(node->data, 2, false);
  } else if (node) {
    codepage_.Decode(kCodePageAnsi, std::string(node->data.begin(), node->data.end()), &text);
  }
  std::vector<std::wstring> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    pos = end + 1;
  }
  SetProfileKey(&lines, section, key, value);
  std::wstring joined;
  for (const auto& line : lines) joined += line + L"\r\n";
  std::vector<uint8_t> bytes;
  if (utf16) {
    bytes = {0xFF, 0xFE};
    AppendUtf16Le(joined, &bytes);
  } else {
    std::string ansi;
    codepage_.Encode(kCodePageAnsi, joined, &ansi);
    bytes.assign(ansi.begin(), ansi.end());
  }
  if (!node) {
    node = std::make_shared<Node>();
    node->name = p.parts.back();
    nodes_[p.key] = node;
  }
  node->data = std::move(bytes);
  SetLastErrorCode(err::kSuccess);
  return true;
}

}  // namespace platform::sim
