// Writing the payload's configuration files into the configuration folder at start-up.
#pragma once

#include <cstdint>

namespace platform {
class DialogControls;
class Machine;
}  // namespace platform

// The configuration names, matched case-insensitively against entry names and written under the
// spelling given here: "InstallConfig_cn.txt", "InstallConfig_en.txt", "InstallConfig_rs.txt",
// "InstallConfig_tw.txt", "logo.bmp", "DefaultPaper.json", "Modules.json", "PaperSize.json",
// "Text.ini". Null-terminated.
extern const char* const kConfigFileNames[];

// Extracts the payload's configuration files from `buffer` (`length` bytes) into
// LocalAppData\Temp\TavroPrint\Config\, created first; other entries are skipped. Nothing is
// extracted when LocalAppData is unknown or the folder cannot be made. A failed entry leaves the
// others unharmed. `controls` may be null (the main dialog does not exist yet at start-up).
void ExtractConfigFiles(platform::Machine& machine, const uint8_t* buffer, int32_t length,
                        platform::DialogControls* controls = nullptr);
