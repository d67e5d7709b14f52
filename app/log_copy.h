// The log's second place: a folder named on the command line (a deployment share, a tool's
// collection folder) also receives this run's lines, in a file of the same name as the day's log.
#pragma once

#include <cstddef>
#include <string>

namespace platform {
class Machine;
}

// The size of the day's log now, so that CopyRunLog later copies only what this run wrote.
size_t LogSizeNow(platform::Machine& machine);

// Appends the day's log from byte `from` to "<folder>\<the log's file name>". The folder is not
// the installer's: it must be an absolute path ("X:\..." or "\\server\share\...") without ".."
// or control characters, an existing folder that is no junction or other reparse point; the file
// is opened without following a link (made private when new) and refused when it has a second
// name. False, with an "[ERROR]" line in the log, for anything else.
bool CopyRunLog(platform::Machine& machine, const std::wstring& folder, size_t from);
