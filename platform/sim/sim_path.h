// Windows path parsing for the simulated file system: drive, components, case-insensitive key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::sim {

struct SimPath {
  std::vector<std::wstring> parts;  // parts[0] is the drive ("C:"), spelled as given
  std::wstring key;                 // upper-case parts joined by '\': the lookup key
  std::wstring parent_key;          // key of the containing folder; empty for a drive root
};

// Parses `path` as Windows does before it reaches the file system: '/' and '\' both separate,
// empty components (doubled backslashes) are skipped, "." and ".." are resolved, trailing dots and
// spaces of a component are dropped, "\\?\" is accepted; a path without a drive is taken relative
// to `current` (a parsed folder). False with 123 (invalid name) for characters Windows refuses
// in names, 53 for UNC paths, 3 for an empty path.
bool ParseSimPath(const std::wstring& path, const SimPath& current, SimPath* out, uint32_t* error);

// The key of a path made of `parts`.
std::wstring SimPathKey(const std::vector<std::wstring>& parts, size_t count);

}  // namespace platform::sim
