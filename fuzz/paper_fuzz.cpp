// Feeds arbitrary bytes to the paper loader: the first byte picks the start slot (-1 to 254),
// the rest is split at NUL bytes into up to four files f0.json to f3.json of one folder, so that
// imports between them (loops included) are explored. f0.json is loaded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/paper_config.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzMachine env;
  if (size == 0) return 0;
  int start = static_cast<int>(data[0]) - 1;
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::wstring folder = L"C:\\Config\\";
  for (int i = 0; i < 4; ++i) env.machine.files().Remove(folder + L"f" + std::to_wstring(i) + L".json");
  size_t from = 0;
  for (int i = 0; i < 4 && from <= rest.size(); ++i) {
    size_t cut = rest.find('\0', from);
    if (cut == std::string::npos || i == 3) cut = rest.size();
    env.machine.files().PutFile(folder + L"f" + std::to_wstring(i) + L".json",
                                rest.substr(from, cut - from));
    from = cut + 1;
  }

  int stored = ParsePaperConfig(env.machine, folder + L"f0.json", start);
  int room = start < 0 ? 0 : kPaperTableCount - start;
  if (stored < 0 || stored > room) std::abort();
  for (const PaperRecord& p : PaperTable) {
    bool terminated = false;
    for (wchar_t c : p.name) terminated = terminated || c == L'\0';
    if (!terminated) std::abort();
  }
  env.TrimLog();
  return 0;
}
