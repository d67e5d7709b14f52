// The log facility on a real Windows: a day's file appears under the Windows folder's
// Temp\TavroPrint\Log and opens with a banner made from the machine's own registry and calls; the
// folders grant nobody but SYSTEM and Administrators, and a day's file that is a second name of
// another file or is held open by another is not written.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/files.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_machine.h"

namespace {

std::string Gbk(const std::wstring& text) {
  int n = ::WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(936, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

// Reads a value of HKLM in the 64-bit view through the ANSI call; false when it is not there.
bool RegRead(const char* key, const char* name, DWORD* type, void* data, DWORD size) {
  platform::win32::unique_hkey k;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_64KEY, k.put()) != ERROR_SUCCESS)
    return false;
  return ::RegQueryValueExA(k.get(), name, nullptr, type, static_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
}

// The text of a REG_SZ value, or "" when it is missing or of another type.
std::string RegText(const char* key, const char* name) {
  char buf[512] = {};
  DWORD type = 0;
  if (!RegRead(key, name, &type, buf, sizeof(buf) - 1) || type != REG_SZ) return "";
  return buf;
}

bool RegDword(const char* key, const char* name, DWORD* out) {
  DWORD type = 0;
  return RegRead(key, name, &type, out, sizeof(*out)) && type == REG_DWORD;
}

std::string ReadAll(const std::string& path) {
  std::string out;
  platform::win32::unique_crt_file f(fopen(path.c_str(), "rb"));
  if (!f) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f.get())) > 0) out.append(buf, n);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// The banner as this machine must produce it, computed from Windows directly.
std::vector<std::string> ExpectedBanner(std::string* ram_prefix) {
  std::vector<std::string> b;
  const std::string rule(103, '=');
  b.push_back(rule);
  b.push_back(std::string(10, '\t') + "     " + Gbk(L"\u7cfb\u7edf\u4fe1\u606f") + std::string(12, '\t') + "   ");
  b.push_back(rule);
  char name[16] = {};
  DWORD size = sizeof(name);
  if (::GetComputerNameA(name, &size)) b.push_back(Gbk(L"\u8bbe\u5907\u540d\u79f0: ") + name);

  OSVERSIONINFOEXW vi = {};
  vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&vi));
#pragma GCC diagnostic pop
  DWORD major = 0, minor = 0, build = 0, ubr = 0;
  if (RegDword(kCurrentVersion, "CurrentMajorVersionNumber", &major)) {
    RegDword(kCurrentVersion, "CurrentMinorVersionNumber", &minor);
    build = strtoul(RegText(kCurrentVersion, "CurrentBuildNumber").c_str(), nullptr, 10);
  } else {
    major = vi.dwMajorVersion;
    minor = vi.dwMinorVersion;
    build = vi.dwBuildNumber;
  }
  if (!RegDword(kCurrentVersion, "UBR", &ubr)) ubr = 0;
  std::string product = RegText(kCurrentVersion, "ProductName");
  EXPECT_FALSE(product.empty()) << "this prefix has a ProductName";
  if (major == 10 && minor == 0 && build >= 22000 && product.find("Windows 10") != std::string::npos)
    product.replace(product.find("Windows 10"), 10, "Windows 11");
  b.push_back(Gbk(L"\u64cd\u4f5c\u7cfb\u7edf: ") + product);
  std::string display = RegText(kCurrentVersion, "DisplayVersion");
  if (display.empty()) display = RegText(kCurrentVersion, "ReleaseId");
  if (!display.empty()) b.push_back(Gbk(L"\u7248\u672c\u53f7: ") + display);
  char version[96];
  if (ubr)
    snprintf(version, sizeof version, "%lu.%lu.%lu.%lu", major, minor, build, ubr);
  else
    snprintf(version, sizeof version, "%lu.%lu.%lu", major, minor, build);
  b.push_back(Gbk(L"\u64cd\u4f5c\u7cfb\u7edf\u7248\u672c: ") + version);
  if (vi.szCSDVersion[0]) b.push_back("Service Pack: " + Gbk(vi.szCSDVersion));

  SYSTEM_INFO si = {};
  ::GetNativeSystemInfo(&si);
  if (si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64)
    b.push_back(Gbk(L"\u7cfb\u7edf\u7c7b\u578b: 64\u4f4d\u64cd\u4f5c\u7cfb\u7edf, \u57fa\u4e8e x64 \u7684\u5904\u7406\u5668"));
  else if (si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL)
    b.push_back(Gbk(L"\u7cfb\u7edf\u7c7b\u578b: 32\u4f4d\u64cd\u4f5c\u7cfb\u7edf, \u57fa\u4e8e x86 \u7684\u5904\u7406\u5668"));
  std::string cpu = RegText("HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "ProcessorNameString");
  if (cpu.empty()) cpu = std::to_string(si.dwNumberOfProcessors) + Gbk(L" \u4e2a\u903b\u8f91\u5904\u7406\u5668");
  b.push_back(Gbk(L"\u5904\u7406\u5668: ") + cpu);

  MEMORYSTATUSEX mem = {};
  mem.dwLength = sizeof(mem);
  ::GlobalMemoryStatusEx(&mem);
  char total[64];
  snprintf(total, sizeof total, "%.1f GB (", static_cast<double>(mem.ullTotalPhys) * 9.313225746154785e-10);
  *ram_prefix = Gbk(L"\u673a\u5e26 RAM: ") + total;
  b.push_back(*ram_prefix);  // the available figure moves: compared by prefix

  std::string experience =
      RegText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Orchestrator", "Experience");
  if (!experience.empty())
    b.push_back(Gbk(L"\u4f53\u9a8c: Windows \u529f\u80fd\u4f53\u9a8c\u5305 ") + experience);
  std::string id = RegText(kCurrentVersion, "ProductId");
  if (id.empty()) id = RegText("SOFTWARE\\Microsoft\\Cryptography", "MachineGuid");
  if (!id.empty()) b.push_back(Gbk(L"\u8bbe\u5907 ID: ") + id);
  b.push_back(rule);
  b.push_back("");
  return b;
}

class LogOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    LogAttachMachine(&machine_);
    char path[512] = {};
    ASSERT_EQ(GetLogFilePath(path, sizeof path), 0);
    path_ = path;
    ::DeleteFileA(path_.c_str());  // a fresh day's file: the banner comes first
  }
  void TearDown() override { LogStop(); }

  platform::win32::Win32Machine machine_;
  std::string path_;
};

TEST_F(LogOnWindows, DayFileLivesUnderTheWindowsFolder) {
  char windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char name[64];
  snprintf(name, sizeof name, "\\TavroPrintInstall_%d_%02d_%02d.log", now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(path_, std::string(windows) + "\\Temp\\\\TavroPrint\\Log" + name);
  DWORD attributes = ::GetFileAttributesA((std::string(windows) + "\\Temp\\TavroPrint\\Log").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(LogOnWindows, NewFileOpensWithTheBannerThenTheLines) {
  LogPrint(kLogUnitInstall, "CInstallApp::InitInstance", 42, "[ENTRY] CInstallApp::InitInstance\n");
  LogPrint("C:\\src\\InstallDlg.cpp", "CInstallDlg::OnInitDialog", 7, "[INFO] OnInitDialog - Port=%ws, n=%d",
           L"USB001", 3);
  LogStop();

  std::string text = ReadAll(path_);
  ASSERT_FALSE(text.empty()) << path_;
  std::vector<std::string> lines = Lines(text);
  std::string ram_prefix;
  std::vector<std::string> banner = ExpectedBanner(&ram_prefix);
  ASSERT_GE(lines.size(), banner.size() + 2);
  for (size_t i = 0; i < banner.size(); ++i) {
    if (banner[i] == ram_prefix) {
      EXPECT_EQ(lines[i].rfind(ram_prefix, 0), 0u) << "line " << i << ": " << lines[i];
      EXPECT_EQ(lines[i].back(), ')');
    } else {
      EXPECT_EQ(lines[i], banner[i]) << "banner line " << i;
    }
  }
  const std::string& first = lines[banner.size()];
  ASSERT_GT(first.size(), 26u);
  EXPECT_EQ(first[0], '[');
  EXPECT_EQ(first[24], ']');  // "[YYYY-MM-DD hh:mm:ss.mmm]"
  EXPECT_EQ(first.substr(25), " [Install.cpp:CInstallApp::InitInstance:42] [ENTRY] CInstallApp::InitInstance");
  // A message without its own line feed gets CR LF, and text mode adds a CR before that LF.
  EXPECT_EQ(lines[banner.size() + 1].substr(25),
            " [InstallDlg.cpp:CInstallDlg::OnInitDialog:7] [INFO] OnInitDialog - Port=USB001, n=3\r");
  // Text mode throughout: no line feed without its carriage return.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
  }
}

TEST_F(LogOnWindows, LaterFlushesOfTheDayAppendWithoutABanner) {
  LogPrint(kLogUnitInstall, "First", 1, "[INFO] First - one\n");
  LogStop();
  LogPrint(kLogUnitInstall, "Second", 2, "[INFO] Second - two\n");
  LogStop();
  std::string text = ReadAll(path_);
  std::string title = Gbk(L"\u7cfb\u7edf\u4fe1\u606f");
  size_t at = text.find(title);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.find(title, at + 1), std::string::npos) << "one banner per file";
  size_t one = text.find("[INFO] First - one\r\n");
  size_t two = text.find("[INFO] Second - two\r\n");
  ASSERT_NE(one, std::string::npos);
  ASSERT_NE(two, std::string::npos);
  EXPECT_LT(one, two);
  EXPECT_EQ(text.size(), two + strlen("[INFO] Second - two\r\n"));
}

// The day's file was just deleted: the flush's existence test fails (ERROR_FILE_NOT_FOUND on the
// real C runtime) and the banner reads the registry, yet the caller still reads its own code.
TEST_F(LogOnWindows, LoggingKeepsTheCallersLastError) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  LogPrint(kLogUnitInstall, "F", 1, "[ERROR] F - Error=%d\n", ERROR_ACCESS_DENIED);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  LogFlush();
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ::SetLastError(ERROR_INVALID_PARAMETER);
  LogPrint(kLogUnitInstall, "F", 2, "[ERROR] F - Error=%d\n", ERROR_INVALID_PARAMETER);
  LogStop();
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::string text = ReadAll(path_);
  EXPECT_NE(text.find("[Install.cpp:F:1] [ERROR] F - Error=5\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Install.cpp:F:2] [ERROR] F - Error=87\r\n"), std::string::npos);
}

std::string SidText(PSID sid) {
  LPSTR text = nullptr;
  if (sid == nullptr || !::ConvertSidToStringSidA(sid, &text)) return "";
  platform::win32::unique_hlocal owner(text);
  return text;
}

// Every allowed entry of the folder's access list names SYSTEM or Administrators. Wine keeps no
// descriptor and derives the list from the POSIX mode, naming the owner (the user) for
// Administrators; Everyone and Users, which Temp lets in, must be gone on both.
TEST_F(LogOnWindows, TheLogFoldersLetInNobodyButSystemAndAdministrators) {
  LogPrint(kLogUnitInstall, "F", 1, "[INFO] F - private\n");
  LogStop();
  char windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  for (const char* below : {"\\Temp\\TavroPrint", "\\Temp\\TavroPrint\\Log"}) {
    std::string folder = std::string(windows) + below;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr, &dacl,
                                      nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS))
        << folder;
    platform::win32::unique_hlocal sd_owner(sd);
    ASSERT_NE(dacl, nullptr) << folder << ": a null list lets everyone in";
    std::string owner_sid = SidText(owner);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      ASSERT_TRUE(::GetAce(dacl, i, &ace));
      auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      if (entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
      std::string sid = SidText(reinterpret_cast<PSID>(&entry->SidStart));
      EXPECT_TRUE(sid == "S-1-5-18" || sid == "S-1-5-32-544" || (!machine_.files().KeepsOwners() && sid == owner_sid))
          << folder << " lets in " << sid;
    }
  }
}

// A day's file that is a second name of another file (a hard link) is not appended to.
TEST_F(LogOnWindows, ADayFileThatIsAHardLinkIsNotWritten) {
  std::string victim = path_ + ".victim";
  {
    platform::win32::unique_crt_file f(fopen(victim.c_str(), "wb"));
    ASSERT_TRUE(f);
    fputs("keep me", f.get());
  }
  ASSERT_TRUE(::CreateHardLinkA(path_.c_str(), victim.c_str(), nullptr)) << ::GetLastError();
  LogPrint(kLogUnitInstall, "F", 1, "[INFO] F - through a second name\n");
  LogStop();
  EXPECT_EQ(ReadAll(victim), "keep me");
  ::DeleteFileA(path_.c_str());
  ::DeleteFileA(victim.c_str());
}

// Held open by another against writing: the flush skips it at once; the next one writes.
TEST_F(LogOnWindows, ADayFileHeldOpenByAnotherIsSkippedWithoutWaiting) {
  LogPrint(kLogUnitInstall, "F", 1, "[INFO] F - first\n");
  LogFlush();
  {
    platform::win32::unique_hfile holder(
        ::CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder) << ::GetLastError();
    LogPrint(kLogUnitInstall, "F", 2, "[INFO] F - skipped\n");
    DWORD start = ::GetTickCount();
    LogFlush();
    EXPECT_LT(::GetTickCount() - start, 500u);
  }
  LogPrint(kLogUnitInstall, "F", 3, "[INFO] F - written\n");
  LogStop();
  std::string text = ReadAll(path_);
  EXPECT_NE(text.find("[INFO] F - first\r\n"), std::string::npos);
  EXPECT_EQ(text.find("skipped"), std::string::npos);
  EXPECT_NE(text.find("[INFO] F - written\r\n"), std::string::npos);
}

}  // namespace
