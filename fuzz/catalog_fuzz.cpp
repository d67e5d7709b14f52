// Feeds arbitrary bytes as "Modules.json" to the catalog loader on the simulated machine and
// checks that every record's text stays terminated inside its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "fuzz_support.h"

namespace {

void CheckTerminated(const wchar_t* field, int capacity) {
  for (int i = 0; i < capacity; ++i) {
    if (field[i] == L'\0') return;
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzMachine env;
  const std::wstring path = L"C:\\Config\\Modules.json";
  env.machine.files().PutFile(path, std::string(reinterpret_cast<const char*>(data), size));
  // Every third model is refused, as a full combo box would: the table must stay parallel to the
  // list of the models taken.
  std::vector<std::wstring> taken;
  int offered = 0;
  LoadModelCatalog(env.machine, path, [&](const std::wstring& model) {
    if (++offered % 3 == 0) return false;
    taken.push_back(model);
    return true;
  });

  int models = CountCatalogModels();
  if (taken.size() != static_cast<size_t>(models)) std::abort();
  for (int k = 0; k < models; ++k) {
    if (taken[k] != PrinterInfo[k].MODEL) std::abort();
  }
  for (const ModelRecord& r : PrinterInfo) {
    CheckTerminated(r.MODEL, kModelNameChars);
    CheckTerminated(r.RecognizeName, kModelNameChars);
    CheckTerminated(r.Command, kModelNameChars);
    CheckTerminated(r.VidAndPid, kModelNameChars);
    CheckTerminated(r.DefaultCommand, kModelShortChars);
    CheckTerminated(r.HardwareID, kModelShortChars);
    CheckTerminated(r.Paper, kModelPaperChars);
    CheckTerminated(r.OffsetX, kModelShortChars);
    CheckTerminated(r.OffsetY, kModelShortChars);
    CheckTerminated(r.DefaultVerticalFeed, kModelShortChars);
  }
  env.TrimLog();
  return 0;
}
