// The log facility: every step of the installer writes one line into a memory buffer that a
// writer thread flushes once a second to the day's file under the Windows folder's
// Temp\TavroPrint\Log. A new day's file opens with the system banner (log/system_banner.h).
#pragma once

#include <cstddef>
#include <string>
#include <functional>
#include <thread>

#include "platform/last_error.h"

namespace platform {
class Files;
class Machine;
struct PathFacts;
}  // namespace platform

// The source units the call sites name.
constexpr const char* kLogUnitInstall = "Install.cpp";
constexpr const char* kLogUnitInstallDlg = "InstallDlg.cpp";

// Binds the facility to the machine whose files, clock and facts it uses. WinMain binds the real
// machine; a test binds its simulated one (after LogStop of the previous test).
void LogAttachMachine(platform::Machine* machine);

// Formats one line "[time] [file:function:line] message" (printf format, "%ws" for UTF-16
// strings) and hands it to the buffer. Starts the facility on the first call. Never fails.
// LogPrint, LogStart, LogWrite, LogStop, LogFlush and GetLogFilePath leave the calling thread's
// last-error value as they found it, so that a caller may log a failure before it reads the failing
// call's code.
void LogPrint(const char* file, const char* function, int line, const char* format, ...);

// LogPrint from the calling line: LOG_AT(unit, function, format, ...).
#define LOG_AT(unit, function, ...) LogPrint(unit, function, __LINE__, __VA_ARGS__)

// A failure's line: `format` (a string literal) followed by ", Error=<code>" and a line feed, the
// code being the calling thread's last error as the failing call left it.
#define LOG_AT_ERROR(unit, function, format, ...) \
  LogPrint(unit, function, __LINE__, format ", Error=%d\n", ##__VA_ARGS__, static_cast<int>(platform::LastErrorCode()))

// Allocates the 32,768-byte buffer and starts the writer thread; LogPrint calls it when needed.
// A failed allocation leaves the facility running without a buffer: lines are dropped. When no
// thread can be made the facility runs without a writer: each line is written to the file at once.
void LogStart();

// Appends a finished line to the buffer (CR LF added when it does not end in a line feed). The
// caller writes the file itself first when the buffer holds 16,384 bytes or the line would not fit.
void LogWrite(const char* line);

// Final flush, ends the writer thread, frees the buffer. A later LogPrint starts afresh. Waits for
// the writer (and for the lock a hung writer may hold) at most 2,000 ms in all: a writer that does
// not end by then is left to end by itself, with the buffer and lock of its own run kept for it,
// and its pending lines are lost.
void LogStop();

// Writes the pending lines to the day's file now.
void LogFlush();

// Fills `out` with the day's log file path, creating its folder: 0 on success, -1 on failure.
// The folders TavroPrint and Log under the Windows folder's Temp, which every user may write, are
// made private (SYSTEM and Administrators only). One that is already there is used only when it is
// a real folder (no junction or other reparse point) owned by SYSTEM, Administrators or
// TrustedInstaller; otherwise this fails and the pending lines go unwritten, as for a folder that
// cannot be made: nothing is reported anywhere, since the log is the only place to report to.
// The flush likewise writes only into a day's file that is no reparse point, has no second name
// (hard link) and has one of those owners, and skips a file another holds open instead of waiting.
int GetLogFilePath(char* out, size_t size);

// Creates an 8-bit path with every missing parent: 0 when it exists or was made, -1 otherwise.
int EnsureDirectory(const char* path);

// EnsureDirectory on a given file system rather than the attached machine's.
int EnsureDirectoryIn(platform::Files& files, const char* path);

// How the facility starts its writer thread: runs `body` on a new thread held in `*out`; false when
// no thread could be made. The default is std::thread with its system_error caught; a test passes
// one that fails. Null restores the default.
using LogThreadStarter = bool (*)(std::function<void()> body, std::thread* out);
void LogSetThreadStarter(LogThreadStarter starter);

// Writers that LogStop stopped waiting for and that have not ended yet.
int LogAbandonedWriters();

// ---- Programs other than the installer (the uninstaller, the service) ---------------------------

// The day's file is "<stem>_<yyyy>_<mm>_<dd>.log" in the log folder; "TavroPrintInstall" unless a
// program sets another stem ("TavroPrintUninstall", "TavroPrintService") (at most 63 characters of letters, digits and '_'; anything else is
// refused and the stem stays) before its first line. Returns whether the stem was taken.
bool LogSetFileStem(const char* stem);

// Whether a new day's file opens with the system banner (the installer's default: yes).
void LogSetBanner(bool banner);

// While one of these lives, LogPrint on the constructing thread drops its lines: a program that
// runs a chatty operation of a lower layer over and over (the service's pairing of USB printers
// with ports) keeps its own log to what it decides. Scopes nest.
class LogQuietScope {
 public:
  LogQuietScope();
  ~LogQuietScope();
  LogQuietScope(const LogQuietScope&) = delete;
  LogQuietScope& operator=(const LogQuietScope&) = delete;
};

// The log folder, made or checked as GetLogFilePath does (private, a real folder with a trusted
// owner): true with its 8-bit path in `folder`; false when it cannot be made or is not trusted.
bool GetLogFolderPath(std::string* folder);

// Whether a file in the log folder, as `facts` describe it (read without following a link), is
// one the log may write or delete: a plain file, no link, one name, a trusted owner.
bool IsTrustedLogFile(platform::Files& files, const platform::PathFacts& facts);
