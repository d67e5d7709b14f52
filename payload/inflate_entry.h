// Decompression of one payload entry into a file, reporting progress as it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {
class Machine;
}  // namespace platform

// Receives the next progress position (a percentage; may run past 100, the bar clamps it). The
// owner of the progress bar decides whether and where to show it; an empty callback means no
// progress reporting.
using ProgressCallback = std::function<void(int position)>;

// Codes of InflateEntryToFile besides zlib's own inflateInit codes.
constexpr int kInflateOk = 0;
constexpr int kInflateFileError = -1;   // the output file cannot be created or written
constexpr int kInflateDataError = -3;   // corrupt data, or a preset dictionary required
constexpr int kInflateMemoryError = -4;

// Decompresses the zlib stream at `source` (`compressed_length` bytes) into the file at the 8-bit
// ANSI path `output_path`, created or truncated, in 16 KiB windows. Adds the decompressed bytes
// to *counter and reports counter / total * 100 to `on_progress` (may be empty) after each
// window. A stream cut short is complete once all its bytes are
// consumed. Returns 0, an inflateInit code, -1, -3 or -4; the file is closed on every path and
// keeps what was decoded. A failure leaves its Win32 code as the last error: the file call's
// (29, ERROR_WRITE_FAULT, when the runtime gave none) for -1, 13 for corrupt data, 8 for memory.
int InflateEntryToFile(platform::Machine& machine, const ProgressCallback& on_progress,
                       const uint8_t* source, int32_t compressed_length,
                       const std::string& output_path, int32_t* counter, int32_t total);

// The progress position for `done` of `total`: done / total * 100 in double precision, truncated
// toward zero and kept within int; 0 when the total is 0 or negative.
int ProgressPosition(double done, double total);
