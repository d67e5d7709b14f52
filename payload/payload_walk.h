// The archive walk shared by both extractions: bounded by the buffer, with a log line for every
// entry it skips and for an archive that ends early.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "payload/payload_archive.h"

namespace payload {

// How the caller's log lines look: the function named in the line's source field, the name at the
// start of the message, and the line ending ("\n" or "\r\n").
struct WalkLog {
  const char* function;
  const char* tag;
  const char* eol;
};

// Calls `visit` for each usable entry of the archive in [buffer, buffer + length), in archive
// order. An entry with a bad name or length is skipped with a "[WARN]" line and the walk goes on;
// an entry running past the end of the buffer ends the walk with an "[ERROR]" line. Returns false
// when the walk ended early or the buffer cannot hold the entry count.
bool WalkPayload(const uint8_t* buffer, int32_t length, const WalkLog& log,
                 const std::function<void(const EntryView&)>& visit);

// The entry count in the first 4 bytes; 0 when the buffer is shorter than that.
uint32_t PayloadCount(const uint8_t* buffer, int32_t length);

// ASCII case-insensitive equality, as the C runtime's stricmp compares in the "C" locale.
bool EqualsNoCase(const std::string& a, const char* b);

}  // namespace payload
