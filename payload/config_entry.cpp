#include "payload/config_entry.h"

#include <vector>

#include "payload/extract_config.h"
#include "payload/payload_archive.h"
#include "payload/payload_walk.h"
#include "platform/last_error.h"
#include "text/case_fold.h"

namespace payload {

namespace {

// The components of a Windows path, case folded, with "." dropped and ".." resolved. False for
// ".." above the first component, and for a component Windows would trim (trailing dots or
// spaces): such a path names no configuration file, however Windows would read it.
bool Components(const std::wstring& path, std::vector<std::wstring>* out) {
  out->clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring part;
    for (size_t i = start; i < end; ++i) part.push_back(AsciiLower(path[i]));
    start = end + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (out->empty()) return false;
      out->pop_back();
      continue;
    }
    if (part.back() == L'.' || part.back() == L' ') return false;
    out->push_back(part);
  }
  return true;
}

bool SameAscii(const std::wstring& folded, const char* name) {
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    if (i >= folded.size() || folded[i] != AsciiLower(static_cast<wchar_t>(static_cast<unsigned char>(name[i])))) {
      return false;
    }
  }
  return i == folded.size();
}

}  // namespace

std::wstring ConfigFolderOf(const std::wstring& local_app_data) {
  return local_app_data + L"\\Temp\\TavroPrint\\Config";
}

const char* ConfigNameAt(const std::wstring& config_folder, const std::wstring& path) {
  std::vector<std::wstring> folder;
  std::vector<std::wstring> file;
  if (config_folder.empty() || !Components(config_folder, &folder) || !Components(path, &file)) return nullptr;
  if (folder.empty() || file.size() != folder.size() + 1) return nullptr;
  for (size_t i = 0; i < folder.size(); ++i) {
    if (folder[i] != file[i]) return nullptr;
  }
  for (const char* const* name = kConfigFileNames; *name != nullptr; ++name) {
    if (SameAscii(file.back(), *name)) return *name;
  }
  return nullptr;
}

bool ReadConfigEntry(const uint8_t* buffer, int32_t length, const char* config_name, std::string* out) {
  out->clear();
  PayloadReader reader(buffer, length > 0 ? static_cast<size_t>(length) : 0);
  EntryView entry;
  EntryView found;
  bool any = false;
  // Entries the extraction skips (and logs) are skipped here too; the last match is the one
  // extraction leaves on disk.
  while (reader.Next(&entry) == ReadResult::kEntry) {
    if (entry.problem == EntryProblem::kNone && EqualsNoCase(entry.name, config_name)) {
      found = entry;
      any = true;
    }
  }
  if (!any) {
    platform::SetLastErrorCode(platform::err::kFileNotFound);
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!InflateToVector(found.data, static_cast<size_t>(found.compressed_length), &bytes)) {
    platform::SetLastErrorCode(platform::err::kInvalidData);
    return false;
  }
  out->assign(bytes.begin(), bytes.end());
  return true;
}

PayloadConfigFiles::PayloadConfigFiles(const uint8_t* buffer, int32_t length, const std::wstring& local_app_data)
    : buffer_(buffer), length_(length), folder_(local_app_data.empty() ? std::wstring() : ConfigFolderOf(local_app_data)) {}

bool PayloadConfigFiles::Read(const std::wstring& path, std::string* out) const {
  out->clear();
  const char* name = ConfigNameAt(folder_, path);
  if (name == nullptr) {
    platform::SetLastErrorCode(platform::err::kFileNotFound);
    return false;
  }
  return ReadConfigEntry(buffer_, length_, name, out);
}

}  // namespace payload
