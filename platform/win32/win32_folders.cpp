// Folders through the Win32 calls: listing one, removing an empty one, removing at restart.
#include <windows.h>

#include <cwchar>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

namespace {

bool Dots(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

FolderEntry EntryOf(const WIN32_FIND_DATAW& found) {
  FolderEntry entry;
  entry.name = found.cFileName;
  entry.kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kDirectory : PathKind::kFile;
  entry.reparse_point = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  return entry;
}

}  // namespace

bool Win32Files::ListFolder(const std::wstring& folder, std::vector<FolderEntry>* out) {
  out->clear();
  if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  WIN32_FIND_DATAW found = {};
  unique_hfind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!find) return false;
  do {
    if (!Dots(found.cFileName)) out->push_back(EntryOf(found));
  } while (::FindNextFileW(find.get(), &found));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return false;
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

bool Win32Files::RemoveFolder(const std::wstring& path) { return ::RemoveDirectoryW(path.c_str()) != FALSE; }

bool Win32Files::RemoveAtRestart(const std::wstring& path) {
  return ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

}  // namespace platform::win32
