// Reads a whole JSON file through the machine's files into a NUL-terminated buffer for cJSON.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>

namespace platform {
class Files;
}

struct cJSON;

// A parsed cJSON tree; cJSON_Delete runs when the owner goes.
struct JsonTreeDeleter {
  void operator()(cJSON* tree) const;
};
using JsonTree = std::unique_ptr<cJSON, JsonTreeDeleter>;

// cJSON_Parse of the NUL-terminated `text`: the tree, or null (cJSON_GetErrorPtr says where).
JsonTree ParseJsonTree(const char* text);

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};
using FileBytes = std::unique_ptr<char, FreeDeleter>;

enum class ReadResult { kOk, kOpenFailed, kNoMemory };

// Opens `path` in mode "rb" and reads all of it into `out` (size bytes plus a terminating NUL).
// kOpenFailed leaves the open call's Win32 code as the last error; kNoMemory sets
// ERROR_NOT_ENOUGH_MEMORY.
ReadResult ReadJsonFile(platform::Files& files, const std::wstring& path, FileBytes* out,
                        size_t* size);

// The C runtime's errno for a failed fopen with the given Win32 code (ENOENT, EACCES ...).
int ErrnoFromWin32(unsigned long code);
