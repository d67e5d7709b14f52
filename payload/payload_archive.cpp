#include "payload/payload_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "payload/zlib_inflater.h"
#include "platform/dos_device_name.h"

namespace payload {

uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

PayloadReader::PayloadReader(const uint8_t* data, size_t size) : data_(data), size_(size) {
  if (data_ == nullptr) size_ = 0;
  if (HasCount()) count_ = ReadLe32(data_);
}

ReadResult PayloadReader::Next(EntryView* entry) {
  if (index_ >= count_) return ReadResult::kEnd;
  // A negative length leaves no way to find the next entry: everything after it is lost.
  if (lost_ || offset_ > size_ || size_ - offset_ < 8) return ReadResult::kTruncated;
  const uint8_t* header = data_ + offset_;
  const uint32_t name_length = ReadLe32(header);
  const uint32_t stored_length = ReadLe32(header + 4);
  const int32_t compressed_length = static_cast<int32_t>(stored_length);

  *entry = EntryView();
  entry->index = index_;
  entry->offset = offset_;
  entry->name_length = name_length;
  entry->compressed_length = compressed_length;

  const uint64_t available = size_ - offset_ - 8;
  if (compressed_length < 0) {
    if (name_length > available) return ReadResult::kTruncated;
    entry->problem = EntryProblem::kBadLength;
    entry->name.assign(reinterpret_cast<const char*>(header + 8),
                       std::min<uint32_t>(name_length, kMaxEntryNameBytes));
    lost_ = true;
    ++index_;
    return ReadResult::kEntry;
  }
  if (static_cast<uint64_t>(name_length) + stored_length > available) {
    return ReadResult::kTruncated;
  }
  const char* name = reinterpret_cast<const char*>(header + 8);
  const size_t kept = std::min<uint32_t>(name_length, kMaxEntryNameBytes);
  const void* nul = std::memchr(name, 0, kept);
  entry->name.assign(name, nul ? static_cast<const char*>(nul) - name : kept);
  entry->data = header + 8 + name_length;
  // The stored name length, not the string length, finds the next entry: for every name the
  // format allows the two are the same, and a name holding a NUL is refused below.
  offset_ += 8 + static_cast<size_t>(name_length) + stored_length;
  ++index_;

  if (name_length > kMaxEntryNameBytes) {
    entry->problem = EntryProblem::kNameTooLong;
  } else if (name_length == 0) {
    entry->problem = EntryProblem::kEmptyName;
  } else if (nul != nullptr) {
    entry->problem = EntryProblem::kNameHoldsNul;
  } else if (compressed_length == 0) {
    entry->problem = EntryProblem::kBadLength;
  } else {
    entry->problem = CheckEntryName(entry->name);
  }
  return ReadResult::kEntry;
}

bool HoldsDeviceName(const std::string& name) { return platform::PathHoldsDosDeviceName(name); }

namespace {

bool LeavesFolder(const std::string& name) {
  if (name.empty()) return true;
  if (name[0] == '\\' || name[0] == '/') return true;
  if (name.find(':') != std::string::npos) return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    // Windows drops a component's trailing dots and spaces: "...", ".. " are the parent too.
    const std::string part = name.substr(start, end - start);
    if (part.size() >= 2 && part.find_first_not_of(". ") == std::string::npos) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

bool IsSafeEntryName(const std::string& name) { return !LeavesFolder(name) && !HoldsDeviceName(name); }

EntryProblem CheckEntryName(const std::string& name) {
  if (name.empty()) return EntryProblem::kEmptyName;
  if (name.size() > kMaxEntryNameBytes) return EntryProblem::kNameTooLong;
  if (name.find('\0') != std::string::npos) return EntryProblem::kNameHoldsNul;
  if (LeavesFolder(name)) return EntryProblem::kUnsafeName;
  if (HoldsDeviceName(name)) return EntryProblem::kDeviceName;
  return EntryProblem::kNone;
}

const char* EntryProblemText(EntryProblem problem) {
  switch (problem) {
    case EntryProblem::kNone: return "no problem";
    case EntryProblem::kEmptyName: return "the name is empty";
    case EntryProblem::kNameTooLong: return "the name is 256 bytes or longer";
    case EntryProblem::kNameHoldsNul: return "the name holds a NUL byte";
    case EntryProblem::kBadLength: return "the compressed length is 0 or negative";
    case EntryProblem::kUnsafeName: return "the name is absolute or leaves its folder";
    case EntryProblem::kDeviceName: return "the name is one Windows opens as a device";
  }
  return "unknown problem";
}

namespace {

void PutLe32(std::vector<uint8_t>* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

bool BuildArchive(std::vector<PackInput> inputs, std::vector<uint8_t>* out, std::string* error) {
  std::sort(inputs.begin(), inputs.end(), [](const PackInput& a, const PackInput& b) {
    return a.name < b.name;  // std::string compares as unsigned bytes
  });
  out->clear();
  PutLe32(out, static_cast<uint32_t>(inputs.size()));
  for (size_t i = 0; i < inputs.size(); ++i) {
    const PackInput& input = inputs[i];
    const EntryProblem problem = CheckEntryName(input.name);
    if (problem != EntryProblem::kNone) {
      *error = "refused entry name \"" + input.name.substr(0, input.name.find('\0')) + "\": " +
               EntryProblemText(problem);
      return false;
    }
    if (i > 0 && inputs[i - 1].name == input.name) {
      *error = "duplicate entry name \"" + input.name + "\"";
      return false;
    }
    uLongf packed_size = compressBound(static_cast<uLong>(input.content.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, input.content.data(),
                  static_cast<uLong>(input.content.size()), Z_DEFAULT_COMPRESSION) != Z_OK ||
        packed_size > 0x7fffffffu) {
      *error = "cannot compress \"" + input.name + "\"";
      return false;
    }
    PutLe32(out, static_cast<uint32_t>(input.name.size()));
    PutLe32(out, static_cast<uint32_t>(packed_size));
    out->insert(out->end(), input.name.begin(), input.name.end());
    out->insert(out->end(), packed.begin(), packed.begin() + packed_size);
  }
  return true;
}

bool InflateToVector(const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
  out->clear();
  ZlibInflater inflater;
  if (inflater.Init() != Z_OK) return false;
  const InflateSink append = [out](const uint8_t* bytes, size_t count) {
    out->insert(out->end(), bytes, bytes + count);
    return true;
  };
  return inflater.Run(data, size, append) == Z_OK;
}

}  // namespace payload
