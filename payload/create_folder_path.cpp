#include "payload/create_folder_path.h"

#include "platform/files.h"
#include "platform/last_error.h"

namespace {

// CreateDirectoryW, where a folder that is already there (a doubled backslash, a race) counts.
bool MakeFolder(platform::Files& files, const std::wstring& path) {
  return files.MakeDirectoryW(path) || platform::LastErrorCode() == platform::err::kAlreadyExists;
}

}  // namespace

int CreateFolderPath(platform::Files& files, const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return 0;
  // The drive is there when its root is ("X:" alone names the drive's current folder).
  if (files.StatW(path.substr(0, 2) + L"\\") == platform::PathKind::kMissing) return 0;
  // Backslashes from the fourth character on: "X:\" itself is the drive's root.
  for (size_t i = 3; i < path.size(); ++i) {
    if (path[i] != L'\\') continue;
    const std::wstring prefix = path.substr(0, i);
    if (files.StatW(prefix) == platform::PathKind::kMissing && !MakeFolder(files, prefix)) {
      return 0;
    }
    if (i + 1 == path.size()) return 1;
  }
  if (files.StatW(path) != platform::PathKind::kMissing) return 1;
  return MakeFolder(files, path) ? 1 : 0;
}
