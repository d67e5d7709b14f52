#include "app/log_copy.h"

#include <vector>

#include "log/log.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"

namespace {

constexpr const char* kFn = "CopyRunLog";
constexpr size_t kPathChars = 260;

bool ReadAll(platform::Machine& machine, const std::string& path, std::string* out) {
  std::unique_ptr<platform::File> file = machine.files().Open(path, "rb");
  if (!file) return false;
  char buffer[4096];
  for (;;) {
    const size_t n = file->Read(buffer, sizeof(buffer));
    out->append(buffer, n);
    if (n < sizeof(buffer)) break;
  }
  return !file->HasError();
}

bool IsAbsoluteFolder(const std::wstring& folder) {
  if (folder.size() >= 3 && ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z')) &&
      folder[1] == L':' && folder[2] == L'\\') {
    return true;
  }
  return folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\' && folder[2] != L'?' && folder[2] != L'.';
}

bool HasDotDotOrControl(const std::wstring& folder) {
  for (wchar_t c : folder) {
    if (c < 0x20 || c == L'/' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|') {
      return true;
    }
  }
  size_t start = 0;
  while (start <= folder.size()) {
    size_t end = folder.find(L'\\', start);
    if (end == std::wstring::npos) end = folder.size();
    if (folder.compare(start, end - start, L"..") == 0) return true;
    start = end + 1;
  }
  return false;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

size_t LogSizeNow(platform::Machine& machine) {
  char path[kPathChars * 2];
  if (GetLogFilePath(path, sizeof(path)) != 0) return 0;
  std::string bytes;
  ReadAll(machine, path, &bytes);
  return bytes.size();
}

bool CopyRunLog(platform::Machine& machine, const std::wstring& folder_in, size_t from) {
  std::wstring folder = folder_in;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (!IsAbsoluteFolder(folder) || HasDotDotOrControl(folder) || folder.size() > kPathChars - 40) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] CopyRunLog - Not a usable log folder: %ws, Error=%d\n",
             folder_in.c_str(), 87);
    return false;
  }
  std::string folder_ansi;
  if (!machine.codepage().ToAnsiExact(folder, &folder_ansi)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[ERROR] CopyRunLog - The log folder %ws has characters of no ANSI code page, Error=%d\n",
             folder_in.c_str(), 1113);
    return false;
  }
  platform::PathFacts facts;
  if (!machine.files().Inspect(folder_ansi, &facts) || facts.kind != platform::PathKind::kDirectory ||
      facts.reparse_point) {
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[ERROR] CopyRunLog - The log folder %ws is no folder of its own (missing, a file or a link), Error=%d\n",
             folder_in.c_str(), static_cast<int>(platform::LastErrorCode()));
    return false;
  }
  char log_path[kPathChars * 2];
  std::string bytes;
  if (GetLogFilePath(log_path, sizeof(log_path)) != 0 || !ReadAll(machine, log_path, &bytes)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] CopyRunLog - The log cannot be read, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
    return false;
  }
  const std::string target = folder_ansi + (folder_ansi.back() == '\\' ? "" : "\\") + BaseName(log_path);
  bool created = false;
  platform::PathFacts file_facts;
  std::unique_ptr<platform::File> out = machine.files().OpenForAppend(target, &created, &file_facts);
  if (!out) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] CopyRunLog - Cannot open %s, Error=%d\n", target.c_str(),
             static_cast<int>(platform::LastErrorCode()));
    return false;
  }
  if (file_facts.kind != platform::PathKind::kFile || file_facts.reparse_point || file_facts.links > 1) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] CopyRunLog - %s is a link or has a second name, Error=%d\n",
             target.c_str(), 1);
    return false;
  }
  if (from > bytes.size()) from = 0;  // a new day's file
  // The day's log holds CR LF; the append turns each LF into CR LF again.
  std::string text;
  text.reserve(bytes.size() - from);
  for (size_t i = from; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  if (out->Write(text.data(), text.size()) != text.size() || out->HasError()) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[ERROR] CopyRunLog - Writing %s failed, Error=%d\n", target.c_str(),
             static_cast<int>(platform::LastErrorCode()));
    return false;
  }
  return true;
}
