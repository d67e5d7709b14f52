// Feeds arbitrary bytes to the configuration reading from the payload: the bytes up to the first
// NUL are a path (8-bit, widened byte by byte), the rest is the archive. Whatever the path, only
// a configuration name directly in the folder is answered; the paper loader then reads through it
// with imports taken from the archive's own paper files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/paper_config.h"
#include "fuzz_support.h"
#include "payload/config_entry.h"
#include "payload/extract_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzMachine env;
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t path_size = nul != nullptr ? static_cast<size_t>(nul - data) : size;
  std::wstring path;
  for (size_t i = 0; i < path_size; ++i) path.push_back(static_cast<wchar_t>(data[i]));
  std::vector<uint8_t> archive;
  if (nul != nullptr) archive.assign(nul + 1, data + size);

  const std::wstring local = L"C:\\Users\\A\\AppData\\Local";
  const std::wstring folder = payload::ConfigFolderOf(local);
  const char* name = payload::ConfigNameAt(folder, path);
  if (name != nullptr) {
    bool listed = false;
    for (const char* const* n = kConfigFileNames; *n != nullptr; ++n) listed = listed || *n == name;
    if (!listed) std::abort();
  }

  const payload::PayloadConfigFiles files(archive.data(), static_cast<int32_t>(archive.size()), local);
  std::string out;
  if (files.Read(path, &out) && name == nullptr) std::abort();
  if (files.Read(folder + L"\\PaperSize.json", &out)) {
    const int stored = ParsePaperConfig(env.machine, folder + L"\\\\PaperSize.json", 0,
                                        [&files](const std::wstring& p, std::string* bytes) { return files.Read(p, bytes); });
    if (stored < 0 || stored > kPaperTableCount) std::abort();
  }
  env.TrimLog();
  return 0;
}
