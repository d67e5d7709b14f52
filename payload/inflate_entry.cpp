#include "payload/inflate_entry.h"

#include <zlib.h>

#include <climits>
#include <memory>

#include "payload/zlib_inflater.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"

namespace {

// A file that cannot be created or written. The runtime does not always leave a code for a short
// write (a full disk does): 29, ERROR_WRITE_FAULT, then.
int FileFailure() {
  const uint32_t code = platform::LastErrorCode();
  platform::SetLastErrorCode(code != 0 ? code : platform::err::kWriteFault);
  return kInflateFileError;
}

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
  payload::ZlibInflater inflater;
  const int init = inflater.Init();
  if (init != Z_OK) {
    platform::SetLastErrorCode(init == Z_MEM_ERROR ? platform::err::kNotEnoughMemory : platform::err::kInvalidData);
    return init;
  }

  std::unique_ptr<platform::File> file = machine.files().Open(output_path, "wb");
  if (!file) return FileFailure();
  // An entry without data cannot hold a stream: the file stays empty and the entry is corrupt.
  if (compressed_length <= 0) {
    platform::SetLastErrorCode(platform::err::kInvalidData);
    return kInflateDataError;
  }

  const payload::InflateSink write = [&](const uint8_t* bytes, size_t size) {
    if (size > 0) {
      platform::SetLastErrorCode(platform::err::kSuccess);
      if (file->Write(bytes, size) != size || file->HasError()) return false;
    }
    // The counter is the caller's 32-bit value: it saturates instead of wrapping.
    const int64_t sum = static_cast<int64_t>(*counter) + static_cast<int64_t>(size);
    *counter = sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
    if (on_progress) on_progress(ProgressPosition(*counter, total));
    return true;
  };
  switch (inflater.Run(source, static_cast<size_t>(compressed_length), write)) {
    case Z_OK:
      return kInflateOk;
    case payload::kInflateSinkStopped:
      return FileFailure();
    case Z_MEM_ERROR:
      platform::SetLastErrorCode(platform::err::kNotEnoughMemory);
      return kInflateMemoryError;
    default:
      platform::SetLastErrorCode(platform::err::kInvalidData);
      return kInflateDataError;
  }
}
