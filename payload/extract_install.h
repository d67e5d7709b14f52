// Writing every payload entry into the install folder on the installation worker.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "payload/inflate_entry.h"

namespace platform {
class Machine;
}  // namespace platform

// Shows the file being extracted in the wizard panel (sets its current-file text and repaints).
using CurrentFileCallback = std::function<void(const std::wstring& file_name)>;

// Extracts every entry of `buffer` (`length` bytes) below `install_folder` ("%s\%s" of the folder
// and the entry name; backslashes in names make sub-folders, created when missing). Entries named
// in the legacy rename table land under their older names. `on_progress` (may be empty) gets the
// bytes written against `length` while an entry inflates and, after each entry, the share of
// entries done; `on_current_file` (may be empty) gets each entry's file name just before that
// share. Bad or unsafe entries are skipped with a log line, a truncated archive ends the walk;
// entries written stay. Each entry that cannot be written is logged with its Win32 code and the
// walk goes on. Returns 0 when every usable entry was written, else the first failure's Win32
// code (13 for an archive that ends early, 161 for an empty or too long install folder).
int LoadFileFromeData(platform::Machine& machine, const uint8_t* buffer, int32_t length,
                      const ProgressCallback& on_progress, const std::wstring& install_folder,
                      const CurrentFileCallback& on_current_file);

// The older file name an entry's file name is written under, or null when it has none.
const char* LegacyFileName(const std::string& file_name);
