// The installer text file ("InstallConfig_cn.txt", "_tw", "_en" in the configuration folder):
// UTF-16 LE after a two-byte mark, six text blocks each ended by a separator line, then up to
// seven value lines. Read once at start-up into the installer texts, then deleted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "catalog/config_reader.h"

namespace platform {
class Machine;
}

// The file for a language: the configuration folder followed by "\InstallConfig_cn.txt" (1),
// "\InstallConfig_tw.txt" (2) or "\InstallConfig_en.txt" (any other value).
std::wstring InstallTextFilePath(const std::wstring& config_folder, int language);

// Parses the file's bytes (the two-byte mark included) into the installer texts; blocks longer
// than 511 characters are cut there with a warning line. Does not reset texts beforehand.
void ParseInstallText(const uint8_t* data, size_t size);

// Reads the file at `path` through `read` into the installer texts, then deletes the file at
// `path` on disk (the copy extraction left there) unless `remove_copy` is false. A file that cannot be read (an empty path
// included) gives the defaults of ProgramName, Driver, Monitor and PortPrefix; an unsafe
// FolderName is dropped with a warning line. Returns true when the file was read.
bool ReadInstallTextFile(platform::Machine& machine, const std::wstring& path,
                         const ConfigReader& read, bool remove_copy = true);
// The same with the file read from disk.
bool ReadInstallTextFile(platform::Machine& machine, const std::wstring& path);
