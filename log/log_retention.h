// Old log files: the product's day files ("TavroPrint<stem>_<yyyy>_<mm>_<dd>.log") in the log
// folder are kept for a number of days and then removed by the long-running program (the service).
#pragma once

namespace platform {
class Machine;
}

// The day a log file's name stands for, as days since 1 January 1970 (proleptic Gregorian); false
// for a name that is not "TavroPrint<letters, digits or _>_<yyyy>_<mm>_<dd>.log" (ignoring case)
// with a real date.
bool LogFileDay(const char* name, long* day);

// Days since 1 January 1970 of a calendar date (month 1 to 12).
long DaysFromCivil(int year, int month, int day);

// Removes the product's log files in the log folder whose day lies more than `keep_days` days
// before the machine's local date. Only when the folder itself passes the log's trust checks, and
// only plain files with one name and a trusted owner: links, folders and foreign files stay and
// are never followed. Each removal and each file left alone is logged. Returns the number of files
// removed, or -1 when the folder cannot be listed or is not trusted.
int RemoveOldLogFiles(platform::Machine& machine, int keep_days);
