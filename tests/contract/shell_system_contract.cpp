// Shell folders, environment expansion and the system facts the banner reads.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "tests/contract/contract_backend.h"

namespace {

platform::Machine& m() { return contract::TheMachine(); }

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

TEST(ShellContract, SpecialFoldersExist) {
  for (int id : {platform::csidl::kLocalAppData, platform::csidl::kPersonal, platform::csidl::kProgramFiles}) {
    std::wstring path;
    ASSERT_TRUE(m().shell().SpecialFolder(id, &path)) << "csidl " << id;
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(path.substr(1, 2), L":\\") << "csidl " << id;
    EXPECT_NE(path.back(), L'\\') << "csidl " << id;
    EXPECT_EQ(m().files().StatW(path), platform::PathKind::kDirectory) << "csidl " << id;
  }
}

TEST(ShellContract, ProgramFilesVariableMatchesTheProgramFilesFolder) {
  std::wstring folder;
  ASSERT_TRUE(m().shell().SpecialFolder(platform::csidl::kProgramFiles, &folder));
  EXPECT_EQ(Lower(m().shell().ExpandEnvironment(L"%ProgramFiles%\\Tavro")), Lower(folder + L"\\Tavro"));
  // A 32-bit process on 64-bit Windows sees the x86 folder.
  if (m().system().IsWow64()) {
    EXPECT_NE(Lower(folder).find(L"(x86)"), std::wstring::npos);
  }
}

TEST(ShellContract, UnknownVariablesStayAsWritten) {
  EXPECT_EQ(m().shell().ExpandEnvironment(L"a%TAVRO_NO_SUCH_VARIABLE%b"), L"a%TAVRO_NO_SUCH_VARIABLE%b");
  EXPECT_EQ(m().shell().ExpandEnvironment(L"100%"), L"100%");
  EXPECT_EQ(m().shell().ExpandEnvironment(L""), L"");
}

TEST(SystemContract, WindowsFolderIsADirectoryOnTheSystemDrive) {
  std::wstring windows;
  ASSERT_TRUE(m().system().WindowsFolder(&windows));
  // Wine spells it C:\windows; Windows C:\Windows. Paths ignore case on both.
  EXPECT_EQ(Lower(windows), L"c:\\windows");
  EXPECT_EQ(m().files().StatW(windows), platform::PathKind::kDirectory);
  EXPECT_EQ(Lower(m().shell().ExpandEnvironment(L"%SystemRoot%")), Lower(windows));
}

TEST(SystemContract, ComputerNameFitsFifteenCharacters) {
  std::wstring name;
  ASSERT_TRUE(m().system().ComputerName(&name));
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 15u);
}

TEST(SystemContract, VersionProcessorAndMemoryAreReported) {
  platform::VersionInfo v;
  ASSERT_TRUE(m().system().Version(&v));
  EXPECT_GE(v.major, 6u);
  EXPECT_GT(v.build, 0u);
  platform::NativeSystemInfo info = m().system().NativeInfo();
  EXPECT_GE(info.number_of_processors, 1u);
  if (m().system().IsWow64()) {
    EXPECT_EQ(info.processor_architecture, 9);  // x64 under WOW64
  }
  platform::MemoryStatus mem;
  ASSERT_TRUE(m().system().Memory(&mem));
  EXPECT_GT(mem.total_physical, 0u);
  EXPECT_LE(mem.available_physical, mem.total_physical);
}

TEST(SystemContract, SystemDirectoryIsSystem32OfTheWindowsFolder) {
  std::wstring windows;
  ASSERT_TRUE(m().system().WindowsFolder(&windows));
  std::string system;
  ASSERT_TRUE(m().system().SystemDirectoryA(256, &system)) << platform::LastErrorCode();
  EXPECT_EQ(Lower(m().codepage().FromAnsi(system)), Lower(windows + L"\\system32"));
  std::string again;
  EXPECT_TRUE(m().system().SystemDirectoryA(system.size() + 1, &again));
  EXPECT_EQ(again, system);
  EXPECT_FALSE(m().system().SystemDirectoryA(system.size(), &again));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInsufficientBuffer);
}

TEST(SystemContract, MessageTextsEndInALineBreak) {
  std::wstring text;
  ASSERT_TRUE(m().system().ErrorMessageText(5, &text)) << platform::LastErrorCode();
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
  EXPECT_NE(Lower(text).find(L"denied"), std::wstring::npos) << testing::PrintToString(text);
  if (!contract::RunsOnWine()) {
    EXPECT_EQ(text, L"Access is denied.\r\n");  // Wine words its texts shorter ("Access denied.")
  }
  for (uint32_t code : {2u, 31u, 87u, 126u, 1796u, 1797u, 1801u, 1802u, 1805u, 3006u}) {
    if (code == 3006 && contract::RunsOnWine()) continue;  // Wine has no text for 3006
    EXPECT_TRUE(m().system().ErrorMessageText(code, &text)) << code;
    EXPECT_GT(text.size(), 2u) << code;
  }
  EXPECT_FALSE(m().system().ErrorMessageText(59999, &text));
  EXPECT_EQ(platform::LastErrorCode(), 317u);
}

TEST(ClockContract, LocalTimeIsPlausibleAndSleepAdvancesIt) {
  platform::LocalTime a = m().clock().Now();
  EXPECT_GE(a.year, 2020);
  EXPECT_TRUE(a.month >= 1 && a.month <= 12 && a.day >= 1 && a.day <= 31);
  EXPECT_TRUE(a.day_of_week >= 0 && a.day_of_week <= 6);
  EXPECT_TRUE(a.hour <= 23 && a.minute <= 59 && a.second <= 59 && a.milliseconds <= 999);
  m().clock().Sleep(120);
  platform::LocalTime b = m().clock().Now();
  auto ms = [](const platform::LocalTime& t) {
    return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
  };
  if (a.day == b.day) {
    EXPECT_GE(ms(b) - ms(a), 100);  // the clock ticks in steps of up to 16 ms
  }
}

TEST(ResourcesContract, OwnResourceIsFoundLoadedAndSized) {
  const void* found = m().resources().Find(contract::kResourceId, L"INSTALL");
  ASSERT_NE(found, nullptr) << "error " << platform::LastErrorCode();
  const void* loaded = m().resources().Load(found);
  ASSERT_NE(loaded, nullptr);
  const uint8_t* bytes = m().resources().Lock(loaded);
  ASSERT_NE(bytes, nullptr);
  uint32_t size = m().resources().SizeOf(found);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), size), contract::kResourceBytes);
}

TEST(ResourcesContract, MissingNameAndMissingTypeHaveTheirCodes) {
  EXPECT_EQ(m().resources().Find(contract::kResourceId + 1, L"INSTALL"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kResourceNameNotFound);
  EXPECT_EQ(m().resources().Find(contract::kResourceId, L"NOSUCHTYPE"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kResourceTypeNotFound);
}

// The machine Windows runs on agrees with WOW64: AMD64 beneath a 32-bit process under WOW64
// (this machine is no ARM64 one), the process's own machine otherwise.
TEST(SystemContract, NativeMachineAgreesWithWow64) {
  uint16_t native = 0;
  ASSERT_TRUE(m().system().NativeMachine(&native)) << platform::LastErrorCode();
  if (m().system().IsWow64()) {
    EXPECT_EQ(native, platform::machinetype::kAmd64);
  } else {
    EXPECT_TRUE(native == platform::machinetype::kI386 || native == platform::machinetype::kAmd64) << native;
  }
}

// A named mutex is this process's until released: a second of the same name is refused with 183,
// and once released the name can be taken again.
TEST(SystemContract, AnInstanceMutexIsHeldUntilReleased) {
  const std::wstring name = L"Global\\TavroContractMutex";
  auto first = m().system().CreateInstanceMutex(name);
  ASSERT_TRUE(first) << platform::LastErrorCode();
  EXPECT_FALSE(m().system().CreateInstanceMutex(name));
  EXPECT_EQ(platform::LastErrorCode(), 183u);
  first.reset();
  EXPECT_TRUE(m().system().CreateInstanceMutex(name));
}

}  // namespace
