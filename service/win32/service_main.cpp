// TavroPrinterService.exe, the Windows service "Mavrin Service" (Mavrin Printer Monitor): a thin
// entry over the service's logic (service/service_loop.h). ServiceMain reports the states with
// wait hints, registers for USB printer device notifications and runs the logic on its own thread;
// the control handler turns stop, shutdown and device events into events the logic waits on. A
// stop is an event the run notices; no thread is ever killed. Started by hand (not by the service
// control manager) it says what it is and ends.
#include <windows.h>
#include <dbt.h>

#include <mutex>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_machine.h"
#include "service/printer_monitor.h"
#include "service/printer_ports.h"
#include "service/service_loop.h"

namespace {

using platform::win32::unique_handle;
using platform::win32::unique_hdevnotify;

wchar_t kServiceName[] = L"Mavrin Service";
constexpr DWORD kStartWaitHint = 10000;
// A check in progress (a device scan) finishes before the run sees the stop.
constexpr DWORD kStopWaitHint = 15000;
constexpr const char* kFnMain = "ServiceMain";
#define MAIN_LOG(...) LogPrint(kLogUnitService, kFnMain, __LINE__, __VA_ARGS__)

// GUID_DEVINTERFACE_USBPRINT and GUID_DEVINTERFACE_USB_DEVICE.
const GUID kUsbPrintInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
const GUID kUsbDeviceInterface = {0xa5dcbf10, 0x6530, 0x11d2, {0x90, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x51, 0xed}};

// The service's stop and change events, waited on together with a timeout.
class Win32Signals : public ServiceSignals {
 public:
  // False with the last error when an event cannot be made.
  bool Create() {
    stop_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    changed_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return stop_ && changed_;
  }
  void Stop() { ::SetEvent(stop_.get()); }
  void Changed() { ::SetEvent(changed_.get()); }
  ServiceWake Wait(uint32_t timeout_ms) override {
    HANDLE events[] = {stop_.get(), changed_.get()};
    DWORD result = ::WaitForMultipleObjects(2, events, FALSE, timeout_ms);
    if (result == WAIT_OBJECT_0 + 1) return ServiceWake::kChanged;
    if (result == WAIT_TIMEOUT) return ServiceWake::kTimeout;
    // The stop event, or a wait that failed: nothing could be waited for any more.
    return ServiceWake::kStop;
  }

 private:
  unique_handle stop_;
  unique_handle changed_;
};

// The one service this process runs: its status, reported from ServiceMain's thread and from the
// control handler's, under one lock.
struct ServiceState {
  std::mutex lock;
  SERVICE_STATUS_HANDLE handle = nullptr;
  SERVICE_STATUS status = {};
  Win32Signals signals;
};
ServiceState g_service;

void Report(DWORD state, DWORD exit_code, DWORD wait_hint) {
  std::lock_guard<std::mutex> guard(g_service.lock);
  SERVICE_STATUS& s = g_service.status;
  // Once stopping, only the end may follow: a late start report must not undo a stop.
  if (s.dwCurrentState == SERVICE_STOP_PENDING && state != SERVICE_STOPPED && state != SERVICE_STOP_PENDING) return;
  s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  s.dwCurrentState = state;
  s.dwWin32ExitCode = exit_code;
  s.dwWaitHint = wait_hint;
  s.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  s.dwCheckPoint = pending ? s.dwCheckPoint + 1 : 0;
  ::SetServiceStatus(g_service.handle, &s);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD event_type, LPVOID, LPVOID) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Report(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHint);
      g_service.signals.Stop();
      return NO_ERROR;
    case SERVICE_CONTROL_DEVICEEVENT:
      if (event_type == DBT_DEVICEARRIVAL || event_type == DBT_DEVICEREMOVECOMPLETE) g_service.signals.Changed();
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

// Device-interface notifications to the service for one interface class; logged when refused.
unique_hdevnotify NotifyOn(const GUID& interface_class, const char* what) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = interface_class;
  unique_hdevnotify notify(::RegisterDeviceNotificationW(g_service.handle, &filter, DEVICE_NOTIFY_SERVICE_HANDLE));
  if (!notify) {
    MAIN_LOG("[WARN] ServiceMain - RegisterDeviceNotification for %s failed, Error=%d; the poll stands in\n", what,
             static_cast<int>(::GetLastError()));
  }
  return notify;
}

// The folder this program lies in (the install folder), without a trailing backslash.
std::wstring ProgramFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L"";
    if (n < path.size()) {
      std::wstring text(path.data(), n);
      size_t cut = text.find_last_of(L'\\');
      return cut == std::wstring::npos ? L"" : text.substr(0, cut);
    }
    path.resize(path.size() * 2);
  }
}

// The run between RUNNING and STOPPED, with the real machine and the log bound to it.
void RunWithMachine(DWORD argc, LPWSTR* argv) {
  platform::win32::Win32Machine machine;
  LogSetFileStem("TavroPrintService");
  LogSetBanner(false);
  LogAttachMachine(&machine);
  ServiceOptions options;
  std::vector<std::wstring> args;
  for (DWORD i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  if (!ParseServiceArgs(args, &options)) {
    MAIN_LOG("[WARN] ServiceMain - Start arguments not understood, poll every %u ms\n", options.poll_ms);
  }
  options.catalog_path = ProgramFolder() + L"\\Modules.json";
  {
    unique_hdevnotify usb_print = NotifyOn(kUsbPrintInterface, "USB printers");
    unique_hdevnotify usb_device = NotifyOn(kUsbDeviceInterface, "USB devices");
    std::unique_ptr<PrinterPorts> ports = MakeSpoolerPrinterPorts(machine.spooler());
    Report(SERVICE_RUNNING, NO_ERROR, 0);
    RunPrinterService(machine, *ports, g_service.signals, options);
  }
  LogStop();
  LogAttachMachine(nullptr);
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
  g_service.handle = ::RegisterServiceCtrlHandlerExW(kServiceName, ControlHandler, nullptr);
  if (g_service.handle == nullptr) return;
  Report(SERVICE_START_PENDING, NO_ERROR, kStartWaitHint);
  if (!g_service.signals.Create()) {
    Report(SERVICE_STOPPED, ::GetLastError(), 0);
    return;
  }
  RunWithMachine(argc, argv);
  Report(SERVICE_STOPPED, NO_ERROR, 0);
}

// Started by hand: one line to the console it was started from (or to its standard output),
// otherwise a message box.
void SayWhatThisIs() {
  const char text[] =
      "TavroPrinterService.exe is the Windows service \"Mavrin Service\" (Mavrin Printer Monitor). "
      "The service control manager starts it; it does nothing when started by hand.\r\n";
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN) {
    ::WriteFile(out, text, sizeof(text) - 1, &written, nullptr);
    return;
  }
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    platform::win32::unique_hfile console(::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                                        OPEN_EXISTING, 0, nullptr));
    if (console) ::WriteFile(console.get(), text, sizeof(text) - 1, &written, nullptr);
    console.reset();
    ::FreeConsole();
    return;
  }
  ::MessageBoxA(nullptr, text, "Mavrin Service", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL by name: system DLLs come from the system folder only.
  platform::win32::HardenDllSearch();
  SERVICE_TABLE_ENTRYW table[] = {{kServiceName, ServiceMain}, {nullptr, nullptr}};
  if (::StartServiceCtrlDispatcherW(table)) return 0;
  DWORD code = ::GetLastError();
  if (code == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) SayWhatThisIs();
  return static_cast<int>(code);
}
