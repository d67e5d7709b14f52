#include "platform/sim/sim_registry.h"

#include <algorithm>

#include "platform/last_error.h"
#include "text/case_fold.h"
#include "text/utf16.h"

namespace platform::sim {

namespace {

std::vector<std::wstring> Split(const std::wstring& key) {
  std::vector<std::wstring> parts;
  size_t pos = 0;
  while (pos <= key.size()) {
    size_t end = key.find(L'\\', pos);
    if (end == std::wstring::npos) end = key.size();
    if (end > pos) parts.push_back(key.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

std::wstring Join(const std::vector<std::wstring>& parts) {
  std::wstring text;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text.push_back(L'\\');
    text += parts[i];
  }
  return text;
}

// Keys under HKLM\SOFTWARE that both views share (Windows 7 and later), as upper-case paths
// below SOFTWARE.
const std::vector<std::wstring>& SharedKeys() {
  static const std::vector<std::wstring> keys = {
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\CONSOLE",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTDPI",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTLINK",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTMAPPER",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTS",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\FONTSUBSTITUTES",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\GRE_INITIALIZE",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\LANGUAGEPACK",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\NETWORKCARDS",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PERFLIB",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PORTS",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PRINT",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PROFILELIST",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\TIME ZONES",
      L"MICROSOFT\\WINDOWS\\CURRENTVERSION\\CONTROL PANEL\\CURSORS\\SCHEMES",
      L"MICROSOFT\\WINDOWS\\CURRENTVERSION\\GROUP POLICY",
      L"MICROSOFT\\WINDOWS\\CURRENTVERSION\\SETUP\\OC MANAGER",
      L"MICROSOFT\\WINDOWS\\CURRENTVERSION\\TELEPHONY\\LOCATIONS",
      L"MICROSOFT\\COM3",
      L"MICROSOFT\\EVENTSYSTEM",
      L"MICROSOFT\\OLE",
      L"MICROSOFT\\RPC",
      L"MICROSOFT\\CRYPTOGRAPHY\\CALAIS\\CURRENT",
      L"MICROSOFT\\CRYPTOGRAPHY\\CALAIS\\READERS",
      L"MICROSOFT\\CRYPTOGRAPHY\\SERVICES",
      L"POLICIES",
      L"REGISTEREDAPPLICATIONS",
  };
  return keys;
}

bool IsShared(const std::vector<std::wstring>& parts) {
  // parts[0] is SOFTWARE.
  std::wstring below;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (i > 1) below.push_back(L'\\');
    below += FoldCase(parts[i]);
  }
  for (const auto& shared : SharedKeys()) {
    if (below.compare(0, shared.size(), shared) == 0 &&
        (below.size() == shared.size() || below[shared.size()] == L'\\'))
      return true;
  }
  return false;
}

int HiveIndex(Hive hive) { return static_cast<int>(hive); }

bool IsStringType(uint32_t type) {
  return type == regtype::kSz || type == regtype::kExpandSz || type == regtype::kMultiSz;
}

// The key's value of that name (compared without regard to case), or the values' end.
auto FindValue(SimRegistry::Key* key, const std::wstring& name) {
  const std::wstring upper = FoldCase(name);
  return std::find_if(key->values.begin(), key->values.end(),
                      [&](const auto& value) { return FoldCase(value.first) == upper; });
}

// Replaces the value of that name, or adds it after the others.
void StoreValue(SimRegistry::Key* key, const std::wstring& name, const RegValue& value) {
  auto it = FindValue(key, name);
  if (it != key->values.end()) it->second = value;
  else key->values.emplace_back(name, value);
}

// Every UTF-16 unit of the data, NULs included (surrogate pairs joined where wchar_t is 32-bit).
std::wstring AllUnits(const std::vector<uint8_t>& data) { return DecodeUtf16Le(data, 0, false); }

// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "RegCreateKeyExW", "RegDeleteTreeW", "RegDeleteValueW", "RegEnumKeyExA", "RegEnumKeyExW", "RegEnumValueW",
    "RegOpenKeyExA", "RegOpenKeyExW", "RegQueryValueExA", "RegQueryValueExW", "RegSetValueExW"};
}  // namespace

SimRegistry::SimRegistry(SimFaults& faults, SimCodePage& codepage) : faults_(faults), codepage_(codepage) {
  faults_.Declare(kFaultNames);
  codepage_.KeepIn(this);
  for (Hive hive : {Hive::kLocalMachine, Hive::kCurrentUser, Hive::kClassesRoot, Hive::kUsers})
    hives_[HiveIndex(hive)] = std::make_unique<Key>();
}

SimRegistry::~SimRegistry() = default;

void SimRegistry::SetRedirection(bool wow64) {
  std::lock_guard<std::mutex> lock(mutex_);
  wow64_ = wow64;
}

std::vector<std::wstring> SimRegistry::Resolve(Hive hive, const std::wstring& key, RegView view) {
  std::vector<std::wstring> parts = Split(key);
  if (!wow64_ || view == RegView::k64 || hive != Hive::kLocalMachine || parts.empty()) return parts;
  if (FoldCase(parts[0]) != L"SOFTWARE") return parts;
  if (parts.size() > 1 && FoldCase(parts[1]) == L"WOW6432NODE") return parts;
  if (IsShared(parts)) return parts;
  parts.insert(parts.begin() + 1, L"Wow6432Node");
  return parts;
}

std::wstring SimRegistry::ResolvedPath(Hive hive, const std::wstring& key, RegView view) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Join(Resolve(hive, key, view));
}

SimRegistry::Key* SimRegistry::Walk(Hive hive, const std::vector<std::wstring>& parts, bool create) {
  Key* key = hives_[HiveIndex(hive)].get();
  for (const auto& part : parts) {
    std::wstring upper = FoldCase(part);
    auto it = key->subkeys.find(upper);
    if (it == key->subkeys.end()) {
      if (!create) return nullptr;
      auto child = std::make_unique<Key>();
      child->name = part;
      it = key->subkeys.emplace(upper, std::move(child)).first;
    }
    key = it->second.get();
  }
  return key;
}

bool SimRegistry::Denied(Hive hive, const std::vector<std::wstring>& parts) {
  std::wstring path = FoldCase(Join(parts));
  for (const auto& rule : denied_) {
    if (rule.first.first != HiveIndex(hive)) continue;
    const std::wstring& prefix = rule.first.second;
    if (path.compare(0, prefix.size(), prefix) == 0 &&
        (path.size() == prefix.size() || path[prefix.size()] == L'\\')) {
      SetLastErrorCode(rule.second);
      return true;
    }
  }
  return false;
}

void SimRegistry::DenyKey(Hive hive, const std::wstring& key, RegView view, uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto id = std::make_pair(HiveIndex(hive), FoldCase(Join(Resolve(hive, key, view))));
  if (code == 0) denied_.erase(id);
  else denied_[id] = code;
}

bool SimRegistry::QueryValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                             RegValue* out) {
  if (faults_.ShouldFail("RegOpenKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Open(hive, key, view);
  if (k == nullptr) return false;
  if (faults_.ShouldFail("RegQueryValueExW")) return false;
  auto it = FindValue(k, name);
  if (it == k->values.end()) {
    SetLastErrorCode(err::kFileNotFound);
    return false;
  }
  *out = it->second;
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::KeyExists(Hive hive, const std::wstring& key, RegView view) {
  if (faults_.ShouldFail("RegOpenKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  return Open(hive, key, view) != nullptr;
}

bool SimRegistry::SetValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                           const RegValue& value) {
  if (faults_.ShouldFail("RegCreateKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = Resolve(hive, key, view);
  if (Denied(hive, parts)) return false;
  Key* k = Walk(hive, parts, true);
  if (faults_.ShouldFail("RegSetValueExW")) return false;
  StoreValue(k, name, value);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::CreateKey(Hive hive, const std::wstring& key, RegView view) {
  if (faults_.ShouldFail("RegCreateKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = Resolve(hive, key, view);
  if (Denied(hive, parts)) return false;
  Walk(hive, parts, true);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view) {
  if (faults_.ShouldFail("RegOpenKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Open(hive, key, view);
  if (k == nullptr) return false;
  if (faults_.ShouldFail("RegDeleteValueW")) return false;
  auto it = FindValue(k, name);
  if (it == k->values.end()) {
    SetLastErrorCode(err::kFileNotFound);
    return false;
  }
  k->values.erase(it);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::DeleteTree(Hive hive, const std::wstring& key, RegView view) {
  if (faults_.ShouldFail("RegOpenKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = Resolve(hive, key, view);
  if (Denied(hive, parts)) return false;
  if (parts.empty()) {  // a hive's root cannot go
    SetLastErrorCode(err::kAccessDenied);
    return false;
  }
  std::vector<std::wstring> parent_parts(parts.begin(), parts.end() - 1);
  Key* parent = Walk(hive, parent_parts, false);
  if (parent == nullptr || parent->subkeys.count(FoldCase(parts.back())) == 0) {
    SetLastErrorCode(err::kFileNotFound);
    return false;
  }
  if (faults_.ShouldFail("RegDeleteTreeW")) return false;
  parent->subkeys.erase(FoldCase(parts.back()));
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::EnumSubKeys(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) {
  if (faults_.ShouldFail("RegOpenKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Open(hive, key, view);
  if (k == nullptr) return false;
  if (faults_.ShouldFail("RegEnumKeyExW")) return false;
  out->clear();
  for (const auto& sub : k->subkeys) out->push_back(sub.second->name);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::EnumValues(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) {
  if (faults_.ShouldFail("RegOpenKeyExW")) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Open(hive, key, view);
  if (k == nullptr) return false;
  if (faults_.ShouldFail("RegEnumValueW")) return false;
  out->clear();
  for (const auto& value : k->values) out->push_back(value.first);
  SetLastErrorCode(err::kSuccess);
  return true;
}

SimRegistry::Key* SimRegistry::Open(Hive hive, const std::wstring& key, RegView view) {
  auto parts = Resolve(hive, key, view);
  if (Denied(hive, parts)) return nullptr;
  Key* k = Walk(hive, parts, false);
  if (k == nullptr) SetLastErrorCode(err::kFileNotFound);
  return k;
}

std::wstring SimRegistry::DecodeAnsi(const std::string& text) {
  std::wstring wide;
  codepage_.Decode(kCodePageAnsi, text, &wide);
  return wide;
}

bool SimRegistry::KeyExistsA(Hive hive, const std::string& key, RegView view) {
  if (faults_.ShouldFail("RegOpenKeyExA")) return false;
  const std::wstring wide = DecodeAnsi(key);
  std::lock_guard<std::mutex> lock(mutex_);
  if (Open(hive, wide, view) == nullptr) return false;
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::EnumSubKeysA(Hive hive, const std::string& key, RegView view, std::vector<std::string>* out) {
  out->clear();
  if (faults_.ShouldFail("RegOpenKeyExA")) return false;
  const std::wstring wide = DecodeAnsi(key);
  std::vector<std::wstring> names;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Key* k = Open(hive, wide, view);
    if (k == nullptr) return false;
    for (const auto& sub : k->subkeys) names.push_back(sub.second->name);
  }
  for (const auto& name : names) {
    if (faults_.ShouldFail("RegEnumKeyExA")) return false;
    std::string ansi;
    codepage_.Encode(kCodePageAnsi, name, &ansi);
    out->push_back(ansi);
  }
  // The call past the last subkey, which answers 259.
  if (faults_.ShouldFail("RegEnumKeyExA")) return false;
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::QueryValueA(Hive hive, const std::string& key, const std::string& name, RegView view,
                              RegValue* out) {
  if (faults_.ShouldFail("RegOpenKeyExA")) return false;
  const std::wstring wide = DecodeAnsi(key);
  const std::wstring wide_name = DecodeAnsi(name);
  RegValue found;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Key* k = Open(hive, wide, view);
    if (k == nullptr) return false;
    if (faults_.ShouldFail("RegQueryValueExA")) return false;
    auto it = FindValue(k, wide_name);
    if (it == k->values.end()) {
      SetLastErrorCode(err::kFileNotFound);
      return false;
    }
    found = it->second;
  }
  if (IsStringType(found.type)) {
    std::string ansi;
    codepage_.Encode(kCodePageAnsi, AllUnits(found.data), &ansi);
    found.data.assign(ansi.begin(), ansi.end());
  }
  *out = std::move(found);
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimRegistry::Get(Hive hive, const std::wstring& key, const std::wstring& name, RegView view, RegValue* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Walk(hive, Resolve(hive, key, view), false);
  if (k == nullptr) return false;
  auto it = FindValue(k, name);
  if (it == k->values.end()) return false;
  *out = it->second;
  return true;
}

void SimRegistry::Put(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                      const RegValue& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  StoreValue(Walk(hive, Resolve(hive, key, view), true), name, value);
}

void SimRegistry::MakeKey(Hive hive, const std::wstring& key, RegView view) {
  std::lock_guard<std::mutex> lock(mutex_);
  Walk(hive, Resolve(hive, key, view), true);
}

bool SimRegistry::SubKeys(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) {
  out->clear();
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Walk(hive, Resolve(hive, key, view), false);
  if (k == nullptr) return false;
  for (const auto& sub : k->subkeys) out->push_back(sub.second->name);
  return true;
}

bool SimRegistry::Values(Hive hive, const std::wstring& key, RegView view,
                         std::vector<std::pair<std::wstring, RegValue>>* out) {
  out->clear();
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Walk(hive, Resolve(hive, key, view), false);
  if (k == nullptr) return false;
  *out = k->values;
  return true;
}

bool SimRegistry::EraseLocked(Key* parent, const std::wstring& name) {
  return parent != nullptr && parent->subkeys.erase(FoldCase(name)) > 0;
}

bool SimRegistry::Erase(Hive hive, const std::wstring& key, RegView view) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = Resolve(hive, key, view);
  if (parts.empty()) return false;
  std::vector<std::wstring> parent_parts(parts.begin(), parts.end() - 1);
  return EraseLocked(Walk(hive, parent_parts, false), parts.back());
}

bool SimRegistry::EraseValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view) {
  std::lock_guard<std::mutex> lock(mutex_);
  Key* k = Walk(hive, Resolve(hive, key, view), false);
  if (k == nullptr) return false;
  auto it = FindValue(k, name);
  if (it == k->values.end()) return false;
  k->values.erase(it);
  return true;
}

}  // namespace platform::sim
