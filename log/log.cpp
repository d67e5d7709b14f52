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

namespace {

// Copies a line of n bytes to the buffer, writing the file first when the buffer holds 16 KiB or
// the line would not fit; CR LF when the buffer does not end in a line feed.
void WriteLine(LogState& s, const char* line, size_t n) {
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

// A line being built: appends are cut at kLineSize - 1 characters.
class LineText {
 public:
  void Put(const char* text, size_t n) {
    size_t room = kLineSize - 1 - n_;
    if (n > room) n = room;
    std::memcpy(text_ + n_, text, n);
    n_ += n;
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }
  void Put(char c) {
    if (n_ < kLineSize - 1) text_[n_++] = c;
  }
  // "%d".
  void PutDecimal(int value) {
    char digits[12];
    char* first = digits + sizeof(digits);
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    do {
      *--first = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--first = '-';
    Put(first, static_cast<size_t>(digits + sizeof(digits) - first));
  }
  // The local time as "%04d-%02d-%02d %02d:%02d:%02d.%03d" writes it.
  void PutStamp(const platform::LocalTime& t) {
    auto in = [](int v, int limit) { return v >= 0 && v < limit; };
    if (!in(t.year, 10000) || !in(t.month, 100) || !in(t.day, 100) || !in(t.hour, 100) || !in(t.minute, 100) ||
        !in(t.second, 100) || !in(t.milliseconds, 1000)) {
      char stamp[64];  // a field printf would widen: printf it
      int n = std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                            t.hour, t.minute, t.second, t.milliseconds);
      if (n > 0) Put(stamp, std::strlen(stamp));
      return;
    }
    char stamp[23];
    auto two = [&stamp](int at, int v) {
      stamp[at] = static_cast<char>('0' + v / 10);
      stamp[at + 1] = static_cast<char>('0' + v % 10);
    };
    two(0, t.year / 100);
    two(2, t.year % 100);
    stamp[4] = '-';
    two(5, t.month);
    stamp[7] = '-';
    two(8, t.day);
    stamp[10] = ' ';
    two(11, t.hour);
    stamp[13] = ':';
    two(14, t.minute);
    stamp[16] = ':';
    two(17, t.second);
    stamp[19] = '.';
    stamp[20] = static_cast<char>('0' + t.milliseconds / 100);
    two(21, t.milliseconds % 100);
    Put(stamp, sizeof(stamp));
  }
  // Formats the message into the rest of the line (cut silently); the line ends at a NUL the
  // message may carry ("%c" of 0), as a "%s" of it would.
  void PutMessage(platform::CodePage* codepage, const char* format, va_list args) {
    size_t written = LogFormatV(codepage, text_ + n_, kLineSize - n_, format, args);
    n_ += strnlen(text_ + n_, written);
  }
  // CR LF when the line is empty or does not end in a line feed, with room kept for it.
  void EndWithLineBreak() {
    if (n_ == 0 || text_[n_ - 1] != '\n') {
      if (n_ > kLineSize - 3) n_ = kLineSize - 3;
      text_[n_++] = '\r';
      text_[n_++] = '\n';
    }
    text_[n_] = '\0';
  }
  const char* text() const { return text_; }
  size_t size() const { return n_; }

 private:
  char text_[kLineSize];
  size_t n_ = 0;
};

}  // namespace

void LogWrite(const char* line) {
  KeepLastError keep;
  LogState& s = State();
  if (!s.started.load() || line == nullptr) return;
  size_t n = std::strlen(line);
  if (n > kBufferSize - 4) n = kBufferSize - 4;  // so that it fits an emptied buffer with CR LF
  WriteLine(s, line, n);
}

void LogPrint(const char* file, const char* function, int line, const char* format, ...) {
  KeepLastError keep;
  LogState& s = State();
  platform::Machine* machine = s.machine.load();
  if (machine == nullptr) return;
  if (!s.started.load()) LogStart();

  // "[%s] [%s:%s:%d] %s": the time stamp, the source file's name, the function, the line number
  // and the message, built in place (at most 2047 characters) rather than printf'ed twice.
  LineText text;
  text.Put('[');
  text.PutStamp(machine->clock().Now());
  text.Put("] [", 3);
  text.Put(BaseName(file));
  text.Put(':');
  text.Put(function == nullptr ? "" : function);
  text.Put(':');
  text.PutDecimal(line);
  text.Put("] ", 2);
  va_list args;
  va_start(args, format);
  text.PutMessage(&machine->codepage(), format, args);
  va_end(args);
  text.EndWithLineBreak();

  if (!s.started.load()) return;
  WriteLine(s, text.text(), text.size());
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
