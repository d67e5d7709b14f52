// Benchmark under Wine: the time from the confirmed Install (the serial settings' OK, when the
// worker starts) to the outcome's message box, for a TR-80 on COM1 through the real installer,
// beside the bare spooler calls of the same installation measured in the same run, alternating:
// copying the same driver files into the driver directory under the same names, AddPrinterDriverW
// and AddPrinterW. Prints each round, the medians and their ratio (goal: at most 1.5), and where
// the installer's time goes, from its log's timestamps. Not a ctest test: the test command runs it
// once in the 32-bit test prefix (or the x64 build in the 64-bit prefix where 32-bit programs
// cannot run). Every installation must complete, or the program fails.
#include "tests/wine/install_flow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef TAVRO_PAYLOAD_DIR
#error "TAVRO_PAYLOAD_DIR names this tree's payload programs"
#endif

namespace {

using namespace flow;

const wchar_t kModel[] = L"Tavro TR-80";
const wchar_t kEnvironment86[] = L"Windows NT x86";

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Where the installer registers its driver for an environment this process's spooler does not
// look in (an installer under WOW64), the driver is registered for this process's own too, as
// the install tests do; elsewhere nothing is prepared.
void LetPrinterBeAdded() {
  if (_wcsicmp(OwnEnvironment(), InstallerEnvironment()) == 0) return;
  std::wstring name = std::wstring(kModel) + L" Driver", env = OwnEnvironment(), path = L"Tavro TR-80Drv.dll",
               data = L"Tavro TR-80GPC.pcd", config = L"Tavro TR-80UI.dll";
  DRIVER_INFO_2W info = {3, &name[0], &env[0], &path[0], &data[0], &config[0]};
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
}

// One installation through the dialogs: seconds from the serial settings' OK to the message box.
double InstallerRound(std::string* log) {
  RemoveInstallations(kModel);
  LetPrinterBeAdded();
  LogWatch watch;
  Installer installer;
  HWND main = OpenMainDialog(installer, 2);
  if (main == nullptr) return -1;
  ClickAndWait(main, IDC_RADIO_SERIAL);
  if (!ChooseModel(main, kModel)) return -1;
  RemoteList list(installer.process(), GetDlgItem(main, IDC_PORT_LIST));
  int row = -1;
  for (int i = 0, n = list.Count(); i < n && row < 0; ++i)
    if (list.Text(i, 0) == L"COM1") row = i;
  if (row < 0) return -1;
  list.SetSelected(row, true);
  Click(main, IDOK);
  HWND serial = WaitForDialogWith(installer.process(), IDC_BAUD_COMBO, IDC_PORT_LIST, kWaitMs);
  if (serial == nullptr) return -1;
  const double start = Now();
  Click(serial, IDOK);
  HWND box = nullptr;
  while (box == nullptr && Now() - start < 120) {
    box = FindDialogWith(GetProcessId(installer.process()), kMessageBoxText, IDC_PORT_LIST);
    if (box == nullptr) Sleep(1);
  }
  const double seconds = Now() - start;
  if (box == nullptr) return -1;
  const std::wstring text = ItemText(box, kMessageBoxText);
  EXPECT_EQ(text, L"Installation complete.");
  Click(box, IDOK);
  EXPECT_EQ(installer.WaitExit(), 0);
  *log = watch.Since();  // complete once the installer has ended
  RemoveInstallations(kModel);
  return text == L"Installation complete." ? seconds : -1;
}

// The same driver files, AddPrinterDriverW and AddPrinterW, nothing else: seconds.
double BareRound() {
  RemoveInstallations(kModel);
  const std::wstring dir = DriverDirectory(), payload = WindowsPath(TAVRO_PAYLOAD_DIR), name = kModel;
  const double start = Now();
  const std::pair<const wchar_t*, std::wstring> files[] = {{L"tavroui.dll", name + L"UI.dll"},
                                                           {L"tavrodrv.dll", name + L"Drv.dll"},
                                                           {L"tavromon.exe", name + L"_tavromon.exe"},
                                                           {L"tavropop.exe", name + L"_tavropop.exe"}};
  for (const auto& [from, to] : files) {
    if (!CopyFileW((payload + L"\\" + from).c_str(), (dir + L"\\" + to).c_str(), FALSE)) return -1;
  }
  std::wstring driver = name + L" Driver", env = InstallerEnvironment(), path = name + L"Drv.dll",
               data = name + L"GPC.pcd", config = name + L"UI.dll";
  DRIVER_INFO_2W info = {2, &driver[0], &env[0], &path[0], &data[0], &config[0]};
  if (!AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) return -1;
  const double driver_done = Now();
  LetPrinterBeAdded();  // under WOW64 only; not timed
  const double resumed = Now();
  std::wstring printer_name = name, port = L"COM1:", processor = L"WinPrint", type = L"RAW", empty = L"";
  PRINTER_INFO_2W printer = {};
  printer.pPrinterName = &printer_name[0];
  printer.pShareName = &printer_name[0];
  printer.pPortName = &port[0];
  printer.pDriverName = &driver[0];
  printer.pSepFile = &empty[0];
  printer.pPrintProcessor = &processor[0];
  printer.pDatatype = &type[0];
  printer.pParameters = &empty[0];
  printer.Attributes = PRINTER_ATTRIBUTE_DEFAULT;
  HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
  const double end = Now();
  if (added == nullptr) return -1;
  ClosePrinter(added);
  RemoveInstallations(kModel);
  return (driver_done - start) + (end - resumed);
}

// The installer's phases, from the log's "[YYYY-MM-DD hh:mm:ss.mmm]" stamps: each marker's time.
// A marker may name alternatives ("a|b": the 32- and 64-bit paths' lines).
double StampOf(const std::string& log, const std::string& marker) {
  size_t bar = marker.find('|');
  if (bar != std::string::npos) {
    double first = StampOf(log, marker.substr(0, bar));
    return first >= 0 ? first : StampOf(log, marker.substr(bar + 1));
  }
  size_t at = log.find(marker);
  if (at == std::string::npos) return -1;
  size_t line = log.rfind('\n', at);
  line = line == std::string::npos ? 0 : line + 1;
  int h = 0, m = 0;
  double s = 0;
  if (std::sscanf(log.c_str() + line, "[%*d-%*d-%*d %d:%d:%lf]", &h, &m, &s) != 3) return -1;
  return h * 3600.0 + m * 60.0 + s;
}

TEST(InstallBench, InstallerBesideTheBareSpoolerCalls) {
  const int rounds = std::max(1, std::atoi(std::getenv("TAVRO_BENCH_ROUNDS") ? std::getenv("TAVRO_BENCH_ROUNDS") : "5"));
  const std::vector<std::pair<std::string, std::string>> phases = {
      {"worker start to extraction done", "[INFO] RetractFileThread - Starting printer driver installation"},
      {"to the driver registered", "AddPrinterDriver success|Printer driver added successfully"},
      {"to the printer added", "AddPrinter success|Printer added successfully"},
      {"to the registration's end", "[INFO] RetractFileThread - Printer driver installed successfully"},
      {"to the uninstall entry and service", "[INFO] RetractFileThread - Service installed"},
      {"to the dialog's settings and message", "[ENTRY] CInstallDlg::OnInstallFinished"}};
  std::vector<double> installer, bare;
  std::vector<std::vector<double>> phase_times(phases.size());
  // One warm-up of each, not counted: the first start of a program under Wine loads its DLLs.
  std::string log;
  ASSERT_GT(InstallerRound(&log), 0) << "the installation did not complete";
  ASSERT_GT(BareRound(), 0) << "the bare spooler calls failed, error " << GetLastError();
  for (int i = 0; i < rounds; ++i) {
    const double a = InstallerRound(&log);
    ASSERT_GT(a, 0) << "the installation did not complete";
    const double b = BareRound();
    ASSERT_GT(b, 0) << "the bare spooler calls failed, error " << GetLastError();
    installer.push_back(a);
    bare.push_back(b);
    std::printf("round %d: installer %.1f ms, bare spooler calls %.1f ms, ratio %.2f\n", i + 1, a * 1000, b * 1000,
                a / b);
    double previous = StampOf(log, "[ENTRY] RetractFileThread");
    for (size_t p = 0; p < phases.size(); ++p) {
      const double at = StampOf(log, phases[p].second);
      if (previous >= 0 && at >= 0) phase_times[p].push_back((at - previous) * 1000);
      if (at >= 0) previous = at;
    }
  }
  const double a = Median(installer), b = Median(bare);
  std::printf("median over %d rounds: installer (Install to message box) %.1f ms, bare spooler calls %.1f ms\n", rounds,
              a * 1000, b * 1000);
  std::printf("ratio installer / bare spooler calls: %.2f (goal: at most 1.50)\n", a / b);
  std::printf("where the installer's time goes (median, from its log, ms resolution):\n");
  for (size_t p = 0; p < phases.size(); ++p)
    std::printf("  %-40s %8.1f ms\n", phases[p].first.c_str(), Median(phase_times[p]));
}

}  // namespace
