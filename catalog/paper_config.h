// Paper files ("PaperSize.json", "DefaultPaper.json" and the files they import): the paper
// sizes the driver offers for a model, loaded into the process-wide table PaperTable.
#pragma once

#include <cstdint>
#include <string>

#include "catalog/config_reader.h"

struct cJSON;

namespace platform {
class Machine;
}

constexpr int kPaperNameChars = 64;  // characters, terminator included
constexpr int kPaperTableCount = 256;

// One paper size; lengths in tenths of a millimetre.
struct PaperRecord {
  wchar_t name[kPaperNameChars];
  int32_t width;
  int32_t height;
  int32_t offsetX;
  int32_t offsetY;
};

// All 256 slots are read by the GPC writer and the settings writer; all zero at start.
extern PaperRecord PaperTable[kPaperTableCount];

// "<temp_folder>\TavroPrint\Config\<paper>" where temp_folder is "<LocalAppData>\Temp\".
std::wstring BuildPaperConfigPath(const std::wstring& temp_folder, const std::wstring& paper);

// Loads the paper file at `path` into PaperTable from slot `start`: its imports first, depth
// first and relative to its folder, then its own papers. Returns the papers stored by it and
// its imports. A load from slot 0 empties the table first. A file already being loaded further
// up the import chain is refused with an error line.
// Every file, the imports included, is read through `read` by its path.
int ParsePaperConfig(platform::Machine& machine, const std::wstring& path, int start,
                     const ConfigReader& read);
// The same with the files read from disk (tools and tests that hold the files themselves).
int ParsePaperConfig(platform::Machine& machine, const std::wstring& path, int start);

// Stores the "Papers" array of a parsed paper file from slot `start` on (never past the last
// slot) and returns how many it stored.
int ParsePapersFromJson(platform::Machine& machine, const cJSON* root, int start);
