// Windows' own conversions of code pages 1252 and 936 where they go beyond the standard tables
// that iconv shares with them: the best-fit look-alikes WideCharToMultiByte falls back on with
// default flags, and the extra round-trip mappings (1252's five unassigned bytes as the C1
// controls, 936's private-use characters and 0xFF). Taken from WideCharToMultiByte and
// MultiByteToWideChar under Wine 8, whose tables are Microsoft's published best-fit tables; the
// codepage contract cases check samples against Wine.
#pragma once

#include <cstdint>

namespace platform::sim {

// The bytes of one character: a single byte, or lead << 8 | trail.
// Best fit (one way): true with `bytes` when Windows maps `wide` to a look-alike in `code_page`.
bool WindowsBestFit(uint32_t code_page, uint32_t wide, uint16_t* bytes);
// Round-trip mappings iconv lacks, both ways.
bool WindowsExtraToBytes(uint32_t code_page, uint32_t wide, uint16_t* bytes);
bool WindowsExtraToWide(uint32_t code_page, uint16_t bytes, uint32_t* wide);

}  // namespace platform::sim
