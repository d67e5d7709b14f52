// Serial and parallel port names: the table of every spooler port, and the local COM or LPT
// names the port list shows (from the MS-DOS device list, or else from that table).
#pragma once

namespace platform {
class Machine;
class Spooler;
}  // namespace platform

constexpr int kAllPortsCount = 512;
constexpr int kAllPortsChars = 255;
// A slot of the local port names.
constexpr int kLocalPortChars = 32;

// Every spooler port name exactly as EnumPortsW gives it; ends at the first empty entry.
extern wchar_t AllPorts[kAllPortsCount][kAllPortsChars];

// Empties the all-ports table.
void ClearAllPorts();

// Refills the all-ports table from the spooler: its port names in order, at most 512, the rest
// of the table emptied. A name too long for an entry (255 characters or more) is skipped rather
// than cut. When the spooler cannot be asked or lists no port, the table is left as it was.
// No log lines.
void CacheAllPorts(platform::Spooler& spooler);

// Local port names with `prefix` ("COM", "LPT"), at most `count` into `slots`. For COM and LPT
// (ignoring case): the MS-DOS device names (QueryDosDeviceW into 32768 characters, doubled on
// ERROR_INSUFFICIENT_BUFFER up to 262144) that begin with the prefix and a digit and are at
// most 30 characters long, each stored with a colon. When that gives none, or for another
// prefix: every all-ports entry beginning with the prefix, unchanged (entries of 32 characters
// or more are skipped). Returns the number stored; 0 for an empty prefix. No log lines.
int EnumLocalPorts(platform::Machine& machine, const wchar_t* prefix, wchar_t (*slots)[kLocalPortChars],
                   int count);
