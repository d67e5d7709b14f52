// Writing the payload's configuration files into the configuration folder at start-up.
#pragma once

#include <cstdint>
#include <string>

#include "payload/inflate_entry.h"

namespace platform {
class Machine;
}  // namespace platform

// The configuration names, matched case-insensitively against entry names and written under the
// spelling given here: "InstallConfig_cn.txt", "InstallConfig_en.txt", "InstallConfig_rs.txt",
// "InstallConfig_tw.txt", "logo.bmp", "DefaultPaper.json", "Modules.json", "PaperSize.json",
// "Text.ini". Null-terminated.
extern const char* const kConfigFileNames[];

// True when no folder from LocalAppData\Temp down to the configuration folder is a link (a
// junction, a symbolic link or another reparse point); a folder not made yet is none. These
// folders lie in the user's own profile, where any program of the user can put a link before the
// elevated installer writes or deletes there, and a link would send those writes and deletes
// elsewhere. The link found is logged for `function`.
bool ConfigFolderLinkFree(platform::Machine& machine, const std::wstring& local_app_data, const char* function);

// Extracts the payload's configuration files from `buffer` (`length` bytes) into
// LocalAppData\Temp\TavroPrint\Config\, created first; other entries are skipped. Nothing is
// extracted when LocalAppData is unknown, the folder cannot be made or a folder on the way is a link. A failed entry is logged
// with its Win32 code and leaves the others unharmed. The installer reads these files from the
// payload itself (config_entry.h), never back from this folder. `on_progress` (may be empty: at start-up there is no progress bar yet) gets
// the bytes written so far against `length`, as InflateEntryToFile reports them.
void ExtractConfigFiles(platform::Machine& machine, const uint8_t* buffer, int32_t length,
                        const ProgressCallback& on_progress = nullptr);
