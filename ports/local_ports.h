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

// Refills the all-ports table from the spooler (at most 512 names). When the spooler cannot be
// asked, the table is left as it was. No log lines.
void CacheAllPorts(platform::Spooler& spooler);

// Local port names with `prefix` ("COM", "LPT"): from the MS-DOS device list each device named
// prefix + digit..., stored with a colon; when that gives none (or for another prefix), every
// all-ports entry beginning with the prefix, unchanged (entries of 32 characters or more are
// skipped). The number of names stored, at most `count`.
int EnumLocalPorts(platform::Machine& machine, const wchar_t* prefix, wchar_t (*slots)[kLocalPortChars],
                   int count);
