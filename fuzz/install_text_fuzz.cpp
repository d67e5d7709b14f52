// Any bytes as an installer text file: the reader must stay inside its input and keep every
// text within its limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/install_text_file.h"
#include "fuzz_support.h"
#include "install/install_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzMachine env;
  ResetInstallTexts();
  ParseInstallText(data, size);
  for (const std::wstring& block : PageText) {
    if (block.size() > static_cast<size_t>(kInstallBlockMaxChars)) std::abort();
  }
  for (const std::wstring* value : {&Title, &ProgramName, &Driver, &Monitor, &PortPrefix, &FolderName, &Spare}) {
    if (value->size() > static_cast<size_t>(kInstallValueMaxChars)) std::abort();
  }
  env.TrimLog();
  return 0;
}
