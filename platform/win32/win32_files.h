// Files and folders through the Microsoft C runtime and the Win32 file calls.
#pragma once

#include "platform/files.h"

namespace platform::win32 {

class Win32Files : public Files {
 public:
  // fopen/_wfopen with the runtime's own mode strings, so text mode is the runtime's.
  std::unique_ptr<File> Open(const std::string& ansi_path, const char* mode) override;
  std::unique_ptr<File> OpenW(const std::wstring& path, const char* mode) override;
  // _stat/_wstat.
  PathKind Stat(const std::string& ansi_path) override;
  PathKind StatW(const std::wstring& path) override;
  // _mkdir.
  bool MakeDirectory(const std::string& ansi_path) override;
  // CreateDirectoryW.
  bool MakeDirectoryW(const std::wstring& path) override;
  // DeleteFileW.
  bool Remove(const std::wstring& path) override;
  // CreateDirectoryA with a security descriptor; CreateFileA with FILE_FLAG_OPEN_REPARSE_POINT,
  // GetFileInformationByHandle and GetSecurityInfo (win32_private_files.cpp).
  bool MakePrivateDirectory(const std::string& ansi_path) override;
  bool Inspect(const std::string& ansi_path, PathFacts* out) override;
  std::unique_ptr<File> OpenForAppend(const std::string& ansi_path, bool* created, PathFacts* facts) override;
  // False only under Wine (its ntdll exports wine_get_version).
  bool KeepsOwners() override;
  // QueryDosDeviceW(NULL, ...) into a buffer of exactly `buffer_chars` characters.
  bool QueryDosDeviceNames(size_t buffer_chars, std::vector<std::wstring>* out) override;
  // CopyFileA, DeleteFileA, WritePrivateProfileStringW.
  bool CopyA(const std::string& from, const std::string& to, bool fail_if_exists) override;
  bool RemoveA(const std::string& ansi_path) override;
  bool WriteProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) override;
  // The entries looked up in Kernel32 at each call; the value each disable replaced is kept per
  // thread, last in first out.
  bool DisableWow64Redirection() override;
  bool RevertWow64Redirection() override;
  bool ListFolderA(const std::string& ansi_folder, std::vector<std::string>* names) override;
  // FindFirstFileW / FindNextFileW, RemoveDirectoryW, MoveFileExW (win32_folders.cpp).
  bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* out) override;
  bool RemoveFolder(const std::wstring& path) override;
  bool RemoveAtRestart(const std::wstring& path) override;
};

}  // namespace platform::win32
