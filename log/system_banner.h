// The block that opens each day's log file: computer name, Windows product, edition and
// version, system type, processor, memory, experience pack and a device identifier. The labels
// are code page 936 (GBK) bytes whatever the ANSI code page; the values come as the ANSI
// functions give them.
#pragma once

#include <string>

namespace platform {
class File;
class Machine;
}  // namespace platform

// The banner's bytes as they are handed to the (text-mode) file, lines ending in "\n". Every
// source is optional: what cannot be read leaves its line out or falls back; never fails.
std::string BuildSystemBanner(platform::Machine& machine);

// Writes the banner to the open log file. Called by the log's flush, inside its lock.
void WriteSystemBanner(platform::Machine& machine, platform::File* file);

// The Chinese name of an EditionID (compared without regard to case); "" for an empty
// EditionID, the EditionID itself when it is not in the table.
std::string EditionName(const std::string& edition_id);
