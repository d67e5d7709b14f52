// The machine as a Windows test program sees it from outside the installer: the spooler's
// printers and drivers, registry values and keys, services, folders and the files an
// installation of a printer leaves, and the means to remove them again.
#pragma once

// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

#include <string>
#include <vector>

namespace outside {

constexpr wchar_t kEnvX86[] = L"Windows NT x86";
constexpr wchar_t kEnvX64[] = L"Windows x64";

inline bool IsWow64Self() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The environment this process's spooler looks drivers up in.
inline const wchar_t* OwnEnvironment() { return sizeof(void*) == 8 ? kEnvX64 : kEnvX86; }
// The environment the installer registers its driver for: the 64-bit one under WOW64, otherwise
// the 32-bit one.
inline const wchar_t* InstallerEnvironment() { return IsWow64Self() ? kEnvX64 : kEnvX86; }
inline const char* InstallerFunction() {
  return IsWow64Self() ? "InstallPrinterDriver64" : "InstallPrinterDriver32";
}

// Where the installer places its driver files: the driver directory of the environment it
// registers the driver for (the x64 one under WOW64, where the spooler looks for them).
inline std::wstring DriverDirectory() {
  wchar_t dir[MAX_PATH] = {};
  std::wstring env = InstallerEnvironment();
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, &env[0], 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed)) return L"";
  return dir;
}

inline std::wstring Expand(const wchar_t* text) {
  wchar_t out[MAX_PATH] = {};
  ExpandEnvironmentStringsW(text, out, MAX_PATH);
  return out;
}

// The folder the installer puts a printer's files in by default.
inline std::wstring InstallFolder(const std::wstring& printer) {
  return Expand(L"%ProgramFiles%\\USB Printer\\") + printer;
}

struct PrinterEntry {
  std::wstring name, port, driver;
};

inline std::vector<PrinterEntry> Printers() {
  std::vector<PrinterEntry> out;
  DWORD needed = 0, count = 0;
  EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  if (needed == 0) return out;
  std::vector<BYTE> buffer(needed);
  if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count)) return out;
  const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    out.push_back({info[i].pPrinterName, info[i].pPortName ? info[i].pPortName : L"",
                   info[i].pDriverName ? info[i].pDriverName : L""});
  return out;
}

inline const PrinterEntry* FindPrinter(const std::vector<PrinterEntry>& printers, const std::wstring& name) {
  for (const PrinterEntry& p : printers)
    if (p.name == name) return &p;
  return nullptr;
}

inline std::vector<std::wstring> DriverNames(const wchar_t* environment) {
  std::vector<std::wstring> out;
  std::wstring env = environment;
  DWORD needed = 0, count = 0;
  EnumPrinterDriversW(nullptr, &env[0], 1, nullptr, 0, &needed, &count);
  if (needed == 0) return out;
  std::vector<BYTE> buffer(needed);
  if (!EnumPrinterDriversW(nullptr, &env[0], 1, buffer.data(), needed, &needed, &count)) return out;
  const DRIVER_INFO_1W* info = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) out.push_back(info[i].pName);
  return out;
}

inline bool HasDriver(const wchar_t* environment, const std::wstring& name) {
  for (const std::wstring& d : DriverNames(environment))
    if (d == name) return true;
  return false;
}

inline std::wstring DefaultPrinter() {
  wchar_t name[512] = {};
  DWORD size = 512;
  if (!GetDefaultPrinterW(name, &size)) return L"";
  return name;
}

// A registry value, or nothing when it cannot be read.
struct RegRead {
  bool ok = false;
  DWORD type = 0;
  std::vector<BYTE> data;
};

inline RegRead ReadValue(HKEY root, const std::wstring& key, const wchar_t* value, REGSAM view) {
  RegRead r;
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return r;
  DWORD size = 0;
  if (RegQueryValueExW(h, value, nullptr, &r.type, nullptr, &size) == ERROR_SUCCESS) {
    r.data.resize(size + sizeof(wchar_t) * 2);
    r.ok = RegQueryValueExW(h, value, nullptr, &r.type, r.data.data(), &size) == ERROR_SUCCESS;
    r.data.resize(size);
  }
  RegCloseKey(h);
  return r;
}

inline std::wstring ReadSz(HKEY root, const std::wstring& key, const wchar_t* value, REGSAM view = 0) {
  RegRead r = ReadValue(root, key, value, view);
  if (!r.ok || (r.type != REG_SZ && r.type != REG_EXPAND_SZ)) return L"<missing>";
  std::wstring s(reinterpret_cast<const wchar_t*>(r.data.data()), r.data.size() / sizeof(wchar_t));
  while (!s.empty() && s.back() == L'\0') s.pop_back();
  return s;
}

inline long long ReadDword(HKEY root, const std::wstring& key, const wchar_t* value, REGSAM view = 0) {
  RegRead r = ReadValue(root, key, value, view);
  if (!r.ok || r.type != REG_DWORD || r.data.size() != 4) return -1;
  return *reinterpret_cast<const DWORD*>(r.data.data());
}

inline std::vector<std::wstring> ReadMultiSz(HKEY root, const std::wstring& key, const wchar_t* value) {
  std::vector<std::wstring> out;
  RegRead r = ReadValue(root, key, value, 0);
  if (!r.ok || r.type != REG_MULTI_SZ) return out;
  const wchar_t* p = reinterpret_cast<const wchar_t*>(r.data.data());
  const wchar_t* end = p + r.data.size() / sizeof(wchar_t);
  while (p < end && *p != L'\0') {
    out.emplace_back(p);
    p += out.back().size() + 1;
  }
  return out;
}

inline bool KeyExists(HKEY root, const std::wstring& key, REGSAM view) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

inline void DeleteTree(HKEY root, const std::wstring& key, REGSAM view) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS | view, &h) != ERROR_SUCCESS) return;
  for (;;) {
    wchar_t sub[256];
    DWORD n = 256;
    if (RegEnumKeyExW(h, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    DeleteTree(root, key + L"\\" + sub, view);
    if (KeyExists(root, key + L"\\" + sub, view)) break;  // it cannot go: stop
  }
  RegCloseKey(h);
  RegDeleteKeyExW(root, key.c_str(), view, 0);
}

inline bool ServiceExists(const wchar_t* name) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return false;
  SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_CONFIG);
  bool exists = service != nullptr;
  if (service != nullptr) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return exists;
}

// Stops the service first (waiting up to 15 s), so that its program, now a real service that an
// installation starts, no longer runs from the folder a test removes next.
inline void DeleteServiceIfPresent(const wchar_t* name) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return;
  SC_HANDLE service = OpenServiceW(manager, name, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (service != nullptr) {
    SERVICE_STATUS status = {};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
      for (int i = 0; i < 150 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i) {
        Sleep(100);
      }
    }
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

inline void DeleteFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteFolder(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

// The files a printer's installation copies into the driver directory (and its "3" folder).
inline std::vector<std::wstring> DriverFiles(const std::wstring& printer) {
  const std::wstring dir = DriverDirectory();
  return {dir + L"\\" + printer + L"UI.dll",
          dir + L"\\" + printer + L"Drv.dll",
          dir + L"\\" + printer + L"_tavromon.exe",
          dir + L"\\" + printer + L"_tavropop.exe",
          dir + L"\\3\\" + printer + L"_tavromon.exe",
          dir + L"\\3\\" + printer + L"_tavropop.exe"};
}

inline std::wstring GpcFile(const std::wstring& printer) {
  return DriverDirectory() + L"\\" + printer + L"GPC.pcd";
}

// Registers `driver`, with the file names an installation of `model` gives its files, for this
// process's own environment: Wine's spooler runs in the calling process and looks a printer's
// driver up only there, where Windows' spooler service finds the one registered for the
// machine's environment. The files need not exist for the spooler to take it. 0 or the error.
inline DWORD RegisterDriverForOwnEnvironment(const std::wstring& driver, const std::wstring& model) {
  std::wstring name = driver, env = OwnEnvironment(), path = model + L"Drv.dll", data = model + L"GPC.pcd",
               config = model + L"UI.dll";
  DRIVER_INFO_2W info = {};
  info.cVersion = 3;
  info.pName = &name[0];
  info.pEnvironment = &env[0];
  info.pDriverPath = &path[0];
  info.pDataFile = &data[0];
  info.pConfigFile = &config[0];
  return AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) ? 0 : GetLastError();
}

// Removes what installations of `model` leave: the printers named after it and its first two
// copies, their drivers for `environments`, their keys, driver files, GPC files and install
// folders, the service, and the default printer when it names one of them.
inline void RemoveInstallationsOf(const std::wstring& model,
                                  const std::vector<const wchar_t*>& environments = {kEnvX86, kEnvX64}) {
  const std::wstring printers_key = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
  const std::wstring uninstall_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const wchar_t windows_key[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  DeleteServiceIfPresent(L"Mavrin Service");  // before the install folder it runs from goes
  for (std::wstring name : {model, model + L" (copy 1)", model + L" (copy 2)"}) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(&name[0], &printer, &defaults)) {
      DeletePrinter(printer);
      ClosePrinter(printer);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, printers_key + name, 0);
    std::wstring driver = name + L" Driver";
    for (std::wstring env : environments) {
      DeletePrinterDriverW(nullptr, &env[0], &driver[0]);
      DeleteTree(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + env +
                                         L"\\Drivers\\Version-3\\" + driver, 0);
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + name, view);
      DeleteTree(HKEY_LOCAL_MACHINE, uninstall_key + name, view);
    }
    for (const std::wstring& file : DriverFiles(name)) {
      DeleteFileW(file.c_str());
      RemoveDirectoryW(file.c_str());  // a folder a test put in a file's way
    }
    DeleteFileW(GpcFile(name).c_str());
    DeleteFolder(InstallFolder(name));
  }
  RemoveDirectoryW(Expand(L"%ProgramFiles%\\USB Printer").c_str());  // only when empty
  HKEY windows = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, windows_key, 0, KEY_ALL_ACCESS, &windows) == ERROR_SUCCESS) {
    if (ReadSz(HKEY_CURRENT_USER, windows_key, L"Device").rfind(model, 0) == 0) RegDeleteValueW(windows, L"Device");
    RegCloseKey(windows);
  }
}

// Sets COM1:'s serial settings under the spooler's Ports key (64-bit view).
inline void SetCom1Settings(const std::wstring& settings) {
  HKEY ports = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", 0,
                    KEY_SET_VALUE | KEY_WOW64_64KEY, &ports) == ERROR_SUCCESS) {
    RegSetValueExW(ports, L"COM1:", 0, REG_SZ, reinterpret_cast<const BYTE*>(settings.c_str()),
                   static_cast<DWORD>((settings.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(ports);
  }
}

}  // namespace outside
