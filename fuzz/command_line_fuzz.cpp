// Any UTF-16 text as the installer's command line: the splitting must stay inside its input and
// never make text, and an accepted command line holds only values the switches allow.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring line;
  for (size_t i = 0; i + 1 < size; i += 2) line += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  std::vector<std::wstring> words = SplitCommandLine(line);
  if (words.empty()) std::abort();
  size_t chars = 0;
  for (const std::wstring& word : words) chars += word.size();
  if (chars > line.size()) std::abort();
  words.erase(words.begin());
  const CommandLine parsed = ParseCommandLine(words);
  if (parsed.valid) {
    if (parsed.language < -1 || parsed.language > 2) std::abort();
    if (parsed.preset.ip.size() > 48 || parsed.preset.model.size() > 255) std::abort();
    if (!parsed.preset.ip.empty() && (parsed.preset.port_auto || !parsed.preset.port.empty())) std::abort();
  }
  return 0;
}
