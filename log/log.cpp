#include "log/log.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "log/log_format.h"
#include "log/system_banner.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/system_info.h"

namespace {

constexpr uint32_t kBufferSize = 32768;
constexpr uint32_t kEarlyFlush = 16384;
constexpr size_t kLineSize = 2048;
constexpr size_t kPathSize = 512;

struct LogState {
  std::atomic<platform::Machine*> machine{nullptr};
  std::atomic<int> started{0};
  std::mutex control;  // serialises LogStart and LogStop

  std::recursive_mutex lock;  // the buffer, its fill count and every file write
  std::unique_ptr<char[]> buffer;
  std::atomic<uint32_t> fill{0};  // written under `lock`, peeked at without it
  std::atomic<bool> has_buffer{false};
  bool in_flush = false;  // under `lock`: a line logged by the file system while the log writes

  std::thread writer;
  std::mutex stop_mutex;
  std::condition_variable stop_signal;
  bool stop = false;
};

// Never destroyed: a line logged while the process exits still finds the facility.
LogState& State() {
  static LogState* state = new LogState;
  return *state;
}

// The calling thread's last-error value as it was when a public log call began, put back when the
// call returns: the clock, the code page and above all the flush (GetWindowsDirectory, stat, mkdir,
// the "r" test of a new day's file, the banner's registry reads) set it, and a caller that logs a
// failure before reading its code must still read its own code.
class KeepLastError {
 public:
  KeepLastError() : code_(platform::LastErrorCode()) {}
  ~KeepLastError() { platform::SetLastErrorCode(code_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  uint32_t code_;
};

const char* BaseName(const char* path) {
  if (path == nullptr) return "";
  const char* slash = std::strrchr(path, '\\');
  if (slash == nullptr) slash = std::strrchr(path, '/');
  return slash == nullptr ? path : slash + 1;
}

// Writes the pending text to the day's file and empties the buffer; `lock` is held.
void FlushLocked(LogState& s) {
  if (!s.buffer || s.fill.load(std::memory_order_relaxed) == 0) return;
  platform::Machine* machine = s.machine.load();
  s.in_flush = true;
  char path[kPathSize];
  if (machine != nullptr && GetLogFilePath(path, sizeof(path)) == 0) {
    platform::Files& files = machine->files();
    bool existed = files.Open(path, "r") != nullptr;
    std::unique_ptr<platform::File> file = files.Open(path, "a+t");
    if (file) {
      if (!existed) WriteSystemBanner(*machine, file.get());
      file->Write(s.buffer.get(), s.fill.load(std::memory_order_relaxed));
    }
  }
  s.in_flush = false;
  // Whether or not it was written: a log that cannot be written must not hold up its callers.
  s.fill.store(0, std::memory_order_relaxed);
  s.buffer[0] = '\0';
}

void WriterLoop() {
  LogState& s = State();
  std::unique_lock<std::mutex> guard(s.stop_mutex);
  while (!s.stop) {
    s.stop_signal.wait_for(guard, std::chrono::milliseconds(1000), [&s] { return s.stop; });
    if (s.stop) break;
    guard.unlock();
    LogFlush();
    guard.lock();
  }
}

}  // namespace

void LogAttachMachine(platform::Machine* machine) { State().machine.store(machine); }

void LogStart() {
  KeepLastError keep;
  LogState& s = State();
  std::lock_guard<std::mutex> control(s.control);
  if (s.started.load()) return;
  {
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.buffer.reset(new (std::nothrow) char[kBufferSize]);
    s.fill.store(0, std::memory_order_relaxed);
    if (s.buffer) s.buffer[0] = '\0';
    s.has_buffer.store(static_cast<bool>(s.buffer));
  }
  {
    std::lock_guard<std::mutex> guard(s.stop_mutex);
    s.stop = false;
  }
  s.writer = std::thread(WriterLoop);
  s.started.store(1);
}

void LogStop() {
  KeepLastError keep;
  LogState& s = State();
  std::lock_guard<std::mutex> control(s.control);
  if (!s.started.load()) return;
  LogFlush();
  if (s.writer.joinable()) {
    {
      std::lock_guard<std::mutex> guard(s.stop_mutex);
      s.stop = true;
    }
    s.stop_signal.notify_all();
    s.writer.join();
  }
  {
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    // A line that raced with the stop is still written rather than lost.
    FlushLocked(s);
    s.buffer.reset();
    s.has_buffer.store(false);
    s.fill.store(0, std::memory_order_relaxed);
  }
  s.started.store(0);
}

void LogFlush() {
  KeepLastError keep;
  LogState& s = State();
  if (!s.started.load() || !s.has_buffer.load() || s.fill.load(std::memory_order_relaxed) == 0) return;
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  FlushLocked(s);
}

void LogWrite(const char* line) {
  KeepLastError keep;
  LogState& s = State();
  if (!s.started.load() || line == nullptr) return;
  size_t n = std::strlen(line);
  if (n > kBufferSize - 4) n = kBufferSize - 4;  // so that it fits an emptied buffer with CR LF
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  // A line from inside the flush (the file system logging its own failure) is dropped: it would
  // change the buffer being written.
  if (!s.buffer || s.in_flush) return;
  uint32_t fill = s.fill.load(std::memory_order_relaxed);
  // The flush runs with the lock still held, so no other thread can refill the buffer between
  // the flush and the copy.
  if (fill + n + 3 >= kBufferSize || fill >= kEarlyFlush) {
    FlushLocked(s);
    fill = 0;
  }
  char* end = s.buffer.get() + fill;
  std::memcpy(end, line, n);
  fill += static_cast<uint32_t>(n);
  if (fill == 0 || s.buffer[fill - 1] != '\n') {
    s.buffer[fill++] = '\r';
    s.buffer[fill++] = '\n';
  }
  s.buffer[fill] = '\0';
  s.fill.store(fill, std::memory_order_relaxed);
}

void LogPrint(const char* file, const char* function, int line, const char* format, ...) {
  KeepLastError keep;
  LogState& s = State();
  platform::Machine* machine = s.machine.load();
  if (machine == nullptr) return;
  if (!s.started.load()) LogStart();

  platform::LocalTime t = machine->clock().Now();
  char stamp[64];
  std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.milliseconds);

  char message[kLineSize];
  va_list args;
  va_start(args, format);
  LogFormatV(&machine->codepage(), message, sizeof(message), format, args);
  va_end(args);

  char text[kLineSize];
  int written = std::snprintf(text, sizeof(text), "[%s] [%s:%s:%d] %s", stamp, BaseName(file),
                              function == nullptr ? "" : function, line, message);
  size_t n = written < 0 ? 0 : static_cast<size_t>(written);
  if (n > kLineSize - 1) n = kLineSize - 1;
  if (n == 0 || text[n - 1] != '\n') {
    if (n > kLineSize - 3) n = kLineSize - 3;
    text[n++] = '\r';
    text[n++] = '\n';
    text[n] = '\0';
  }
  LogWrite(text);
}

int GetLogFilePath(char* out, size_t size) {
  if (out == nullptr || size == 0) return -1;
  platform::Machine* machine = State().machine.load();
  if (machine == nullptr) return -1;
  std::wstring windows;
  if (!machine->system().WindowsFolder(&windows)) return -1;
  std::string windows_ansi = machine->codepage().ToAnsi(windows);
  // GetWindowsDirectoryA with 512 bytes: 0 on failure, more than 512 when it does not fit.
  if (windows_ansi.empty() || windows_ansi.size() + 1 > kPathSize) return -1;
  char folder[kPathSize];
  int n = std::snprintf(folder, sizeof(folder), "%s\\Temp\\%s", windows_ansi.c_str(), "\\TavroPrint\\Log");
  if (n < 0 || static_cast<size_t>(n) >= sizeof(folder)) return -1;
  if (EnsureDirectoryIn(machine->files(), folder) != 0) return -1;
  platform::LocalTime t = machine->clock().Now();
  n = std::snprintf(out, size, "%s\\%s_%d_%02d_%02d.log", folder, "TavroPrintInstall", t.year, t.month, t.day);
  // A cut path would name another file: refuse it.
  if (n < 0 || static_cast<size_t>(n) >= size) {
    out[0] = '\0';
    return -1;
  }
  return 0;
}

int EnsureDirectory(const char* path) {
  platform::Machine* machine = State().machine.load();
  if (machine == nullptr) return -1;
  return EnsureDirectoryIn(machine->files(), path);
}

int EnsureDirectoryIn(platform::Files& files, const char* path) {
  if (path == nullptr || path[0] == '\0') return -1;
  char local[kPathSize];
  std::snprintf(local, sizeof(local), "%s", path);
  size_t len = std::strlen(local);
  if (len > 0 && (local[len - 1] == '\\' || local[len - 1] == '/')) local[--len] = '\0';
  if (len == 0) return files.Stat(path) == platform::PathKind::kDirectory ? 0 : -1;  // the root "\"
  platform::PathKind kind = files.Stat(local);
  if (kind == platform::PathKind::kDirectory) return 0;
  if (kind == platform::PathKind::kFile) return -1;
  // The later separator of either kind, so that a path mixing them still has its parents made.
  char* cut = std::strrchr(local, '\\');
  char* slash = std::strrchr(local, '/');
  if (slash != nullptr && (cut == nullptr || slash > cut)) cut = slash;
  if (cut != nullptr && cut != local) {
    char separator = *cut;
    *cut = '\0';
    int parent = EnsureDirectoryIn(files, local);
    *cut = separator;
    if (parent != 0) return -1;
  }
  if (files.MakeDirectory(local)) return 0;
  return files.Stat(local) == platform::PathKind::kDirectory ? 0 : -1;
}
