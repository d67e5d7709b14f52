// Where the configuration readers (the catalog, the paper files, the installer text file) get a
// file's bytes. They name each file by its path in the configuration folder, which their log
// lines keep showing; the reader given decides where the bytes come from (the installer: the
// payload in memory, so that nothing another program put in that folder is ever parsed).
#pragma once

#include <functional>
#include <string>

namespace platform {
class Files;
}

// The whole content of the file at `path` into *bytes. False, with the Win32 code as last error,
// when the file is not there or cannot be read (8, ERROR_NOT_ENOUGH_MEMORY, when its content does
// not fit in memory).
using ConfigReader = std::function<bool(const std::wstring& path, std::string* bytes)>;

// Reads the files from disk through `files` (which must outlive the reader): for tools and
// tests that hold the files themselves.
ConfigReader DiskConfigReader(platform::Files& files);
