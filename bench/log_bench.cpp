// The log facility's cost per LogPrint call (median, 99th percentile) and its lines per second
// with one and two threads, beside spdlog's asynchronous file logger writing the same text in
// the same run. The facility writes either to the simulated machine's in-memory files or, through
// a small POSIX file system, to a real folder.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/sim/sim_machine.h"

#ifdef TAVRO_HAVE_SPDLOG
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#endif

namespace {

constexpr int kIterations = 200000;  // per thread: bounds the in-memory file's size

std::string Posix(const std::string& windows_path) {
  std::string path = windows_path;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::string clean;
  for (char c : path) {
    if (c == '/' && !clean.empty() && clean.back() == '/') continue;
    clean.push_back(c);
  }
  return clean;
}

class DiskFile : public platform::File {
 public:
  explicit DiskFile(FILE* f) : f_(f) {}
  ~DiskFile() override { std::fclose(f_); }
  size_t Read(void* buffer, size_t n) override { return std::fread(buffer, 1, n, f_); }
  size_t Write(const void* buffer, size_t n) override { return std::fwrite(buffer, 1, n, f_); }
  bool HasError() const override { return std::ferror(f_) != 0; }

 private:
  FILE* f_;
};

// Real files for the real-disk variant: the machine's Windows folder is a POSIX folder.
class DiskFiles : public platform::Files {
 public:
  std::unique_ptr<platform::File> Open(const std::string& path, const char* mode) override {
    std::string m;
    for (const char* p = mode; *p; ++p)
      if (*p != 't') m.push_back(*p);
    FILE* f = std::fopen(Posix(path).c_str(), m.c_str());
    return f ? std::make_unique<DiskFile>(f) : nullptr;
  }
  std::unique_ptr<platform::File> OpenW(const std::wstring&, const char*) override { return nullptr; }
  platform::PathKind Stat(const std::string& path) override {
    struct stat st;
    if (::stat(Posix(path).c_str(), &st) != 0) return platform::PathKind::kMissing;
    return S_ISDIR(st.st_mode) ? platform::PathKind::kDirectory : platform::PathKind::kFile;
  }
  platform::PathKind StatW(const std::wstring&) override { return platform::PathKind::kMissing; }
  bool MakeDirectory(const std::string& path) override { return ::mkdir(Posix(path).c_str(), 0755) == 0; }
  bool MakeDirectoryW(const std::wstring&) override { return false; }
  bool Remove(const std::wstring&) override { return false; }
  bool QueryDosDeviceNames(size_t, std::vector<std::wstring>*) override { return false; }
  bool CopyA(const std::string&, const std::string&, bool) override { return false; }
  bool RemoveA(const std::string&) override { return false; }
  bool ListFolderA(const std::string&, std::vector<std::string>*) override { return false; }
  bool WriteProfileString(const std::wstring&, const std::wstring&, const std::wstring&,
                          const std::wstring&) override {
    return false;
  }
  bool DisableWow64Redirection() override { return false; }
  bool RevertWow64Redirection() override { return false; }
  // The log never lists or removes folders: not offered by the bench's disk.
  bool ListFolder(const std::wstring&, std::vector<platform::FolderEntry>*) override { return false; }
  bool RemoveFolder(const std::wstring&) override { return false; }
  bool RemoveAtRestart(const std::wstring&) override { return false; }
  // The bench's own folder: what this process makes counts as the administrators'.
  bool MakePrivateDirectory(const std::string& path) override { return ::mkdir(Posix(path).c_str(), 0700) == 0; }
  bool Inspect(const std::string& path, platform::PathFacts* out) override {
    struct stat st;
    if (::lstat(Posix(path).c_str(), &st) != 0) return false;
    *out = Facts(st);
    return true;
  }
  bool KeepsOwners() override { return true; }
  std::unique_ptr<platform::File> OpenForAppend(const std::string& path, bool* created,
                                                platform::PathFacts* facts) override {
    struct stat st;
    *created = ::lstat(Posix(path).c_str(), &st) != 0;
    FILE* f = std::fopen(Posix(path).c_str(), "a");
    if (f == nullptr) return nullptr;
    auto file = std::make_unique<DiskFile>(f);
    if (::fstat(::fileno(f), &st) != 0) return nullptr;
    *facts = Facts(st);
    return file;
  }

 private:
  static platform::PathFacts Facts(const struct stat& st) {
    platform::PathFacts facts;
    facts.kind = S_ISDIR(st.st_mode) ? platform::PathKind::kDirectory : platform::PathKind::kFile;
    facts.reparse_point = S_ISLNK(st.st_mode);
    facts.owner = st.st_uid == ::geteuid() ? L"S-1-5-32-544" : L"";
    facts.links = S_ISDIR(st.st_mode) ? 1 : static_cast<uint32_t>(st.st_nlink);
    return facts;
  }
};

// The simulated machine with real files.
class DiskMachine : public platform::Machine {
 public:
  explicit DiskMachine(const std::string& folder) {
    sim_.system().SetWindowsFolder(std::wstring(folder.begin(), folder.end()));
  }
  platform::Files& files() override { return disk_; }
  platform::Clock& clock() override { return sim_.clock(); }
  platform::SystemInfo& system() override { return sim_.system(); }
  platform::Registry& registry() override { return sim_.registry(); }
  platform::CodePage& codepage() override { return sim_.codepage(); }
  platform::Shell& shell() override { return sim_.shell(); }
  platform::Resources& resources() override { return sim_.resources(); }
  platform::Devices& devices() override { return sim_.devices(); }
  platform::Spooler& spooler() override { return sim_.spooler(); }
  platform::Services& services() override { return sim_.services(); }
  platform::Bluetooth& bluetooth() override { return sim_.bluetooth(); }
  platform::WindowFramework& windows() override { return sim_.windows(); }

 private:
  platform::sim::SimMachine sim_;
  DiskFiles disk_;
};

std::string TempFolder() {
  static std::string folder = [] {
    char pattern[] = "/tmp/tavro_log_bench_XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return folder;
}

struct Figures {
  double median_ns = 0;
  double p99_ns = 0;
  double lines_per_second = 0;
};
std::mutex g_figures_mutex;
std::map<std::string, Figures> g_figures;

// Times each call of `call` and reports the median, the 99th percentile and the rate.
template <typename Call>
void Measure(benchmark::State& state, const std::string& name, Call call) {
  std::vector<double> samples;
  samples.reserve(kIterations);
  int i = 0;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    call(i++);
    auto t1 = std::chrono::steady_clock::now();
    samples.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::sort(samples.begin(), samples.end());
  Figures f;
  if (!samples.empty()) {
    f.median_ns = samples[samples.size() / 2];
    f.p99_ns = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    f.lines_per_second = seconds > 0 ? samples.size() * state.threads() / seconds : 0;
  }
  state.counters["median_ns"] = benchmark::Counter(f.median_ns, benchmark::Counter::kAvgThreads);
  state.counters["p99_ns"] = benchmark::Counter(f.p99_ns, benchmark::Counter::kAvgThreads);
  state.SetItemsProcessed(state.iterations());
  std::lock_guard<std::mutex> lock(g_figures_mutex);
  std::string key = name + "/threads:" + std::to_string(state.threads());
  Figures& total = g_figures[key];
  // With two threads: the mean of their percentiles, the sum of their rates.
  total.median_ns += f.median_ns / state.threads();
  total.p99_ns += f.p99_ns / state.threads();
  total.lines_per_second = std::max(total.lines_per_second, f.lines_per_second);
}

platform::sim::SimMachine* g_sim = nullptr;
DiskMachine* g_disk = nullptr;

void TavroLog(benchmark::State& state, platform::Machine* machine, const std::string& name) {
  if (state.thread_index() == 0) {
    LogStop();
    LogAttachMachine(machine);
    LogPrint(kLogUnitInstall, "main", 1, "[ENTRY] bench\n");  // the first line starts the facility
  }
  // Google Benchmark starts all threads' loops together, after this set-up.
  Measure(state, name, [](int i) {
    LogPrint(kLogUnitInstall, "RetractFileThread", 123,
             "[INFO] RetractFileThread - Extracted %ws, size=%d, index=%d\n", L"TavroPrint.dll", 4096, i);
  });
  if (state.thread_index() == 0) {
    LogStop();
    if (machine == g_sim) g_sim->files().RemoveTree(L"C:\\Windows\\Temp\\TavroPrint");
  }
}

void BM_TavroLog_Memory(benchmark::State& state) { TavroLog(state, g_sim, "tavro_memory"); }
void BM_TavroLog_Disk(benchmark::State& state) { TavroLog(state, g_disk, "tavro_disk"); }

#ifdef TAVRO_HAVE_SPDLOG
std::shared_ptr<spdlog::logger> g_spdlog;

void BM_Spdlog_AsyncFile(benchmark::State& state) {
  Measure(state, "spdlog_async_disk", [](int i) {
    g_spdlog->info("[Install.cpp:RetractFileThread:123] [INFO] RetractFileThread - Extracted {}, size={}, index={}",
                   "TavroPrint.dll", 4096, i);
  });
  if (state.thread_index() == 0) g_spdlog->flush();
}
#endif

void PrintRatios() {
  std::printf("\n%-34s %12s %12s %14s\n", "logger", "median ns", "p99 ns", "lines/s");
  for (const auto& entry : g_figures)
    std::printf("%-34s %12.0f %12.0f %14.0f\n", entry.first.c_str(), entry.second.median_ns, entry.second.p99_ns,
                entry.second.lines_per_second);
  for (const char* threads : {"/threads:1", "/threads:2"}) {
    auto ref = g_figures.find(std::string("spdlog_async_disk") + threads);
    if (ref == g_figures.end() || ref->second.median_ns <= 0) continue;
    for (const char* ours : {"tavro_memory", "tavro_disk"}) {
      auto it = g_figures.find(std::string(ours) + threads);
      if (it == g_figures.end()) continue;
      std::printf("%s%s vs spdlog: median x%.2f, p99 x%.2f, lines/s x%.2f (above 1: slower per call / faster rate)\n",
                  ours, threads, it->second.median_ns / ref->second.median_ns, it->second.p99_ns / ref->second.p99_ns,
                  it->second.lines_per_second / ref->second.lines_per_second);
    }
  }
}

}  // namespace

BENCHMARK(BM_TavroLog_Memory)->Iterations(kIterations)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_TavroLog_Disk)->Iterations(kIterations)->Threads(1)->Threads(2)->UseRealTime();
#ifdef TAVRO_HAVE_SPDLOG
BENCHMARK(BM_Spdlog_AsyncFile)->Iterations(kIterations)->Threads(1)->Threads(2)->UseRealTime();
#endif

int main(int argc, char** argv) {
  platform::sim::SimMachine sim;
  DiskMachine disk(TempFolder());
  g_sim = &sim;
  g_disk = &disk;
#ifdef TAVRO_HAVE_SPDLOG
  spdlog::init_thread_pool(8192, 1);
  g_spdlog = spdlog::basic_logger_mt<spdlog::async_factory>("bench", TempFolder() + "/spdlog.log", true);
  g_spdlog->set_pattern("[%Y-%m-%d %H:%M:%S.%e] %v");
#endif
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  LogStop();
  LogAttachMachine(nullptr);
#ifdef TAVRO_HAVE_SPDLOG
  g_spdlog.reset();
  spdlog::shutdown();
#endif
  PrintRatios();
  std::string cleanup = "rm -rf '" + TempFolder() + "'";
  if (TempFolder().rfind("/tmp/tavro_log_bench_", 0) == 0 && std::system(cleanup.c_str()) != 0)
    std::fprintf(stderr, "could not remove %s\n", TempFolder().c_str());
  return 0;
}
