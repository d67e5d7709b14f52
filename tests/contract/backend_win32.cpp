// The contract cases against real Windows services (run under Wine).
// clang-format off
#include <windows.h>
#include <winspool.h>
#include <setupapi.h>
#include <aclapi.h>
#include <sddl.h>
#include <winioctl.h>
// clang-format on

#include <cstring>

#include <gtest/gtest.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_machine.h"
#include "tests/contract/contract_backend.h"

namespace contract {

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  {
    platform::win32::unique_hfind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(find.get(), &data));
    }
  }
  ::RemoveDirectoryW(folder.c_str());
}

std::wstring MakeScratch() {
  wchar_t temp[MAX_PATH] = {};
  DWORD n = ::GetTempPathW(MAX_PATH, temp);
  std::wstring path(temp, n);
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  // A folder of this run's own: the prefix outlives the run.
  path += L"\\TavroContract-" + std::to_wstring(::GetCurrentProcessId());
  RemoveTree(path);
  ::CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

class ScratchCleanup : public ::testing::Environment {
 public:
  void TearDown() override { RemoveTree(ScratchFolder()); }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace

platform::Machine& TheMachine() {
  static platform::win32::Win32Machine machine;
  return machine;
}

const char* BackendName() { return "win32"; }

std::wstring ScratchFolder() {
  static const std::wstring folder = MakeScratch();
  return folder;
}

bool RunsOnWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");  // not owned: the module stays loaded
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

namespace {

const wchar_t kPrintKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print";

// Deletes `parent`\`name` with everything below it, where the calls before left it.
void DeleteKeyTree(HKEY root, const std::wstring& parent, const std::wstring& name) {
  platform::win32::unique_hkey key;
  if (::RegOpenKeyExW(root, parent.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) return;
  ::RegDeleteTreeW(key.get(), name.c_str());
  ::RegDeleteKeyExW(key.get(), name.c_str(), KEY_WOW64_64KEY, 0);
}

void DeleteValue(HKEY root, const std::wstring& key_name, const std::wstring& value) {
  platform::win32::unique_hkey key;
  if (::RegOpenKeyExW(root, key_name.c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
  ::RegDeleteValueW(key.get(), value.c_str());
}

}  // namespace

void RemovePrinter(const std::wstring& name) {
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE opened = nullptr;
  if (::OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &opened, &defaults)) {
    platform::win32::unique_hprinter printer(opened);
    ::DeletePrinter(printer.get());
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(kPrintKey) + L"\\Printers", name);
  // The per-user lists Wine's spooler also writes.
  for (const wchar_t* list : {L"Devices", L"PrinterPorts"}) {
    DeleteValue(HKEY_CURRENT_USER, std::wstring(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\") + list, name);
  }
}

void RemovePrinterDriver(const std::wstring& name, const std::wstring& environment) {
  ::DeletePrinterDriverW(nullptr, const_cast<LPWSTR>(environment.c_str()), const_cast<LPWSTR>(name.c_str()));
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(kPrintKey) + L"\\Environments\\" + environment + L"\\Drivers\\Version-3",
                name);
}

void RemoveMonitor(const std::wstring& name, const std::wstring& environment) {
  ::DeleteMonitorW(nullptr, const_cast<LPWSTR>(environment.c_str()), const_cast<LPWSTR>(name.c_str()));
  DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(kPrintKey) + L"\\Monitors", name);
}

void RemoveService(const std::wstring& name) {
  platform::win32::unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return;
  platform::win32::unique_schandle service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return;
  SERVICE_STATUS status = {};
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  ::DeleteService(service.get());
}

namespace {

// GUID_DEVCLASS_PORTS: the class of a Bluetooth serial port.
const GUID kClassPorts = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

}  // namespace

std::string AddTestDevice(const std::wstring& instance_id, const std::wstring& port_name) {
  platform::win32::unique_hdevinfo set(SetupDiCreateDeviceInfoList(&kClassPorts, nullptr));
  if (!set) return "SetupDiCreateDeviceInfoList " + std::to_string(GetLastError());
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiCreateDeviceInfoW(set.get(), instance_id.c_str(), &kClassPorts, L"Standard Serial over Bluetooth link",
                                nullptr, 0, &data))
    return "SetupDiCreateDeviceInfoW " + std::to_string(GetLastError());
  if (!SetupDiRegisterDeviceInfo(set.get(), &data, 0, nullptr, nullptr, nullptr))
    return "SetupDiRegisterDeviceInfo " + std::to_string(GetLastError());
  if (port_name.empty()) return "";
  HKEY created = SetupDiCreateDevRegKeyW(set.get(), &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  if (created == INVALID_HANDLE_VALUE) return "SetupDiCreateDevRegKeyW " + std::to_string(GetLastError());
  platform::win32::unique_hkey key(created);
  LONG result = RegSetValueExW(key.get(), L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port_name.c_str()),
                               static_cast<DWORD>((port_name.size() + 1) * sizeof(wchar_t)));
  return result == ERROR_SUCCESS ? "" : "RegSetValueExW " + std::to_string(result);
}

namespace {

std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (sid == nullptr || !::ConvertSidToStringSidW(sid, &text)) return L"";
  platform::win32::unique_hlocal owner(text);
  return text;
}

}  // namespace

bool ReadAccess(const std::wstring& path, AccessList* out) {
  *out = AccessList();
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  DWORD result = ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                         &dacl, nullptr, &sd);
  platform::win32::unique_hlocal sd_owner(sd);
  if (result != ERROR_SUCCESS) return false;
  out->owner = SidText(owner);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (::GetSecurityDescriptorControl(sd, &control, &revision)) out->is_protected = (control & SE_DACL_PROTECTED) != 0;
  if (dacl == nullptr) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) continue;
    auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) continue;
    // Allowed and denied entries share one layout: header, mask, SID.
    auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    out->entries.push_back({header->AceType == ACCESS_ALLOWED_ACE_TYPE, header->AceFlags, entry->Mask,
                            SidText(reinterpret_cast<PSID>(&entry->SidStart))});
  }
  return true;
}

bool MakeHardLink(const std::wstring& link, const std::wstring& existing) {
  return ::CreateHardLinkW(link.c_str(), existing.c_str(), nullptr) != FALSE;
}

std::string MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return "CreateDirectoryW " + std::to_string(::GetLastError());
  platform::win32::unique_hfile folder(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                                     nullptr));
  if (!folder) return "CreateFileW " + std::to_string(::GetLastError());
  // The mount-point layout of REPARSE_DATA_BUFFER: the substitute name "\??\<target>" and an
  // empty print name, each with its NUL.
  const std::wstring substitute = L"\\??\\" + target;
  const WORD substitute_bytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  struct MountPoint {
    DWORD tag;
    WORD data_length;
    WORD reserved;
    WORD substitute_offset;
    WORD substitute_length;
    WORD print_offset;
    WORD print_length;
    wchar_t path[1024];
  } buffer = {};
  if (substitute.size() + 2 > 1024) return "target too long";
  buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
  buffer.substitute_length = substitute_bytes;
  buffer.print_offset = static_cast<WORD>(substitute_bytes + sizeof(wchar_t));
  std::memcpy(buffer.path, substitute.c_str(), substitute_bytes);
  buffer.data_length = static_cast<WORD>(8 + substitute_bytes + 2 * sizeof(wchar_t));
  DWORD returned = 0;
  if (!::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, &buffer, 8 + buffer.data_length, nullptr, 0, &returned,
                         nullptr)) {
    std::string why = "FSCTL_SET_REPARSE_POINT " + std::to_string(::GetLastError());
    folder.reset();
    ::RemoveDirectoryW(link.c_str());
    return why;
  }
  return "";
}

bool RemoveTestDevice(const std::wstring& instance_id) {
  platform::win32::unique_hdevinfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  if (!set) return false;
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiOpenDeviceInfoW(set.get(), instance_id.c_str(), nullptr, 0, &data)) return true;
  return SetupDiRemoveDevice(set.get(), &data) != FALSE;
}

}  // namespace contract
