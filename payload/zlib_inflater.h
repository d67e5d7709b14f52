// The one inflate loop of the payload: a zlib stream that ends itself, fed in 16 KiB windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace payload {

// Receives each window of decompressed bytes, possibly empty (a window that produced nothing
// still counts as a step of progress). Returning false stops the inflation.
using InflateSink = std::function<bool(const uint8_t* bytes, size_t size)>;

// Run's result when the sink stopped it (distinct from every zlib code).
constexpr int kInflateSinkStopped = 100;

// A zlib inflate stream; inflateEnd runs when the object goes, whatever path left it.
class ZlibInflater {
 public:
  ZlibInflater();
  ~ZlibInflater();
  ZlibInflater(const ZlibInflater&) = delete;
  ZlibInflater& operator=(const ZlibInflater&) = delete;

  // inflateInit: Z_OK, or zlib's code (Z_MEM_ERROR, Z_VERSION_ERROR, Z_STREAM_ERROR).
  int Init();

  // Decompresses `length` bytes at `source` (one zlib stream) after a successful Init, taking
  // input and giving output in windows of 16 KiB, and hands every output window to `sink`.
  // Returns Z_OK when the stream ended or all its bytes were consumed (a stream cut short is
  // complete then; bytes after its end are ignored), Z_DATA_ERROR for corrupt data or a preset
  // dictionary, Z_MEM_ERROR, or kInflateSinkStopped.
  int Run(const uint8_t* source, size_t length, const InflateSink& sink);

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
  bool initialized_ = false;
};

}  // namespace payload
