#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

TEST(SimMachine, DefaultsDescribeA64BitWindows10WithItsFolders) {
  SimMachine m;
  std::wstring text;
  ASSERT_TRUE(m.system().WindowsFolder(&text));
  EXPECT_EQ(text, L"C:\\Windows");
  ASSERT_TRUE(m.system().ComputerName(&text));
  EXPECT_EQ(text, L"TAVRO-PC");
  EXPECT_TRUE(m.system().IsWow64());
  EXPECT_EQ(m.system().NativeInfo().processor_architecture, arch::kX64);
  ASSERT_TRUE(m.shell().SpecialFolder(csidl::kLocalAppData, &text));
  EXPECT_EQ(text, L"C:\\Users\\Admin\\AppData\\Local");
  EXPECT_EQ(m.files().Kind(text), PathKind::kDirectory);
  ASSERT_TRUE(m.shell().SpecialFolder(csidl::kPersonal, &text));
  EXPECT_EQ(m.files().Kind(text), PathKind::kDirectory);
  ASSERT_TRUE(m.shell().SpecialFolder(csidl::kProgramFiles, &text));
  EXPECT_EQ(text, L"C:\\Program Files (x86)");
  EXPECT_EQ(m.files().Kind(L"C:\\Windows\\Temp"), PathKind::kDirectory);
  EXPECT_EQ(m.shell().ExpandEnvironment(L"%ProgramFiles%\\Tavro"), L"C:\\Program Files (x86)\\Tavro");
  EXPECT_EQ(m.faults().Calls("RegSetValueExW"), 0);  // the machine's set-up does not count
  m.MakeX86Windows();
  EXPECT_FALSE(m.system().IsWow64());
  EXPECT_EQ(m.shell().ExpandEnvironment(L"%PROGRAMFILES%"), L"C:\\Program Files");
}

TEST(SimMachine, ComputerNameLongerThan15CharactersFails) {
  SimMachine m;
  std::wstring name;
  m.system().SetComputerName(L"ABCDEFGHIJKLMNO");
  EXPECT_TRUE(m.system().ComputerName(&name));
  m.system().SetComputerName(L"ABCDEFGHIJKLMNOP");
  EXPECT_FALSE(m.system().ComputerName(&name));
  EXPECT_EQ(LastErrorCode(), 111u);
  m.faults().Fail("GlobalMemoryStatusEx", err::kAccessDenied, 1);
  MemoryStatus memory;
  EXPECT_FALSE(m.system().Memory(&memory));
  EXPECT_TRUE(m.system().Memory(&memory));
}

TEST(SimMachine, ExpandEnvironmentKeepsUnknownVariablesAndLonePercents) {
  SimMachine m;
  SimShell& shell = m.shell();
  EXPECT_EQ(shell.ExpandEnvironment(L"%windir%\\x"), L"C:\\Windows\\x");
  EXPECT_EQ(shell.ExpandEnvironment(L"%SystemRoot%;%LOCALAPPDATA%"), L"C:\\Windows;C:\\Users\\Admin\\AppData\\Local");
  EXPECT_EQ(shell.ExpandEnvironment(L"%NOPE%x"), L"%NOPE%x");
  EXPECT_EQ(shell.ExpandEnvironment(L"100%"), L"100%");
  EXPECT_EQ(shell.ExpandEnvironment(L"5% of %windir%"), L"5% of C:\\Windows");
  EXPECT_EQ(shell.ExpandEnvironment(L"%%"), L"%%");
}

TEST(SimClock, SleepAdvancesTimeAcrossMidnightWithoutBlocking) {
  SimClock clock;
  LocalTime t = clock.Now();
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 7);
  EXPECT_EQ(t.hour, 10);
  EXPECT_EQ(t.day_of_week, 1);  // a Monday
  LocalTime late{2026, 12, 0, 31, 23, 59, 59, 999};
  clock.Set(late);
  clock.Sleep(1);
  t = clock.Now();
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.milliseconds, 0);
  EXPECT_EQ(t.day_of_week, 5);
  clock.Sleep(3600 * 1000);  // an hour of simulated time, not of real time
  clock.Advance(250);
  t = clock.Now();
  EXPECT_EQ(t.hour, 1);
  EXPECT_EQ(t.milliseconds, 250);
  EXPECT_EQ(clock.SleptMilliseconds(), 3600 * 1000 + 1);
}

TEST(SimResources, FindFailsLikeFindResourceW) {
  SimMachine m;
  SimResources& res = m.resources();
  EXPECT_EQ(res.Find(142, L"INSTALL"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kResourceTypeNotFound);
  res.Add(142, L"INSTALL", {1, 2, 3});
  EXPECT_EQ(res.Find(143, L"INSTALL"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kResourceNameNotFound);
  const void* found = res.Find(142, L"install");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(res.SizeOf(found), 3u);
  const uint8_t* bytes = res.Lock(res.Load(found));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[2], 3);
  m.faults().Fail("FindResourceW", err::kResourceTypeNotFound, 1);
  EXPECT_EQ(res.Find(142, L"INSTALL"), nullptr);
}

}  // namespace
}  // namespace platform::sim
