// The installer text file ("InstallConfig_cn.txt", "_tw", "_en" in the configuration folder):
// UTF-16 LE after a two-byte mark, six text blocks each ended by a separator line, then up to
// seven value lines. Read once at start-up into the installer texts, then deleted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {
class Machine;
}

// The file for a language: the configuration folder followed by "\InstallConfig_cn.txt" (1),
// "\InstallConfig_tw.txt" (2) or "\InstallConfig_en.txt" (any other value).
std::wstring InstallTextFilePath(const std::wstring& config_folder, int language);

// Parses the file's bytes (the two-byte mark included) into the installer texts; blocks longer
// than 511 characters are cut there with a warning line. Does not reset texts beforehand.
void ParseInstallText(const uint8_t* data, size_t size);

// Reads the file at `path` into the installer texts and deletes it. A file that cannot be opened
// (an empty path included) gives the defaults of ProgramName, Driver, Monitor and PortPrefix.
// Returns true when the file was read.
bool ReadInstallTextFile(platform::Machine& machine, const std::wstring& path);
