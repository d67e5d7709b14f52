#include "payload/inflate_entry.h"

#include <zlib.h>

#include <climits>
#include <cstring>
#include <memory>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"

namespace {

constexpr int kWindow = 16384;

}  // namespace

int ProgressPosition(double done, double total) {
  if (!(total > 0)) return 0;
  const double position = done / total * 100.0;
  // Out of int's range the conversion is undefined; the bar clamps anything above 100 anyway.
  if (position >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (position <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(position);
}

int InflateEntryToFile(platform::Machine& machine, const ProgressCallback& on_progress,
                       const uint8_t* source, int32_t compressed_length,
                       const std::string& output_path, int32_t* counter, int32_t total) {
  z_stream stream;
  std::memset(&stream, 0, sizeof(stream));
  const int init = inflateInit(&stream);
  if (init != Z_OK) {
    platform::SetLastErrorCode(init == Z_MEM_ERROR ? platform::err::kNotEnoughMemory : platform::err::kInvalidData);
    return init;
  }

  std::unique_ptr<platform::File> file = machine.files().Open(output_path, "wb");
  if (!file) {
    const uint32_t code = platform::LastErrorCode();
    inflateEnd(&stream);
    platform::SetLastErrorCode(code != 0 ? code : platform::err::kWriteFault);
    return kInflateFileError;
  }

  uint8_t in[kWindow];
  uint8_t out[kWindow];
  int64_t remaining = compressed_length;
  size_t position = 0;
  bool complete = false;
  int result = Z_OK;
  for (;;) {
    const int chunk = static_cast<int>(remaining < kWindow ? remaining : kWindow);
    if (chunk <= 0) break;
    std::memcpy(in, source + position, chunk);
    position += chunk;
    stream.next_in = in;
    stream.avail_in = static_cast<uInt>(chunk);
    do {
      stream.next_out = out;
      stream.avail_out = kWindow;
      result = inflate(&stream, Z_NO_FLUSH);
      if (result == Z_MEM_ERROR || result == Z_DATA_ERROR || result == Z_NEED_DICT) {
        inflateEnd(&stream);
        const bool memory = result == Z_MEM_ERROR;
        platform::SetLastErrorCode(memory ? platform::err::kNotEnoughMemory : platform::err::kInvalidData);
        return memory ? kInflateMemoryError : kInflateDataError;
      }
      const size_t produced = kWindow - stream.avail_out;
      if (produced > 0) platform::SetLastErrorCode(platform::err::kSuccess);
      if (produced > 0 && (file->Write(out, produced) != produced || file->HasError())) {
        // The runtime does not always leave a code for a short write (a full disk does).
        const uint32_t code = platform::LastErrorCode();
        inflateEnd(&stream);
        platform::SetLastErrorCode(code != 0 ? code : platform::err::kWriteFault);
        return kInflateFileError;
      }
      // The counter is the caller's 32-bit value: it saturates instead of wrapping.
      const int64_t sum = static_cast<int64_t>(*counter) + static_cast<int64_t>(produced);
      *counter = sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
      if (on_progress) on_progress(ProgressPosition(*counter, total));
    } while (stream.avail_out == 0);
    remaining -= chunk;
    if (remaining <= 0) {
      complete = true;
      break;
    }
    if (result == Z_STREAM_END) break;
  }
  file.reset();
  inflateEnd(&stream);
  if (complete || result == Z_STREAM_END) return kInflateOk;
  platform::SetLastErrorCode(platform::err::kInvalidData);
  return kInflateDataError;
}
