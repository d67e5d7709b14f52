// Creating a folder with every missing folder above it.
#pragma once

#include <string>

namespace platform {
class Files;
}

// Creates the UTF-16 path "X:\a\b..." and each missing parent. Returns 1 on success, 0 when the
// path has no drive letter and colon, the drive is not there, or a folder cannot be created.
// A path ending in a backslash succeeds once the folder before that backslash exists.
int CreateFolderPath(platform::Files& files, const std::wstring& path);
