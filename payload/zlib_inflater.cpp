#include "payload/zlib_inflater.h"

#include <zlib.h>

namespace payload {

namespace {

constexpr size_t kWindow = 16384;

}  // namespace

struct ZlibInflater::Stream {
  z_stream z{};
};

ZlibInflater::ZlibInflater() : stream_(new Stream) {}

ZlibInflater::~ZlibInflater() {
  if (initialized_) inflateEnd(&stream_->z);
}

int ZlibInflater::Init() {
  if (initialized_) return Z_OK;
  const int result = inflateInit(&stream_->z);
  initialized_ = result == Z_OK;
  return result;
}

int ZlibInflater::Run(const uint8_t* source, size_t length, const InflateSink& sink) {
  if (!initialized_) return Z_STREAM_ERROR;
  z_stream& z = stream_->z;
  uint8_t out[kWindow];
  size_t position = 0;
  int result = Z_OK;
  while (position < length && result != Z_STREAM_END) {
    const size_t chunk = length - position < kWindow ? length - position : kWindow;
    z.next_in = const_cast<Bytef*>(source + position);
    z.avail_in = static_cast<uInt>(chunk);
    position += chunk;
    do {
      z.next_out = out;
      z.avail_out = kWindow;
      result = inflate(&z, Z_NO_FLUSH);
      if (result == Z_MEM_ERROR) return Z_MEM_ERROR;
      if (result == Z_DATA_ERROR || result == Z_NEED_DICT || result == Z_STREAM_ERROR) return Z_DATA_ERROR;
      if (!sink(out, kWindow - z.avail_out)) return kInflateSinkStopped;
    } while (z.avail_out == 0);
  }
  return Z_OK;
}

}  // namespace payload
