#include "payload/payload_walk.h"

#include "log/log.h"

namespace payload {

uint32_t PayloadCount(const uint8_t* buffer, int32_t length) {
  if (buffer == nullptr || length < 4) return 0;
  return ReadLe32(buffer);
}

bool WalkPayload(const uint8_t* buffer, int32_t length, const WalkLog& log,
                 const std::function<void(const EntryView&)>& visit) {
  PayloadReader reader(buffer, length > 0 ? static_cast<size_t>(length) : 0);
  if (!reader.HasCount()) {
    LogPrint(kLogUnitInstallDlg, log.function, __LINE__,
             "[ERROR] %s - Payload of %d bytes holds no entry count%s", log.tag, length, log.eol);
    return false;
  }
  EntryView entry;
  ReadResult result;
  while ((result = reader.Next(&entry)) == ReadResult::kEntry) {
    if (entry.problem != EntryProblem::kNone) {
      LogPrint(kLogUnitInstallDlg, log.function, __LINE__,
               "[WARN] %s - Skipping entry %u \"%s\" (name length %u, data length %d): %s%s",
               log.tag, entry.index, entry.name.c_str(), entry.name_length,
               entry.compressed_length, EntryProblemText(entry.problem), log.eol);
      continue;
    }
    visit(entry);
  }
  if (result == ReadResult::kTruncated) {
    LogPrint(kLogUnitInstallDlg, log.function, __LINE__,
             "[ERROR] %s - Payload truncated: entry %u of %u runs past the end of the buffer "
             "(offset %lu of %d bytes), stopping%s",
             log.tag, reader.Index(), reader.Count(), static_cast<unsigned long>(reader.Offset()),
             length, log.eol);
    return false;
  }
  return true;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace payload
