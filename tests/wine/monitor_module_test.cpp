// The port monitor DLL this tree builds (payload_programs/tavrolm.c), driven as a spooler drives
// it: InitializePrintMonitor2 with the spooler's registry functions (here the test's, over a key
// under HKEY_CURRENT_USER, counting their calls) or with functions a spooler left unimplemented
// (then the monitor keeps a key of its own), then its ports: adding, listing, a job written to a
// port's target, the refusals.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"

#ifndef TAVRO_MONITOR_MODULE
#error "TAVRO_MONITOR_MODULE names this tree's port monitor DLL"
#endif

namespace {

using platform::win32::unique_hkey;
using platform::win32::unique_hmodule;

const wchar_t kRoot[] = L"Software\\TavroMonitorModuleTest";

std::wstring WindowsPath(const char* path) {
  std::wstring out = path[0] == '/' ? L"Z:" : L"";
  for (const char* p = path; *p != 0; ++p) out += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return out;
}

// ---- A spooler's registry functions over advapi32, counting the calls ----

int g_reg_calls = 0;

LONG WINAPI CreateKeyFn(HANDLE key, LPCWSTR sub, DWORD options, REGSAM sam, PSECURITY_ATTRIBUTES sa, PHANDLE out,
                        PDWORD disposition, HANDLE) {
  ++g_reg_calls;
  return RegCreateKeyExW(static_cast<HKEY>(key), sub, 0, nullptr, options, sam, sa, reinterpret_cast<PHKEY>(out),
                         disposition);
}
LONG WINAPI OpenKeyFn(HANDLE key, LPCWSTR sub, REGSAM sam, PHANDLE out, HANDLE) {
  ++g_reg_calls;
  return RegOpenKeyExW(static_cast<HKEY>(key), sub, 0, sam, reinterpret_cast<PHKEY>(out));
}
LONG WINAPI CloseKeyFn(HANDLE key, HANDLE) {
  ++g_reg_calls;
  return RegCloseKey(static_cast<HKEY>(key));
}
LONG WINAPI DeleteKeyFn(HANDLE key, LPCWSTR sub, HANDLE) {
  ++g_reg_calls;
  return RegDeleteKeyW(static_cast<HKEY>(key), sub);
}
LONG WINAPI EnumKeyFn(HANDLE key, DWORD index, LPWSTR name, PDWORD chars, PFILETIME time, HANDLE) {
  ++g_reg_calls;
  return RegEnumKeyExW(static_cast<HKEY>(key), index, name, chars, nullptr, nullptr, nullptr, time);
}
LONG WINAPI QueryValueFn(HANDLE key, LPCWSTR value, PDWORD type, PBYTE data, PDWORD bytes, HANDLE) {
  ++g_reg_calls;
  return RegQueryValueExW(static_cast<HKEY>(key), value, nullptr, type, data, bytes);
}
LONG WINAPI NotImplementedCreate(HANDLE, LPCWSTR, DWORD, REGSAM, PSECURITY_ATTRIBUTES, PHANDLE, PDWORD, HANDLE) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}

using InitializeFn = LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE);

class MonitorModuleTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root_.put(), nullptr),
              ERROR_SUCCESS);
    module_.reset(LoadLibraryW(WindowsPath(TAVRO_MONITOR_MODULE).c_str()));
    ASSERT_TRUE(module_) << GetLastError();
    auto init = reinterpret_cast<InitializeFn>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), "InitializePrintMonitor2")));
    ASSERT_NE(init, nullptr);
    reg_.cbSize = sizeof reg_;
    reg_.fpCreateKey = GetParam() ? CreateKeyFn : NotImplementedCreate;
    reg_.fpOpenKey = OpenKeyFn;
    reg_.fpCloseKey = CloseKeyFn;
    reg_.fpDeleteKey = DeleteKeyFn;
    reg_.fpEnumKey = EnumKeyFn;
    reg_.fpQueryValue = QueryValueFn;
    MONITORINIT monitor_init = {};
    monitor_init.cbSize = sizeof monitor_init;
    monitor_init.hckRegistryRoot = root_.get();
    monitor_init.pMonitorReg = &reg_;
    monitor_init.bLocal = TRUE;
    g_reg_calls = 0;
    monitor_ = init(&monitor_init, &handle_);
    ASSERT_NE(monitor_, nullptr) << GetLastError();
    ASSERT_GE(monitor_->cbSize, offsetof(MONITOR2, pfnShutdown) + sizeof(void*));
  }
  void TearDown() override {
    if (monitor_ != nullptr) monitor_->pfnShutdown(handle_);
    root_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  }

  BOOL AddPort(const wchar_t* name) {
    std::wstring n = name;
    PORT_INFO_1W info = {&n[0]};
    return monitor_->pfnAddPortEx(handle_, nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr);
  }

  std::vector<std::wstring> Ports(DWORD level) {
    DWORD needed = 0, count = 0;
    EXPECT_FALSE(monitor_->pfnEnumPorts(handle_, nullptr, level, nullptr, 0, &needed, &count) && needed > 0);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::wstring> out;
    if (!monitor_->pfnEnumPorts(handle_, nullptr, level, buffer.data(), needed, &needed, &count)) return out;
    for (DWORD i = 0; i < count; ++i) {
      out.push_back(level == 1 ? reinterpret_cast<PORT_INFO_1W*>(buffer.data())[i].pName
                               : reinterpret_cast<PORT_INFO_2W*>(buffer.data())[i].pPortName);
    }
    return out;
  }

  unique_hkey root_;
  unique_hmodule module_;
  MONITORREG reg_ = {};
  LPMONITOR2 monitor_ = nullptr;
  HANDLE handle_ = nullptr;
};

TEST_P(MonitorModuleTest, KeepsItsPortsUnderItsKeyAndWritesJobsToTheTarget) {
  const bool spooler_registry = GetParam();
  ASSERT_TRUE(AddPort(L"Tavro TR-80-Port:")) << GetLastError();
  EXPECT_TRUE(AddPort(L"Second:"));
  EXPECT_FALSE(AddPort(L"tavro tr-80-port:")) << "the same name in another case";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(AddPort(L"a\\b"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(monitor_->pfnAddPortEx(handle_, nullptr, 2, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

  // The ports are the subkeys of "Ports" under the key the spooler handed over, reached through
  // its registry functions when they work.
  unique_hkey key;
  EXPECT_EQ(RegOpenKeyExW(root_.get(), L"Ports\\Tavro TR-80-Port:", 0, KEY_READ | KEY_SET_VALUE, key.put()),
            ERROR_SUCCESS);
  if (spooler_registry) EXPECT_GT(g_reg_calls, 0);
  EXPECT_EQ(Ports(1), (std::vector<std::wstring>{L"Second:", L"Tavro TR-80-Port:"}));
  EXPECT_EQ(Ports(2), (std::vector<std::wstring>{L"Second:", L"Tavro TR-80-Port:"}));
  DWORD needed = 0, count = 0;
  EXPECT_FALSE(monitor_->pfnEnumPorts(handle_, nullptr, 3, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));

  // A job: not ready without a target; with one, the bytes land there.
  wchar_t name[] = L"Tavro TR-80-Port:", unknown[] = L"COM9:";
  HANDLE port = nullptr;
  EXPECT_FALSE(monitor_->pfnOpenPort(handle_, unknown, &port));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  ASSERT_TRUE(monitor_->pfnOpenPort(handle_, name, &port));
  EXPECT_FALSE(monitor_->pfnStartDocPort(port, nullptr, 1, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
  wchar_t temp[MAX_PATH] = {}, file[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  GetTempFileNameW(temp, L"tvm", 0, file);  // creates the file: a target must exist
  const std::wstring target = file;
  ASSERT_EQ(RegSetValueExW(key.get(), L"Target", 0, REG_SZ, reinterpret_cast<const BYTE*>(target.c_str()),
                           static_cast<DWORD>((target.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  ASSERT_TRUE(monitor_->pfnStartDocPort(port, nullptr, 1, 1, nullptr)) << GetLastError();
  BYTE job[] = {0x1B, '@', 'h', 'i', '\n'};
  DWORD written = 0;
  EXPECT_TRUE(monitor_->pfnWritePort(port, job, sizeof job, &written));
  EXPECT_EQ(written, sizeof job);
  EXPECT_TRUE(monitor_->pfnEndDocPort(port));
  EXPECT_FALSE(monitor_->pfnWritePort(port, job, sizeof job, &written)) << "no job after EndDocPort";
  EXPECT_TRUE(monitor_->pfnClosePort(port));
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, sizeof job);
  DeleteFileW(target.c_str());

  // The Xcv commands a port dialog sends, and DeletePort.
  HANDLE xcv = nullptr;
  ASSERT_TRUE(monitor_->pfnXcvOpenPort(handle_, L"", SERVER_ACCESS_ADMINISTER, &xcv));
  wchar_t ui[64] = {};
  needed = 0;
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"MonitorUI", nullptr, 0, reinterpret_cast<PBYTE>(ui), sizeof ui, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_STREQ(ui, L"TavroPrintMonUI.dll");
  wchar_t third[] = L"Third:";
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"AddPort", reinterpret_cast<PBYTE>(third), sizeof third, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"AddPort", reinterpret_cast<PBYTE>(third), sizeof third, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"DeletePort", reinterpret_cast<PBYTE>(third), sizeof third, nullptr, 0,
                                     &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"DeletePort", reinterpret_cast<PBYTE>(third), sizeof third, nullptr, 0,
                                     &needed),
            static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  EXPECT_EQ(monitor_->pfnXcvDataPort(xcv, L"Frobnicate", nullptr, 0, nullptr, 0, &needed),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(monitor_->pfnXcvClosePort(xcv));
  wchar_t second[] = L"Second:";
  EXPECT_TRUE(monitor_->pfnDeletePort(handle_, nullptr, nullptr, second));
  EXPECT_EQ(Ports(1), (std::vector<std::wstring>{L"Tavro TR-80-Port:"}));
}

INSTANTIATE_TEST_SUITE_P(SpoolerRegistry, MonitorModuleTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ThroughTheSpoolersFunctions" : "ThroughAKeyOfItsOwn";
                         });

}  // namespace
