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
#include <system_error>
#include <algorithm>
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
constexpr auto kWriterWait = std::chrono::milliseconds(2000);
// The least LogStop waits for the lock at its end, so that a caller's short append does not cost
// the last lines when the writer took most of the 2,000 ms.
constexpr auto kLastLockWait = std::chrono::milliseconds(100);

// One run of the facility, from LogStart to LogStop. The writer thread holds its run alive: a
// writer that LogStop stops waiting for still finds its lock and buffer until it ends.
struct Session {
  std::recursive_mutex lock;  // the buffer, its fill count and every file write
  std::unique_ptr<char[]> buffer;
  std::atomic<uint32_t> fill{0};  // written under `lock`, peeked at without it
  std::atomic<bool> has_buffer{false};
  bool in_flush = false;    // under `lock`: a line logged by the file system while the log writes
  bool has_writer = false;  // set before the run is published, then only read

  std::mutex stop_mutex;
  std::condition_variable stop_signal;
  bool stop = false;
  bool writer_done = false;
  bool abandoned = false;
};

struct LogState {
  std::atomic<platform::Machine*> machine{nullptr};
  std::mutex control;                // serialises LogStart and LogStop
  std::shared_ptr<Session> current;  // the running session; std::atomic_load/atomic_store only
  std::thread writer;                // the current session's, under `control`
  std::atomic<LogThreadStarter> starter{nullptr};
  std::atomic<int> abandoned{0};
  std::atomic<const char*> file_stem{"TavroPrintInstall"};
};

// Never destroyed: a line logged while the process exits still finds the facility.
LogState& State() {
  static LogState* state = new LogState;
  return *state;
}

std::shared_ptr<Session> Current() { return std::atomic_load(&State().current); }

// The calling thread's last-error value as it was when a public log call began, put back when the
// call returns: the clock, the code page and above all the flush (GetWindowsDirectory, stat, mkdir,
// the opening of a new day's file, the banner's registry reads) set it, and a caller that logs a
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

// Only these may own what the elevated installer writes into: SYSTEM, Administrators and
// TrustedInstaller. Anything else was made, or taken, by someone who could point it elsewhere.
// Where the file system keeps no owners (Wine), the owner read back says nothing and is not asked.
bool TrustedOwner(platform::Files& files, const std::wstring& sid) {
  if (!files.KeepsOwners()) return true;
  return sid == L"S-1-5-18" || sid == L"S-1-5-32-544" ||
         sid == L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}

bool TrustedFolder(platform::Files& files, const platform::PathFacts& facts) {
  return facts.kind == platform::PathKind::kDirectory && !facts.reparse_point && TrustedOwner(files, facts.owner);
}

// A second name (hard link) would let the append land in a file the name does not show.
bool TrustedFile(platform::Files& files, const platform::PathFacts& facts) {
  return facts.kind == platform::PathKind::kFile && !facts.reparse_point && facts.links == 1 &&
         TrustedOwner(files, facts.owner);
}

// One folder below the Temp folder: made private when missing; used when trusted.
bool EnsurePrivateFolder(platform::Files& files, const std::string& path) {
  platform::PathFacts facts;
  if (!files.Inspect(path, &facts)) {
    uint32_t code = platform::LastErrorCode();
    if (code != platform::err::kFileNotFound && code != platform::err::kPathNotFound) return false;
    // One that appeared in between is judged like any other found there.
    if (!files.MakePrivateDirectory(path) && platform::LastErrorCode() != platform::err::kAlreadyExists) return false;
    if (!files.Inspect(path, &facts)) return false;
  }
  return TrustedFolder(files, facts);
}

// The Windows folder's Temp as any folder; TavroPrint and Log below it private and trusted.
bool EnsureLogFolder(platform::Files& files, const std::string& windows_ansi) {
  std::string temp = windows_ansi + "\\Temp";
  if (temp.size() + 1 > kPathSize || EnsureDirectoryIn(files, temp.c_str()) != 0) return false;
  std::string tavro = temp + "\\\\TavroPrint";  // spelled as the folder's path is built
  return EnsurePrivateFolder(files, tavro) && EnsurePrivateFolder(files, tavro + "\\Log");
}

// Writes the pending text to the day's file and empties the buffer; `lock` is held.
void FlushLocked(Session& s) {
  if (!s.buffer || s.fill.load(std::memory_order_relaxed) == 0) return;
  platform::Machine* machine = State().machine.load();
  s.in_flush = true;
  char path[kPathSize];
  if (machine != nullptr && GetLogFilePath(path, sizeof(path)) == 0) {
    bool created = false;
    platform::PathFacts facts;
    std::unique_ptr<platform::File> file = machine->files().OpenForAppend(path, &created, &facts);
    if (file && TrustedFile(machine->files(), facts)) {
      if (created) WriteSystemBanner(*machine, file.get());
      file->Write(s.buffer.get(), s.fill.load(std::memory_order_relaxed));
    }
  }
  s.in_flush = false;
  // Whether or not it was written: a log that cannot be written must not hold up its callers.
  s.fill.store(0, std::memory_order_relaxed);
  s.buffer[0] = '\0';
}

void Flush(Session& s) {
  KeepLastError keep;
  if (!s.has_buffer.load() || s.fill.load(std::memory_order_relaxed) == 0) return;
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  FlushLocked(s);
}

void WriterLoop(const std::shared_ptr<Session>& session) {
  Session& s = *session;
  std::unique_lock<std::mutex> guard(s.stop_mutex);
  while (!s.stop) {
    s.stop_signal.wait_for(guard, std::chrono::milliseconds(1000), [&s] { return s.stop; });
    if (s.stop) break;
    guard.unlock();
    Flush(s);
    guard.lock();
  }
  s.writer_done = true;
  bool abandoned = s.abandoned;
  guard.unlock();
  s.stop_signal.notify_all();
  if (abandoned) State().abandoned.fetch_sub(1);
}

// Takes `lock` by `deadline`, trying again every millisecond.
bool LockBy(std::recursive_mutex& lock, std::chrono::steady_clock::time_point deadline) {
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// std::thread reports a thread the system refuses by throwing; the facility then runs without one.
bool StartThread(std::function<void()> body, std::thread* out) {
  try {
    *out = std::thread(std::move(body));
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

void LogAttachMachine(platform::Machine* machine) { State().machine.store(machine); }

void LogSetThreadStarter(LogThreadStarter starter) { State().starter.store(starter); }

int LogAbandonedWriters() { return State().abandoned.load(); }

void LogStart() {
  KeepLastError keep;
  LogState& s = State();
  std::lock_guard<std::mutex> control(s.control);
  if (Current()) return;
  auto session = std::make_shared<Session>();
  session->buffer.reset(new (std::nothrow) char[kBufferSize]);
  if (session->buffer) session->buffer[0] = '\0';
  session->has_buffer.store(static_cast<bool>(session->buffer));
  LogThreadStarter starter = s.starter.load();
  if (starter == nullptr) starter = StartThread;
  session->has_writer = starter([session] { WriterLoop(session); }, &s.writer);
  std::atomic_store(&s.current, session);
}

void LogStop() {
  KeepLastError keep;
  LogState& s = State();
  std::lock_guard<std::mutex> control(s.control);
  std::shared_ptr<Session> session = Current();
  if (!session) return;
  const auto deadline = std::chrono::steady_clock::now() + kWriterWait;
  // A writer hung inside a flush holds the lock: wait for it no longer than for the writer.
  if (LockBy(session->lock, deadline)) {
    std::lock_guard<std::recursive_mutex> guard(session->lock, std::adopt_lock);
    FlushLocked(*session);
  }
  if (s.writer.joinable()) {
    bool ended;
    {
      std::unique_lock<std::mutex> guard(session->stop_mutex);
      session->stop = true;
      session->stop_signal.notify_all();
      ended = session->stop_signal.wait_until(guard, deadline, [&session] { return session->writer_done; });
      if (!ended) {
        session->abandoned = true;
        s.abandoned.fetch_add(1);
      }
    }
    // An abandoned writer keeps its session through its own reference and ends by itself.
    if (ended) {
      s.writer.join();
    } else {
      s.writer.detach();
    }
  }
  if (LockBy(session->lock, std::max(deadline, std::chrono::steady_clock::now() + kLastLockWait))) {
    std::lock_guard<std::recursive_mutex> guard(session->lock, std::adopt_lock);
    // A line that raced with the stop is still written rather than lost.
    FlushLocked(*session);
    session->has_buffer.store(false);
    session->buffer.reset();
    session->fill.store(0, std::memory_order_relaxed);
  }
  std::atomic_store(&s.current, std::shared_ptr<Session>());
}

void LogFlush() {
  KeepLastError keep;
  std::shared_ptr<Session> session = Current();
  if (session) Flush(*session);
}

namespace {

// Copies a line of n bytes to the buffer, writing the file first when the buffer holds 16 KiB or
// the line would not fit; CR LF when the buffer does not end in a line feed.
void WriteLine(Session& s, const char* line, size_t n) {
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
  // Without a writer thread nobody else would write it.
  if (!s.has_writer) FlushLocked(s);
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
  std::shared_ptr<Session> session = Current();
  if (!session || line == nullptr) return;
  size_t n = std::strlen(line);
  if (n > kBufferSize - 4) n = kBufferSize - 4;  // so that it fits an emptied buffer with CR LF
  WriteLine(*session, line, n);
}

void LogPrint(const char* file, const char* function, int line, const char* format, ...) {
  KeepLastError keep;
  platform::Machine* machine = State().machine.load();
  if (machine == nullptr) return;
  std::shared_ptr<Session> session = Current();
  if (!session) {
    LogStart();
    session = Current();
  }

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

  if (!session) return;
  WriteLine(*session, text.text(), text.size());
}

int GetLogFilePath(char* out, size_t size) {
  KeepLastError keep;
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
  if (!EnsureLogFolder(machine->files(), windows_ansi)) return -1;
  platform::LocalTime t = machine->clock().Now();
  n = std::snprintf(out, size, "%s\\%s_%d_%02d_%02d.log", folder, State().file_stem.load(), t.year, t.month, t.day);
  // A cut path would name another file: refuse it.
  if (n < 0 || static_cast<size_t>(n) >= size) {
    out[0] = '\0';
    return -1;
  }
  return 0;
}

void LogSetFileStem(const char* stem) {
  if (stem != nullptr && stem[0] != '\0') State().file_stem.store(stem);
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
