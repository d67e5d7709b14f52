// The log facility: every step of the installer writes one line into a memory buffer that a
// writer thread flushes once a second to the day's file under the Windows folder's
// Temp\TavroPrint\Log. A new day's file opens with the system banner (log/system_banner.h).
#pragma once

#include <cstddef>

namespace platform {
class Files;
class Machine;
}  // namespace platform

// The source units the call sites name.
constexpr const char* kLogUnitInstall = "Install.cpp";
constexpr const char* kLogUnitInstallDlg = "InstallDlg.cpp";

// Binds the facility to the machine whose files, clock and facts it uses. WinMain binds the real
// machine; a test binds its simulated one (after LogStop of the previous test).
void LogAttachMachine(platform::Machine* machine);

// Formats one line "[time] [file:function:line] message" (printf format, "%ws" for UTF-16
// strings) and hands it to the buffer. Starts the facility on the first call. Never fails.
// LogPrint, LogStart, LogWrite, LogStop and LogFlush leave the calling thread's last-error value as
// they found it, so that a caller may log a failure before it reads the failing call's code.
void LogPrint(const char* file, const char* function, int line, const char* format, ...);

// Allocates the 32,768-byte buffer and starts the writer thread; LogPrint calls it when needed.
// A failed allocation leaves the facility running without a buffer: lines are dropped.
void LogStart();

// Appends a finished line to the buffer (CR LF added when it does not end in a line feed). The
// caller writes the file itself first when the buffer holds 16,384 bytes or the line would not fit.
void LogWrite(const char* line);

// Final flush, ends the writer thread, frees the buffer. A later LogPrint starts afresh.
void LogStop();

// Writes the pending lines to the day's file now.
void LogFlush();

// Fills `out` with the day's log file path, creating its folder: 0 on success, -1 on failure.
int GetLogFilePath(char* out, size_t size);

// Creates an 8-bit path with every missing parent: 0 when it exists or was made, -1 otherwise.
int EnsureDirectory(const char* path);

// EnsureDirectory on a given file system rather than the attached machine's.
int EnsureDirectoryIn(platform::Files& files, const char* path);
