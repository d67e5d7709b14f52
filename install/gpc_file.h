// The driver's GPC file "<FileStem>GPC.pcd": a 256-byte header, a 4-byte pen block and one
// 56-byte form record per paper table slot, little-endian, always 14,596 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "catalog/paper_config.h"

struct ModelRecord;

namespace platform {
class CodePage;
}

constexpr size_t kGpcHeaderBytes = 256;
constexpr size_t kGpcPenBlockBytes = 4;
constexpr size_t kGpcFormBytes = 56;
constexpr size_t kGpcFormNameBytes = 32;  // terminator included
constexpr size_t kGpcFileBytes = kGpcHeaderBytes + kGpcPenBlockBytes + kPaperTableCount * kGpcFormBytes;

// One form record's content: the paper name already in ANSI (at most 31 bytes), sizes in tenths
// of a millimetre as the paper table holds them.
struct GpcFormInput {
  std::string ansi_name;
  int32_t width = 0;
  int32_t height = 0;
};

struct GpcInput {
  bool colour = false;  // header flags 3, else 1
  int32_t dpi = 0;
  std::array<GpcFormInput, kPaperTableCount> forms;
};

// The file's bytes; names longer than 31 bytes are cut. Always kGpcFileBytes long.
std::vector<uint8_t> BuildGpcBytes(const GpcInput& input);

// The ANSI form of a paper name cut at a character boundary to fit a form record's name field
// (at most 31 bytes): never half a double-byte character. "" when the conversion fails.
std::string GpcFormName(platform::CodePage& codepage, const std::wstring& name);

// The input for a model and the paper table: colour when IsSupperMultiColor is 1.
GpcInput GpcInputFor(platform::CodePage& codepage, const ModelRecord& model, const PaperRecord (&papers)[kPaperTableCount]);
