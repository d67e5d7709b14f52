#include "catalog/json_file.h"

#include <cstring>

#include <cjson/cJSON.h>

#include "catalog/config_reader.h"
#include "platform/files.h"
#include "platform/last_error.h"

void JsonTreeDeleter::operator()(cJSON* tree) const { cJSON_Delete(tree); }

JsonTree ParseJsonTree(const char* text) { return JsonTree(cJSON_Parse(text)); }

ReadResult ReadJsonFile(platform::Files& files, const std::wstring& path, FileBytes* out,
                        size_t* size) {
  out->reset();
  *size = 0;
  std::unique_ptr<platform::File> file = files.OpenW(path, "rb");
  if (!file) return ReadResult::kOpenFailed;

  // The seam has no seek, so the buffer grows as the file is read; a failed growth is the
  // "no memory for the contents" case.
  size_t capacity = 0;
  size_t used = 0;
  FileBytes buffer;
  for (;;) {
    if (capacity - used < 4096) {
      size_t grown = capacity == 0 ? 8192 : capacity * 2;
      if (grown < capacity) {
        platform::SetLastErrorCode(platform::err::kNotEnoughMemory);
        return ReadResult::kNoMemory;
      }
      char* p = static_cast<char*>(std::realloc(buffer.get(), grown + 1));
      if (p == nullptr) {
        platform::SetLastErrorCode(platform::err::kNotEnoughMemory);
        return ReadResult::kNoMemory;
      }
      buffer.release();
      buffer.reset(p);
      capacity = grown;
    }
    size_t n = file->Read(buffer.get() + used, capacity - used);
    used += n;
    if (n == 0) break;
  }
  buffer.get()[used] = '\0';
  *size = used;
  *out = std::move(buffer);
  return ReadResult::kOk;
}

int ErrnoFromWin32(unsigned long code) {
  switch (code) {
    case platform::err::kFileNotFound:
    case platform::err::kPathNotFound:
      return 2;   // ENOENT
    case platform::err::kAccessDenied:
      return 13;  // EACCES
    case platform::err::kNotEnoughMemory:
    case platform::err::kOutOfMemory:
      return 12;  // ENOMEM
    default:
      return 22;  // EINVAL
  }
}

ConfigReader DiskConfigReader(platform::Files& files) {
  return [&files](const std::wstring& path, std::string* bytes) {
    bytes->clear();
    FileBytes buffer;
    size_t size = 0;
    if (ReadJsonFile(files, path, &buffer, &size) != ReadResult::kOk) return false;
    bytes->assign(buffer.get(), size);
    return true;
  };
}
