// TavroPrinterService.exe as the service control manager runs it, under Wine: registered as a
// real own-process service, started with a short test poll ("--poll-ms=500"), seen RUNNING,
// following a TR-80 that the fixture moves from USB001 to USB002 (the old USBPRINT device goes,
// a new one on USB002 comes), and stopped within its wait hint. Started by hand it says what it
// is and ends with 1063. The fixture makes its own driver, printer, product key, ports and
// devices and removes them again, also those a run that died left behind.
// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cwchar>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "tests/wine/spooler_ports.h"
#include "tests/wine/wine_devices.h"

namespace {

using platform::win32::unique_handle;
using platform::win32::unique_hkey;
using platform::win32::unique_schandle;
using winetest::kClassPrinter;
using winetest::kClassUsb;
using winetest::TestDevice;

constexpr const wchar_t* kServiceName = L"Mavrin Service";
constexpr const wchar_t* kPrinter = L"Tavro TR-80";
constexpr const wchar_t* kDriver = L"Tavro TR-80 Driver";
constexpr const wchar_t* kProductKey = L"SOFTWARE\\Tavro TR-80";
constexpr const wchar_t* kFolder = L"C:\\windows\\temp\\TavroServiceTest";
const wchar_t* const kPorts[] = {L"USB001", L"USB002"};

const TestDevice kUsbNode = {L"USB\\VID_4A7F&PID_0080\\TAVROSV0001", &kClassUsb, nullptr,
                             L"USB\\VID_4A7F&PID_0080&REV_0100", L"USB Printing Support", L"Tavro", nullptr};
const TestDevice kOnUsb001 = {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E0B01&0&USB001", &kClassPrinter,
                              L"USB\\VID_4A7F&PID_0080\\TAVROSV0001", L"USBPRINT\\TAVROTR-80_RECEIPTD2F1",
                              L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROSV)"};
const TestDevice kOnUsb002 = {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E0B01&0&USB002", &kClassPrinter,
                              L"USB\\VID_4A7F&PID_0080\\TAVROSV0001", L"USBPRINT\\TAVROTR-80_RECEIPTD2F1",
                              L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROSV)"};

// A path of the build host as this Windows program names it (Wine maps / to Z:).
std::wstring WindowsPath(const char* path) {
  std::wstring out = path[0] == '/' ? L"Z:" : L"";
  for (const char* p = path; *p; ++p) out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  return out;
}

// The printer's port now (GetPrinterW level 2); empty when there is no such printer.
std::wstring PortOf(const wchar_t* name) {
  HANDLE raw = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(name), &raw, nullptr)) return L"";
  platform::win32::unique_hprinter printer(raw);
  DWORD needed = 0;
  GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed)) return L"";
  return reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->pPortName;
}

void DeletePrinterIfPresent(const wchar_t* name) {
  HANDLE raw = nullptr;
  PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!OpenPrinterW(const_cast<wchar_t*>(name), &raw, &access)) return;
  platform::win32::unique_hprinter printer(raw);
  DeletePrinter(printer.get());
}

// The service's log of today, as its last flush left it.
std::string ServiceLog() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t name[64];
  swprintf(name, 64, L"TavroPrintService_%04d_%02d_%02d.log", now.wYear, now.wMonth, now.wDay);
  std::wstring path = std::wstring(windows) + L"\\Temp\\TavroPrint\\Log\\" + name;
  platform::win32::unique_crt_file file(_wfopen(path.c_str(), L"rb"));
  std::string text;
  char buffer[4096];
  for (size_t n; file && (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, n);
  return text;
}

DWORD StateOf(SC_HANDLE service, SERVICE_STATUS_PROCESS* status) {
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(status), sizeof(*status), &needed))
    return 0;
  return status->dwCurrentState;
}

// Waits at most `ms` for the state; the last state seen.
DWORD WaitForState(SC_HANDLE service, DWORD wanted, DWORD ms, SERVICE_STATUS_PROCESS* status) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  DWORD state = StateOf(service, status);
  while (state != wanted && std::chrono::steady_clock::now() < end) {
    Sleep(50);
    state = StateOf(service, status);
  }
  return state;
}

class ServiceWine : public ::testing::Test {
 protected:
  void SetUp() override {
    CleanUp();
    manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager_) << GetLastError();
    CreateDirectoryW(kFolder, nullptr);
    ASSERT_TRUE(CopyFileW(WindowsPath(TAVRO_SERVICE_EXE).c_str(), Program().c_str(), FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileW(WindowsPath(TAVRO_SOURCE_DIR "/data/Modules.json").c_str(),
                          (std::wstring(kFolder) + L"\\Modules.json").c_str(), FALSE))
        << GetLastError();
  }
  void TearDown() override { CleanUp(); }

  std::wstring Program() { return std::wstring(kFolder) + L"\\TavroPrinterService.exe"; }

  void CleanUp() {
    unique_schandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    unique_schandle service(manager ? OpenServiceW(manager.get(), kServiceName, SERVICE_ALL_ACCESS) : nullptr);
    if (service) {
      SERVICE_STATUS status = {};
      SERVICE_STATUS_PROCESS process = {};
      ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
      WaitForState(service.get(), SERVICE_STOPPED, 15000, &process);
      DeleteService(service.get());
    }
    DeletePrinterIfPresent(kPrinter);
    for (const TestDevice* device : {&kOnUsb001, &kOnUsb002, &kUsbNode}) winetest::RemoveIfPresent(device->id);
    for (const wchar_t* port : kPorts) winetest::DeleteLocalPortIfPresent(port);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, 0);
    DeleteFileW(Program().c_str());
    DeleteFileW((std::wstring(kFolder) + L"\\Modules.json").c_str());
    RemoveDirectoryW(kFolder);
  }

  // What an installation of the TR-80 on USB001 leaves: driver, printer, product key.
  void InstallPrinterOnUsb001() {
    for (const wchar_t* port : kPorts) ASSERT_EQ(winetest::AddLocalPort(port), 0u);
    for (const wchar_t* environment : {L"Windows NT x86", L"Windows x64"}) {
      DRIVER_INFO_2W driver = {3, const_cast<wchar_t*>(kDriver), const_cast<wchar_t*>(environment),
                               const_cast<wchar_t*>(L"TavroDrv.dll"), const_cast<wchar_t*>(L"TavroGPC.pcd"),
                               const_cast<wchar_t*>(L"TavroUI.dll")};
      ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<BYTE*>(&driver))) << GetLastError();
    }
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(kPrinter);
    info.pPortName = const_cast<wchar_t*>(L"USB001");
    info.pDriverName = const_cast<wchar_t*>(kDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    ASSERT_NE(added, nullptr) << GetLastError();
    platform::win32::unique_hprinter printer(added);
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    unique_hkey key(raw);
    for (auto [name, data] : {std::pair<const wchar_t*, const wchar_t*>{L"PrinterName", kPrinter},
                              {L"PortName", L"USB001"},
                              {L"PrinterDriver", kDriver}}) {
      ASSERT_EQ(RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                               static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
    }
    ASSERT_EQ(winetest::Register(kUsbNode), "");
    ASSERT_EQ(winetest::Register(kOnUsb001), "");
  }

  unique_schandle CreateTheService(DWORD start_type) {
    std::wstring quoted = L"\"" + Program() + L"\"";
    return unique_schandle(CreateServiceW(manager_.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                          SERVICE_WIN32_OWN_PROCESS, start_type, SERVICE_ERROR_NORMAL,
                                          quoted.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  }

  unique_schandle manager_;
};

TEST_F(ServiceWine, StartsRunsFollowsAMovedPrinterAndStopsWithinItsWaitHint) {
  InstallPrinterOnUsb001();
  unique_schandle service = CreateTheService(SERVICE_DEMAND_START);
  ASSERT_TRUE(service) << GetLastError();
  const wchar_t* args[] = {L"--poll-ms=500"};
  ASSERT_TRUE(StartServiceW(service.get(), 1, args)) << GetLastError();
  SERVICE_STATUS_PROCESS status = {};
  ASSERT_EQ(WaitForState(service.get(), SERVICE_RUNNING, 10000, &status), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(status.dwControlsAccepted & (SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN),
            static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
  Sleep(1000);
  EXPECT_EQ(PortOf(kPrinter), L"USB001") << "the printer left the port its device is on";

  // Unplugged and plugged into another socket: Windows gives the printer device a new port.
  ASSERT_TRUE(winetest::RemoveIfPresent(kOnUsb001.id));
  ASSERT_EQ(winetest::Register(kOnUsb002), "");
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (PortOf(kPrinter) != L"USB002" && std::chrono::steady_clock::now() < end) Sleep(100);
  EXPECT_EQ(PortOf(kPrinter), L"USB002");

  SERVICE_STATUS stopped = {};
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &stopped)) << GetLastError();
  EXPECT_EQ(WaitForState(service.get(), SERVICE_STOPPED, 15000, &status), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
  std::string log = ServiceLog();
  EXPECT_NE(log.find("[INFO] Check - Moved printer Tavro TR-80 from USB001 to USB002"), std::string::npos) << log;
  EXPECT_NE(log.find("[EXIT] RunPrinterService - Stopped"), std::string::npos) << log;
}

TEST_F(ServiceWine, AnAutomaticServiceStartsAndStopsWithNothingToWatch) {
  unique_schandle service = CreateTheService(SERVICE_AUTO_START);
  ASSERT_TRUE(service) << GetLastError();
  ASSERT_TRUE(StartServiceW(service.get(), 0, nullptr)) << GetLastError();
  SERVICE_STATUS_PROCESS status = {};
  ASSERT_EQ(WaitForState(service.get(), SERVICE_RUNNING, 10000, &status), static_cast<DWORD>(SERVICE_RUNNING));
  SERVICE_STATUS stopped = {};
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &stopped)) << GetLastError();
  EXPECT_EQ(WaitForState(service.get(), SERVICE_STOPPED, 15000, &status), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(ServiceWine, StartedByHandItSaysWhatItIsAndEnds) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read_raw = nullptr, write_raw = nullptr;
  ASSERT_TRUE(CreatePipe(&read_raw, &write_raw, &inherit, 0));
  unique_handle read_end(read_raw), write_end(write_raw);
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  PROCESS_INFORMATION process = {};
  std::wstring command = L"\"" + Program() + L"\"";
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
      << GetLastError();
  unique_handle child(process.hProcess), thread(process.hThread);
  write_end.reset();
  ASSERT_EQ(WaitForSingleObject(child.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0)) << "it did not end";
  DWORD code = 0;
  GetExitCodeProcess(child.get(), &code);
  EXPECT_EQ(code, static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
  std::string said;
  char buffer[512];
  DWORD n = 0;
  while (ReadFile(read_end.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) said.append(buffer, n);
  EXPECT_NE(said.find("\"Mavrin Service\" (Mavrin Printer Monitor)"), std::string::npos) << said;
}

}  // namespace
