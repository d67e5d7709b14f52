// The InstallPayload archive format: a 32-bit little-endian entry count, then per entry the name
// length N, the compressed length L, N name bytes (no NUL) and L bytes of one zlib stream.
// Reading is bounded by the buffer; nothing here logs or touches the machine, so the host-side
// packer shares it with the installer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace payload {

// The readers copy names into 256-byte buffers: 255 bytes plus the terminator.
constexpr uint32_t kMaxEntryNameBytes = 255;

// Why an entry cannot be used; an entry with a problem is skipped, the walk goes on.
enum class EntryProblem {
  kNone = 0,
  kEmptyName = 1,
  kNameTooLong = 2,       // 256 bytes or more
  kNameHoldsNul = 3,
  kBadLength = 4,         // compressed length 0 or negative as a signed 32-bit value
  kUnsafeName = 5,        // absolute, a drive, or a ".." component: would leave the target folder
  kDeviceName = 6,        // a component Windows opens as a device (CON, NUL, COM1, LPT1 ...)
};

// One entry as found in the buffer. `data` points into the caller's buffer.
struct EntryView {
  uint32_t index = 0;              // position in the archive, counting from 0
  uint32_t name_length = 0;        // N as stored
  int32_t compressed_length = 0;   // L as stored, read as signed
  std::string name;                // the name bytes (at most 255 kept for a too-long name)
  const uint8_t* data = nullptr;
  size_t offset = 0;               // offset of the entry's header in the buffer
  EntryProblem problem = EntryProblem::kNone;
};

enum class ReadResult {
  kEntry,      // *entry holds the next entry (check entry->problem)
  kEnd,        // all counted entries read
  kTruncated,  // the next entry's header, name or data runs past the end of the buffer
};

// Walks an archive held in memory, never reading outside [data, data + size).
class PayloadReader {
 public:
  PayloadReader(const uint8_t* data, size_t size);

  // False when the buffer is too short to hold the entry count.
  bool HasCount() const { return size_ >= 4; }
  uint32_t Count() const { return count_; }
  // Reads the entry at the current position and moves past it.
  ReadResult Next(EntryView* entry);
  // Offset of the next entry's header, and that entry's position (counting from 0).
  size_t Offset() const { return offset_; }
  uint32_t Index() const { return index_; }

 private:
  const uint8_t* data_;
  size_t size_;
  uint32_t count_ = 0;
  uint32_t index_ = 0;
  size_t offset_ = 4;
  bool lost_ = false;
};

// The checks the readers and the packer apply to a name, in this order: empty, too long, NUL,
// unsafe, device. kNone for a name that may be written below a target folder.
EntryProblem CheckEntryName(const std::string& name);

// True for a name that stays inside the folder it is written to: not absolute ("\x", "/x"), no
// drive or stream colon, no ".." component (nor "...", ".. ": Windows drops trailing dots and
// spaces); either slash separates components. A device name in any component is not safe either.
bool IsSafeEntryName(const std::string& name);

// True when a component of `name` is one Windows opens as a device ("CON", "nul.txt",
// "sub\COM1 .log"), ignoring case and trailing dots and spaces.
bool HoldsDeviceName(const std::string& name);

// Text for a problem, for messages and log lines.
const char* EntryProblemText(EntryProblem problem);

// Reads a little-endian 32-bit value.
uint32_t ReadLe32(const uint8_t* p);

// One file to pack.
struct PackInput {
  std::string name;
  std::vector<uint8_t> content;
};

// Builds an archive from the inputs: entries in ascending byte order of their names, each one
// zlib stream at the default level (header 78 9C). False with *error set for a refused name
// (empty, 256 bytes or more, a NUL, unsafe), a duplicate name or a compression failure.
bool BuildArchive(std::vector<PackInput> inputs, std::vector<uint8_t>* out, std::string* error);

// Decompresses one entry into memory with the installer's acceptance rule: a stream cut short is
// complete once all its bytes are consumed; bytes after the end marker are ignored. False on
// corrupt data.
bool InflateToVector(const uint8_t* data, size_t size, std::vector<uint8_t>* out);

}  // namespace payload
