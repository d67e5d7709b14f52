#include "uninstall/installation_record.h"

#include "log/log.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "text/case_fold.h"
#include "uninstall/uninstall_log.h"

namespace {

constexpr const char* kFn = "FindInstallation";
constexpr size_t kMaxName = 255;

std::wstring Trimmed(std::wstring folder) {
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder;
}

std::vector<std::wstring> Split(const std::wstring& text) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::wstring Value(platform::Registry& registry, const std::wstring& key, const wchar_t* name, platform::RegView view) {
  platform::RegValue value;
  if (!registry.QueryValue(platform::Hive::kLocalMachine, key, name, view, &value)) return std::wstring();
  return value.AsString();
}

// Keeps `value` when `ok`, else logs and names it as refused.
std::wstring Checked(InstallationRecord* out, const wchar_t* name, const std::wstring& value, bool ok) {
  if (ok) return value;
  UNINSTALL_LOG(kFn, "[ERROR] FindInstallation - Refused %ws=%ws\n", name, value.c_str());
  std::string narrow;
  for (const wchar_t* c = name; *c != L'\0'; ++c) narrow.push_back(static_cast<char>(*c));
  out->untrusted.push_back(narrow);
  return std::wstring();
}

bool IsEnvironment(const std::wstring& environment) {
  return environment == platform::kEnvironmentX64 || environment == platform::kEnvironmentX86;
}

// The installer's own values, checked; what an older installer did not record is derived.
void ReadEntryValues(platform::Machine& machine, InstallationRecord* out) {
  platform::Registry& registry = machine.registry();
  const auto view = platform::RegView::kDefault;
  const std::wstring& key = out->entry_key;
  std::wstring stem = Value(registry, key, kEntryFileStem, view);
  // An installer that did not record the stem named the product key after the printer.
  if (stem.empty()) stem = out->printer;
  out->file_stem = Checked(out, kEntryFileStem, stem, IsKeyName(stem));
  std::wstring driver = Value(registry, key, kEntryDriver, view);
  if (driver.empty() && !out->printer.empty()) driver = out->printer + L" Driver";
  out->driver = Checked(out, kEntryDriver, driver, IsPlainName(driver));
  std::wstring environments = Value(registry, key, kEntryEnvironments, view);
  if (environments.empty()) environments = machine.system().IsWow64() ? platform::kEnvironmentX64 : platform::kEnvironmentX86;
  for (const std::wstring& environment : Split(environments)) {
    std::wstring kept = Checked(out, kEntryEnvironments, environment, IsEnvironment(environment));
    if (!kept.empty()) out->environments.push_back(kept);
  }
  std::wstring port = Value(registry, key, kEntryPort, view);
  out->port = port.empty() ? port : Checked(out, kEntryPort, port, IsPlainName(port));
  std::wstring monitor = Value(registry, key, kEntryOwnMonitor, view);
  out->own_monitor = monitor.empty() ? monitor : Checked(out, kEntryOwnMonitor, monitor, IsPlainName(monitor));
  for (const std::wstring& file : Split(Value(registry, key, kEntryDriverFiles, view))) {
    std::wstring kept = Checked(out, kEntryDriverFiles, file, IsDriverFileName(file));
    if (!kept.empty()) out->driver_files.push_back(kept);
  }
}

}  // namespace

bool SameFolder(const std::wstring& a, const std::wstring& b) { return FoldCase(Trimmed(a)) == FoldCase(Trimmed(b)); }

bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name.size() <= kMaxName && name.find_first_of(L"\\,") == std::wstring::npos &&
         name.find(L'\0') == std::wstring::npos;
}

bool IsKeyName(const std::wstring& name) {
  return IsPlainName(name) && name.find(L'/') == std::wstring::npos && name != L"." && name != L"..";
}

bool IsDriverFileName(const std::wstring& name) {
  if (!IsKeyName(name) || name.find_first_of(L":*?\"<>|") != std::wstring::npos || name.size() < 5) return false;
  const std::wstring tail = FoldCase(name.substr(name.size() - 4));
  return tail == L".DLL" || tail == L".EXE" || tail == L".PCD";
}

bool FindInstallation(platform::Machine& machine, const std::wstring& folder, InstallationRecord* out) {
  *out = InstallationRecord();
  out->folder = Trimmed(folder);
  platform::Registry& registry = machine.registry();
  std::vector<std::wstring> entries;
  registry.EnumSubKeys(platform::Hive::kLocalMachine, kUninstallEntriesKey, platform::RegView::kDefault, &entries);
  for (const std::wstring& name : entries) {
    const std::wstring key = std::wstring(kUninstallEntriesKey) + L"\\" + name;
    if (Value(registry, key, L"Publisher", platform::RegView::kDefault) != kPublisher) continue;
    if (!out->entry_key.empty() || !SameFolder(Value(registry, key, L"InstallLocation", platform::RegView::kDefault), folder)) {
      ++out->other_installations;
      out->other_folders.push_back(Value(registry, key, L"InstallLocation", platform::RegView::kDefault));
      continue;
    }
    out->entry_key = key;
  }
  if (out->entry_key.empty()) {
    UNINSTALL_LOG(kFn, "[INFO] FindInstallation - No uninstall entry names %ws\n", out->folder.c_str());
    return false;
  }
  const std::wstring printer = Value(registry, out->entry_key, L"DisplayName", platform::RegView::kDefault);
  out->printer = Checked(out, L"DisplayName", printer, IsPlainName(printer));
  ReadEntryValues(machine, out);
  if (!out->file_stem.empty()) {
    out->chinese = Value(registry, L"SOFTWARE\\" + out->file_stem, L"Language", platform::RegView::k64) == L"Chinese";
  }
  UNINSTALL_LOG(kFn, "[INFO] FindInstallation - Entry %ws: printer %ws, driver %ws, port %ws, own monitor %ws, %d other installation(s)\n",
                out->entry_key.c_str(), out->printer.c_str(), out->driver.c_str(), out->port.c_str(),
                out->own_monitor.c_str(), out->other_installations);
  return true;
}
