// DLL planting: a DLL put beside a downloaded program under the name of a library that Windows
// does not count among its known DLLs is loaded from there first. The installer runs elevated, so
// none may run inside it. Under Wine, WINEDLLOVERRIDES="<name>=n,b" (set by ctest for this
// program and inherited by what it starts) makes Wine load such a library as Windows does, the
// program's folder first; each planted copy of planting/planted_dll.c leaves "<its path>.loaded"
// when a process loads it.
//
// The control program (planting/planting_probe.c) imports the spooler statically and loads the
// other names by their bare names: beside the same planted files it must set off every marker,
// or the installer's clean result would prove nothing.
#include "tests/wine/installer_driver.h"

#include <string>
#include <vector>

#include "platform/win32/system_library.h"
#include "platform/win32/winspool_api.h"

#ifndef TAVRO_PLANTED_DLL
#error "TAVRO_PLANTED_DLL names the DLL to plant"
#endif
#ifndef TAVRO_PLANTING_PROBE
#error "TAVRO_PLANTING_PROBE names the control program"
#endif

namespace {

using namespace driver;
using platform::win32::LoadSystemLibrary;
using platform::win32::LoadSystemLibraryWith;
using platform::win32::SystemLibrary;

// Windows libraries that are not known DLLs, which the installer uses at run time. Not here:
// version.dll and zlib1.dll, which Wine's own user32 and setupapi import. Wine resolves a builtin
// DLL's imports with the program's search order (a planted copy loads), where Windows takes a
// known DLL's dependencies from the system folder; the installer itself neither imports them
// (scripts/check-imports.sh) nor loads them.
const wchar_t* const kSystemNames[] = {L"winspool.drv", L"cfgmgr32.dll", L"bthprops.cpl"};
// The MinGW runtime, no part of Windows (nor of Wine: always loaded native): a program that
// imported one would load a planted copy (and on a clean Windows not start at all).
const wchar_t* const kForeignNames[] = {L"libgcc_s_dw2-1.dll", L"libgcc_s_seh-1.dll", L"libstdc++-6.dll",
                                        L"libwinpthread-1.dll"};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

// A folder of its own under the temporary folder, with the planted DLL under every name.
class PlantedFolder {
 public:
  PlantedFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"TavroPlanting" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
    for (const std::wstring& name : Names()) {
      ok_ = ok_ && CopyFileW(WindowsPath(TAVRO_PLANTED_DLL).c_str(), (folder_ + name).c_str(), FALSE);
    }
  }
  ~PlantedFolder() {
    for (const std::wstring& name : Names()) {
      DeleteFileW((folder_ + name).c_str());
      DeleteFileW((folder_ + name + L".loaded").c_str());
    }
    for (const std::wstring& name : extra_) {
      DeleteFileW((folder_ + name).c_str());
      DeleteFileW((folder_ + name + L".loaded").c_str());
    }
    RemoveDirectoryW(folder_.c_str());
  }
  PlantedFolder(const PlantedFolder&) = delete;
  PlantedFolder& operator=(const PlantedFolder&) = delete;

  static std::vector<std::wstring> Names() {
    std::vector<std::wstring> names(std::begin(kSystemNames), std::end(kSystemNames));
    names.insert(names.end(), std::begin(kForeignNames), std::end(kForeignNames));
    return names;
  }

  bool ok() const { return ok_; }
  const std::wstring& path() const { return folder_; }

  // Copies `source` into the folder as `name`; the copy's path.
  std::wstring Add(const std::wstring& source, const std::wstring& name) {
    extra_.push_back(name);
    if (!CopyFileW(source.c_str(), (folder_ + name).c_str(), FALSE)) return L"";
    return folder_ + name;
  }

  // The planted names whose marker exists, each with the program that loaded it.
  std::vector<std::string> Loaded() const {
    std::vector<std::string> loaded;
    for (const std::wstring& name : Names()) {
      std::wstring marker = folder_ + name + L".loaded";
      if (!FileExists(marker)) continue;
      std::string by = ReadFrom(marker, 0);
      std::wstring program(reinterpret_cast<const wchar_t*>(by.data()), by.size() / sizeof(wchar_t));
      loaded.push_back(Narrow(name) + " (loaded by " + Narrow(program) + ")");
    }
    return loaded;
  }

 private:
  std::wstring folder_;
  std::vector<std::wstring> extra_;
  bool ok_ = true;
};

// The order ctest starts this program with (tests/wine/CMakeLists.txt): a Wine process reads
// WINEDLLOVERRIDES from the environment it was started with, and the processes it starts inherit
// that, not a value it sets itself. Without it the control would find nothing: fail instead.
void ExpectOverrides() {
  wchar_t value[1024] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", value, 1024);
  std::wstring overrides = value;
  for (const wchar_t* name : {L"winspool.drv", L"cfgmgr32", L"bthprops.cpl"}) {
    ASSERT_NE(overrides.find(name), std::wstring::npos)
        << "WINEDLLOVERRIDES lacks " << Narrow(name) << ": \"" << Narrow(overrides) << "\"";
  }
  ASSERT_NE(overrides.find(L"=n,b"), std::wstring::npos) << Narrow(overrides);
}

// Runs `program` with `arguments` until it ends: its exit code, or -1 when it could not start
// or did not end.
long RunToEnd(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "CreateProcessW failed, Error=" << GetLastError();
    return -1;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, kWaitMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    TerminateProcess(pi.hProcess, 99);
    ADD_FAILURE() << "the program did not end";
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<long>(code);
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n  " + line;
  return out;
}

TEST(DllPlantingTest, ControlProgramLoadsEveryPlantedDll) {
  ExpectOverrides();
  PlantedFolder planted;
  ASSERT_TRUE(planted.ok()) << "cannot plant into " << Narrow(planted.path());
  std::wstring probe = planted.Add(WindowsPath(TAVRO_PLANTING_PROBE), L"probe.exe");
  ASSERT_FALSE(probe.empty());
  std::wstring names;
  for (const std::wstring& name : PlantedFolder::Names()) {
    if (name != L"winspool.drv") names += name + L" ";  // that one is its import
  }
  EXPECT_EQ(RunToEnd(probe, names), 0) << "a planted DLL did not load by its bare name";
  std::vector<std::string> loaded = planted.Loaded();
  EXPECT_EQ(loaded.size(), PlantedFolder::Names().size()) << "loaded:" << Join(loaded);
  for (const std::wstring& name : PlantedFolder::Names()) {
    EXPECT_TRUE(FileExists(planted.path() + name + L".loaded")) << Narrow(name) << " left no marker";
  }
}

TEST(DllPlantingTest, InstallerLoadsNoneAndStartsUp) {
  ExpectOverrides();
  PlantedFolder planted;
  ASSERT_TRUE(planted.ok()) << "cannot plant into " << Narrow(planted.path());
  std::wstring copy = planted.Add(WindowsPath(TAVRO_INSTALLER), L"TavroPrintSetup.exe");
  ASSERT_FALSE(copy.empty());
  LogWatch log;
  Installer installer;
  ASSERT_TRUE(installer.Start(copy));
  HWND language = installer.WaitFor(Kind::kLanguage);
  ASSERT_NE(language, nullptr) << "the language dialog did not appear; planted DLLs loaded:" << Join(planted.Loaded());
  EXPECT_EQ(planted.Loaded(), std::vector<std::string>()) << "before the language dialog";

  // On to the main dialog, whose port lists and device search use the spooler and the
  // configuration manager: loaded then, from the system folder only.
  RemoveInstallTextFiles();
  RemoteList rows(installer.process(), GetDlgItem(language, kLanguageList));
  ASSERT_TRUE(rows.ok());
  rows.SetSelected(2, true);
  Click(language, IDOK);
  HWND main = installer.WaitFor(Kind::kMain);
  ASSERT_NE(main, nullptr) << "the main dialog did not appear";
  // Each port type fills its list through the spooler (and Bluetooth searches for a radio).
  for (int type : {1060 /* serial */, 1062 /* LPT */, 1063 /* network */, 1064 /* Bluetooth */, 1059 /* USB */})
    ClickAndWait(main, type);
  CancelToExit(installer, main);
  EXPECT_EQ(planted.Loaded(), std::vector<std::string>()) << "by the end of the run";

  // A library that could not be loaded would show as a failure with its code.
  std::string run = log.Since();
  EXPECT_NE(run.find("Starting main dialog"), std::string::npos) << run;
  EXPECT_EQ(run.find("Error=126"), std::string::npos) << run;
  EXPECT_EQ(run.find("Error=127"), std::string::npos) << run;
}

TEST(SystemLibraryTest, LoadsFromTheSystemFolderNotFromTheCurrentOne) {
  PlantedFolder planted;
  ASSERT_TRUE(planted.ok());
  std::wstring local = planted.Add(WindowsPath(TAVRO_PLANTED_DLL), L"tavro_probe_local.dll");
  ASSERT_FALSE(local.empty());
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(planted.path().c_str()));

  // Control: a bare name is found in the current folder by the ordinary search.
  {
    platform::win32::unique_hmodule found(LoadLibraryW(L"tavro_probe_local.dll"));
    EXPECT_TRUE(found) << "Error=" << GetLastError();
    EXPECT_TRUE(FileExists(local + L".loaded"));
  }
  DeleteFileW((local + L".loaded").c_str());

  SetLastError(0);
  HMODULE none = LoadSystemLibrary(L"tavro_probe_local.dll");
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(FileExists(local + L".loaded"));

  platform::win32::unique_hmodule spooler(LoadSystemLibrary(L"winspool.drv"));
  ASSERT_TRUE(spooler) << "Error=" << GetLastError();
  EXPECT_EQ(Lower(ModulePath(spooler.get())), Lower(SystemFolder() + L"\\winspool.drv"));

  // Names with a folder are refused: the call is for system libraries only.
  for (const wchar_t* name : {L"..\\winspool.drv", L"C:winspool.drv", L"x/winspool.drv", L""}) {
    SetLastError(0);
    EXPECT_EQ(LoadSystemLibrary(name), nullptr) << Narrow(name);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << Narrow(name);
  }
  SetCurrentDirectoryW(previous);
}

// The loader a Windows 7 without KB2533623 has: no search flags (87); records what it was asked.
struct OldLoader {
  static std::vector<std::wstring> names;
  static std::vector<DWORD> flags;
  static HMODULE WINAPI Load(LPCWSTR name, HANDLE file, DWORD how) {
    names.push_back(name);
    flags.push_back(how);
    if (how & LOAD_LIBRARY_SEARCH_SYSTEM32) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    return LoadLibraryExW(name, file, how);
  }
  static HMODULE WINAPI Missing(LPCWSTR name, HANDLE, DWORD how) {
    names.push_back(name);
    flags.push_back(how);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
};
std::vector<std::wstring> OldLoader::names;
std::vector<DWORD> OldLoader::flags;

TEST(SystemLibraryTest, WithoutSearchFlagsLoadsTheFullSystemPath) {
  OldLoader::names.clear();
  OldLoader::flags.clear();
  platform::win32::unique_hmodule spooler(LoadSystemLibraryWith(&OldLoader::Load, L"winspool.drv"));
  ASSERT_TRUE(spooler) << "Error=" << GetLastError();
  ASSERT_EQ(OldLoader::names.size(), 2u);
  EXPECT_EQ(OldLoader::names[0], L"winspool.drv");
  EXPECT_EQ(OldLoader::flags[0], static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32));
  EXPECT_EQ(Lower(OldLoader::names[1]), Lower(SystemFolder() + L"\\winspool.drv"));
  EXPECT_EQ(OldLoader::flags[1], static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));

  // Any other failure is the answer: no second try under another name.
  OldLoader::names.clear();
  OldLoader::flags.clear();
  SetLastError(0);
  EXPECT_EQ(LoadSystemLibraryWith(&OldLoader::Missing, L"cfgmgr32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(OldLoader::names.size(), 1u);
}

TEST(SystemLibraryTest, MissingModuleOrEntryFailsWith126Or127EveryTime) {
  SystemLibrary missing(L"tavro_no_such_library.dll");
  for (int attempt = 0; attempt < 2; ++attempt) {
    SetLastError(0);
    EXPECT_EQ(missing.Module(), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << "attempt " << attempt;
    SetLastError(0);
    EXPECT_EQ(missing.EntryAddress("AnyEntry"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << "attempt " << attempt;
  }

  SystemLibrary spooler(L"winspool.drv");
  HMODULE first = spooler.Module();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(spooler.Module(), first) << "loaded once";
  SetLastError(0);
  EXPECT_EQ(spooler.EntryAddress("TavroNoSuchEntry"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(spooler.EntryAddress("EnumPortsW"), nullptr);
}

TEST(SystemLibraryTest, SpoolerCallsReachTheRealSpooler) {
  DWORD needed = 0;
  DWORD returned = 0;
  EXPECT_FALSE(platform::win32::winspool::EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(needed, 0u);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(platform::win32::winspool::EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &returned))
      << "Error=" << GetLastError();
  bool com1 = false;
  const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < returned; ++i) com1 = com1 || std::wstring(ports[i].pPortName) == L"COM1:";
  EXPECT_TRUE(com1) << returned << " ports, no COM1:";
  // A handle the spooler never gave: refused as the spooler refuses it, not by a missing entry.
  platform::win32::winspool::ClosePrinterFn close_printer = platform::win32::winspool::ClosePrinterEntry();
  ASSERT_NE(close_printer, nullptr) << "Error=" << GetLastError();
  SetLastError(0);
  EXPECT_FALSE(close_printer(nullptr));
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

// Last: it changes this process's default search for good.
TEST(SystemLibraryTest, ZHardenedSearchIgnoresTheCurrentFolder) {
  PlantedFolder planted;
  ASSERT_TRUE(planted.ok());
  std::wstring local = planted.Add(WindowsPath(TAVRO_PLANTED_DLL), L"tavro_probe_hardened.dll");
  ASSERT_FALSE(local.empty());
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(planted.path().c_str()));
  ASSERT_TRUE(platform::win32::HardenDllSearch()) << "SetDefaultDllDirectories is missing or failed";
  SetLastError(0);
  platform::win32::unique_hmodule found(LoadLibraryW(L"tavro_probe_hardened.dll"));
  EXPECT_FALSE(found);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(FileExists(local + L".loaded"));
  // System libraries still load by name.
  platform::win32::unique_hmodule version(LoadLibraryW(L"version.dll"));
  EXPECT_TRUE(version) << "Error=" << GetLastError();
  SetCurrentDirectoryW(previous);
  DeleteFileW((local + L".loaded").c_str());
}

}  // namespace
