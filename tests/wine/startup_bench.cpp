// Benchmark under Wine: the time from starting a program to its first visible dialog, for the
// real installer (its language dialog) beside the reference program of the same build
// (reference_dialog/: one dialog with a list view and nothing else), started alternately in one
// run. Prints each round, the medians and their ratio (goal: at most 1.10 in every run), and where
// the installer's time goes before its dialog, from its log's timestamps. Not a ctest test: the
// test command runs it once, in the prefix the installation benchmark uses.
#include "tests/wine/installer_driver.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#ifndef TAVRO_INSTALLER
#error "TAVRO_INSTALLER names the installer of this tree"
#endif
#ifndef TAVRO_REFERENCE_DIALOG
#error "TAVRO_REFERENCE_DIALOG names the reference dialog program of this tree"
#endif

namespace {

using driver::LogWatch;

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds since midnight of the local clock, as the log's timestamps count.
double ClockNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Starts `program`, waits for its first visible top-level window, closes it and waits for the
// program to end. Seconds to the window, -1 when none came within 60 s; *started_at is the local
// clock at the start.
double TimeToFirstWindow(const std::wstring& program, double* started_at) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  *started_at = ClockNow();
  const double start = Now();
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  double seconds = -1;
  HWND window = nullptr;
  while (Now() - start < 60) {
    window = driver::FindWindowOf(pi.dwProcessId, [](HWND) { return true; });
    if (window != nullptr) {
      seconds = Now() - start;
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return seconds;
}

// The timestamp of the first line holding `marker` at or after `from` (seconds since midnight),
// -1 when there is none.
double StampAfter(const std::string& log, const std::string& marker, double from) {
  for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) {
    size_t line = log.rfind('\n', at);
    line = line == std::string::npos ? 0 : line + 1;
    int h = 0, m = 0;
    double s = 0;
    if (std::sscanf(log.c_str() + line, "[%*d-%*d-%*d %d:%d:%lf]", &h, &m, &s) != 3) continue;
    const double stamp = h * 3600.0 + m * 60.0 + s;
    if (stamp >= from - 0.0005) return stamp;
  }
  return -1;
}

TEST(StartupBench, InstallerBesideTheReferenceDialog) {
  const std::wstring installer = driver::WindowsPath(TAVRO_INSTALLER),
                     reference = driver::WindowsPath(TAVRO_REFERENCE_DIALOG);
  const int rounds = 7;
  // The installer's steps before its first dialog, each from the step before it (the first from
  // the process start): the name of the step and the log line that ends it.
  const std::vector<std::pair<std::string, std::string>> phases = {
      {"process start to the first log line", "[ENTRY] CInstallApp::InitInstance"},
      {"command line, checks, payload loaded", "LoadDataFromFile success"},
      {"configuration folder found", "Local AppData path"},
      {"configuration files, language dialog", ""}};
  std::vector<std::vector<double>> phase_times(phases.size());
  std::vector<double> a_times, b_times, ratios;
  double started = 0;
  // One warm-up of each, not counted: the first start of a program under Wine loads its DLLs.
  ASSERT_GT(TimeToFirstWindow(installer, &started), 0) << "the installer showed no window";
  ASSERT_GT(TimeToFirstWindow(reference, &started), 0) << "the reference program showed no window";
  for (int i = 0; i < rounds; ++i) {
    LogWatch watch;
    const double a = TimeToFirstWindow(installer, &started);
    ASSERT_GT(a, 0) << "the installer showed no window";
    const std::string log = watch.Since();
    double ignored = 0;
    const double b = TimeToFirstWindow(reference, &ignored);
    ASSERT_GT(b, 0) << "the reference program showed no window";
    a_times.push_back(a);
    b_times.push_back(b);
    ratios.push_back(a / b);
    std::printf("round %d: installer %.1f ms, reference dialog %.1f ms, ratio %.2f\n", i + 1, a * 1000, b * 1000,
                a / b);
    double previous = started;
    for (size_t p = 0; p + 1 < phases.size(); ++p) {
      const double at = StampAfter(log, phases[p].second, started);
      if (at >= 0) phase_times[p].push_back((at - previous) * 1000);
      if (at >= 0) previous = at;
    }
    phase_times.back().push_back((started + a - previous) * 1000);
  }
  const double a = Median(a_times), b = Median(b_times);
  std::printf("median over %d rounds: installer %.1f ms, reference dialog %.1f ms\n", rounds, a * 1000, b * 1000);
  std::printf("ratio installer / reference dialog: %.2f (rounds %.2f to %.2f; goal: at most 1.10)\n", a / b,
              *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
  std::printf("where the installer's time goes (median, from its log, ms resolution):\n");
  for (size_t p = 0; p < phases.size(); ++p)
    std::printf("  %-40s %8.1f ms\n", phases[p].first.c_str(), Median(phase_times[p]));
}

}  // namespace
