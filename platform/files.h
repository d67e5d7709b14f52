// Files and folders by Windows paths (8-bit ANSI or UTF-16), with the C runtime's fopen modes.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class PathKind { kMissing, kFile, kDirectory };

// An open file; the destructor closes it.
class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes (text mode turns CR LF into LF); returns the bytes read.
  virtual size_t Read(void* buffer, size_t n) = 0;
  // Writes n bytes (text mode turns each LF into CR LF); returns the bytes accepted.
  virtual size_t Write(const void* buffer, size_t n) = 0;
  // True once a read or write has failed (ferror).
  virtual bool HasError() const = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  // fopen with an 8-bit path in the ANSI code page; modes "r", "rb", "w", "wb", "a", "ab", "a+t"...
  // Null on failure with the last error set (2 or 3 for a missing file or folder).
  virtual std::unique_ptr<File> Open(const std::string& ansi_path, const char* mode) = 0;
  virtual std::unique_ptr<File> OpenW(const std::wstring& path, const char* mode) = 0;
  // What stands at the path (stat / _waccess).
  virtual PathKind Stat(const std::string& ansi_path) = 0;
  virtual PathKind StatW(const std::wstring& path) = 0;
  // _mkdir: creates one folder whose parent exists.
  virtual bool MakeDirectory(const std::string& ansi_path) = 0;
  // CreateDirectoryW: 183 when it exists, 3 when the parent is missing.
  virtual bool MakeDirectoryW(const std::wstring& path) = 0;
  // DeleteFileW.
  virtual bool Remove(const std::wstring& path) = 0;
  // QueryDosDeviceW with no device name: every MS-DOS device name, in the system's order, when
  // the list (each name with its NUL, then one more NUL) fits `buffer_chars` characters; false
  // with 122 (ERROR_INSUFFICIENT_BUFFER) when it does not, or with another code.
  virtual bool QueryDosDeviceNames(size_t buffer_chars, std::vector<std::wstring>* out) = 0;
};

}  // namespace platform
