// Shared by the payload tests: a simulated machine bound to the log facility, archives built
// entry by entry (well-formed or not), and the log's text.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "tests/support/fixture_support.h"

namespace payload_test {

// zlib stream of `text` at the default level.
inline std::string Deflate(const std::string& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text.data()),
            static_cast<uLong>(text.size()), Z_DEFAULT_COMPRESSION);
  out.resize(size);
  return out;
}

// Bytes that do not compress: a simple generator, the same for every run.
inline std::string Noise(size_t size, uint32_t seed = 1) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<char>(seed >> 24);
  }
  return out;
}

// An archive written field by field, so that tests can lie in any field.
class RawArchive {
 public:
  explicit RawArchive(uint32_t count) { Le32(count); }
  // A well-formed entry.
  RawArchive& Add(const std::string& name, const std::string& content) {
    return AddRaw(static_cast<uint32_t>(name.size()), name, Deflate(content));
  }
  // Name length, name bytes and data exactly as given; the stored length is that of `data`.
  RawArchive& AddRaw(uint32_t name_length, const std::string& name, const std::string& data) {
    return AddRaw(name_length, static_cast<uint32_t>(data.size()), name, data);
  }
  RawArchive& AddRaw(uint32_t name_length, uint32_t stored_length, const std::string& name,
                     const std::string& data) {
    Le32(name_length);
    Le32(stored_length);
    bytes_ += name;
    bytes_ += data;
    return *this;
  }
  RawArchive& Append(const std::string& bytes) {
    bytes_ += bytes;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }
  // The bytes in a buffer of exactly their size, so that ASan sees any read past the end.
  std::vector<uint8_t> Buffer() const { return std::vector<uint8_t>(bytes_.begin(), bytes_.end()); }

 private:
  void Le32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((v >> (8 * i)) & 0xff);
  }
  std::string bytes_;
};

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override { LogAttachMachine(&machine_); }
  void TearDown() override { LogStop(); }

  // Everything logged so far.
  std::string LogText() { return tavro_test::ReadLog(machine_, false); }
  std::string File(const std::wstring& path) { return machine_.files().FileBytes(path); }
  bool Exists(const std::wstring& path) {
    return machine_.files().Kind(path) != platform::PathKind::kMissing;
  }

  platform::sim::SimMachine machine_;
};

}  // namespace payload_test
