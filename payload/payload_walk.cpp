#include "payload/payload_walk.h"

#include <cstring>

#include "log/log.h"
#include "text/case_fold.h"

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
  // The whole name must match: one holding a NUL equals no C string of its length.
  return a.size() == std::strlen(b) && EqualsIgnoringAsciiCase(a.c_str(), b);
}

}  // namespace payload
