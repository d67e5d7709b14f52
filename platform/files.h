// Files and folders by Windows paths (8-bit ANSI or UTF-16), with the C runtime's fopen modes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class PathKind { kMissing, kFile, kDirectory };

// One entry of a folder as FindFirstFileW / FindNextFileW list it.
struct FolderEntry {
  std::wstring name;
  PathKind kind = PathKind::kFile;  // kFile or kDirectory
  bool reparse_point = false;       // a link (junction, symbolic link): listed, never entered
  uint64_t size = 0;                // a file's bytes
};

// What stands at a path itself (a link is not followed), as far as trusting it needs to know.
struct PathFacts {
  PathKind kind = PathKind::kMissing;
  bool reparse_point = false;  // a symbolic link, a junction or another reparse point
  std::wstring owner;          // the owner's SID as text ("S-1-5-32-544"); empty when unreadable
  uint32_t links = 0;          // the names a file has (hard links); 1 for a folder
};

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

  // A folder only SYSTEM and Administrators may use: owned by Administrators, its access list
  // protected from the parent's and inherited by all made inside. 183 when the path exists, 3 when
  // the parent is missing, 1307 when the caller may not name Administrators as owner (not elevated).
  virtual bool MakePrivateDirectory(const std::string& ansi_path) = 0;
  // The facts of the path itself, read through one handle opened on it (a link is not followed).
  // False with 2 or 3 when nothing is there, or with the code of the call that failed.
  virtual bool Inspect(const std::string& ansi_path, PathFacts* out) = 0;
  // Opens a file for appending text (each LF written as CR LF) without following a link and
  // without waiting for anyone: made private (as MakePrivateDirectory) when missing, `*created`
  // then true; 32 at once while another holds it open for writing or against writing. `facts`
  // describe the opened file itself, read through the open handle. Reading it is an error.
  virtual std::unique_ptr<File> OpenForAppend(const std::string& ansi_path, bool* created, PathFacts* facts) = 0;
  // False where the file system keeps no owners, so that an owner read back tells nothing of who
  // made a file (Wine reads every file as the current user's); true on Windows.
  virtual bool KeepsOwners() = 0;
  // QueryDosDeviceW with no device name: every MS-DOS device name, in the system's order, when
  // the list (each name with its NUL, then one more NUL) fits `buffer_chars` characters; false
  // with 122 (ERROR_INSUFFICIENT_BUFFER) when it does not, or with another code.
  virtual bool QueryDosDeviceNames(size_t buffer_chars, std::vector<std::wstring>* out) = 0;

  // CopyFileA (8-bit paths in the ANSI code page); overwrites unless `fail_if_exists`.
  virtual bool CopyA(const std::string& from, const std::string& to, bool fail_if_exists) = 0;
  // DeleteFileA.
  virtual bool RemoveA(const std::string& ansi_path) = 0;
  // WritePrivateProfileStringW: `key` = `value` in [section] of the ini file at `path`, made when
  // missing.
  virtual bool WriteProfileString(const std::wstring& path, const std::wstring& section,
                                  const std::wstring& key, const std::wstring& value) = 0;
  // Wow64DisableWow64FsRedirection for the calling thread, looked up by name in Kernel32; false
  // where the call is missing (32-bit Windows) or fails. RevertWow64Redirection undoes the last
  // successful disable of this thread.
  virtual bool DisableWow64Redirection() = 0;
  virtual bool RevertWow64Redirection() = 0;
  // FindFirstFileA / FindNextFileA on "<folder>\*": the names of the folder's entries (files,
  // folders and links alike, without "." and ".."), in the file system's order. False with 2 or 3
  // when the folder is missing, or with the code of the failing call.
  virtual bool ListFolderA(const std::string& ansi_folder, std::vector<std::string>* names) = 0;

  // FindFirstFileW on "<folder>\*": the folder's entries but "." and "..", a link among them as
  // the link itself. True with an empty list for an empty folder; false with 2 or 3 for a missing
  // folder, 267 for a file.
  virtual bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* out) = 0;
  // RemoveDirectoryW: an empty folder, or a junction itself (never what it names). False with the
  // code (145 for a folder that is not empty, 2 or 3 when there is none).
  virtual bool RemoveFolder(const std::wstring& path) = 0;
  // MoveFileExW(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT): the file, or the folder once empty,
  // goes at the next restart (the system keeps the request in PendingFileRenameOperations). False
  // with the code (5 for a caller that is not an administrator).
  virtual bool RemoveAtRestart(const std::wstring& path) = 0;
};

// WOW64 file-system redirection switched off for the calling thread while the guard lives, and
// switched back when it goes, if switching it off worked (Off() says; the last error says why not).
class Wow64RedirectionOff {
 public:
  explicit Wow64RedirectionOff(Files& files) : files_(files), off_(files.DisableWow64Redirection()) {}
  ~Wow64RedirectionOff() {
    if (off_) files_.RevertWow64Redirection();
  }
  Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
  Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;
  bool Off() const { return off_; }

 private:
  Files& files_;
  const bool off_;
};

}  // namespace platform
