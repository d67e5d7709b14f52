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

// Each machine fact lives in one place; its setter changes every view a program has of it.
std::wstring RegistryText(SimMachine& m, const wchar_t* key, const wchar_t* name) {
  RegValue value;
  if (!m.registry().QueryValue(Hive::kLocalMachine, key, name, RegView::k64, &value)) return L"(none)";
  return value.AsString();
}

TEST(SimMachineFacts, TheAnsiCodePageIsTheRegistrysAcp) {
  SimMachine m;
  EXPECT_EQ(RegistryText(m, SimCodePage::kNlsCodePageKey, L"ACP"), L"1252");
  m.codepage().SetAnsiCodePage(936);
  EXPECT_EQ(RegistryText(m, SimCodePage::kNlsCodePageKey, L"ACP"), L"936");
  EXPECT_EQ(m.codepage().AnsiCodePage(), 936u);
  EXPECT_EQ(m.codepage().ToAnsi(L"\u4E2D"), "\xD6\xD0");
  // The way a program changes it (and Windows reads it at start): the registry.
  m.registry().SetValue(Hive::kLocalMachine, SimCodePage::kNlsCodePageKey, L"ACP", RegView::k64, RegValue::Sz(L"1252"));
  EXPECT_EQ(m.codepage().AnsiCodePage(), 1252u);
  EXPECT_EQ(m.codepage().ToAnsi(L"\u00E9"), "\xE9");
}

TEST(SimMachineFacts, TheComputerNameShowsInTheRegistryAndTheEnvironment) {
  SimMachine m;
  m.system().SetComputerName(L"SHOP-7");
  EXPECT_EQ(RegistryText(m, SimSystemInfo::kComputerNameKey, L"ComputerName"), L"SHOP-7");
  EXPECT_EQ(m.shell().ExpandEnvironment(L"%COMPUTERNAME%"), L"SHOP-7");
  // The service answers what the registry holds.
  m.registry().SetValue(Hive::kLocalMachine, SimSystemInfo::kComputerNameKey, L"ComputerName", RegView::k64,
                        RegValue::Sz(L"FRONT-DESK"));
  std::wstring name;
  ASSERT_TRUE(m.system().ComputerName(&name));
  EXPECT_EQ(name, L"FRONT-DESK");
}

TEST(SimMachineFacts, TheWindowsFolderShowsInTheRegistryEnvironmentAndShellFolders) {
  SimMachine m;
  m.system().SetWindowsFolder(L"D:\\WINNT");
  std::wstring text;
  ASSERT_TRUE(m.system().WindowsFolder(&text));
  EXPECT_EQ(text, L"D:\\WINNT");
  EXPECT_EQ(RegistryText(m, SimSystemInfo::kCurrentVersionKey, L"SystemRoot"), L"D:\\WINNT");
  EXPECT_EQ(m.shell().ExpandEnvironment(L"%SystemRoot%|%windir%|%ComSpec%"),
            L"D:\\WINNT|D:\\WINNT|D:\\WINNT\\system32\\cmd.exe");
  ASSERT_TRUE(m.shell().SpecialFolder(csidl_more::kWindows, &text));
  EXPECT_EQ(text, L"D:\\WINNT");
  ASSERT_TRUE(m.shell().SpecialFolder(csidl_more::kSystem, &text));
  EXPECT_EQ(text, L"D:\\WINNT\\SysWOW64");
  std::string system;
  ASSERT_TRUE(m.system().SystemDirectoryA(260, &system));
  EXPECT_EQ(system, "D:\\WINNT\\system32");
}

TEST(SimMachineFacts, TheProcessorCountIsOneRegistryKeyPerProcessor) {
  SimMachine m;
  EXPECT_EQ(m.system().NativeInfo().number_of_processors, 4u);
  m.system().SetProcessorCount(2);
  EXPECT_EQ(m.system().NativeInfo().number_of_processors, 2u);
  EXPECT_EQ(m.shell().ExpandEnvironment(L"%NUMBER_OF_PROCESSORS%"), L"2");
  std::vector<std::wstring> keys;
  ASSERT_TRUE(m.registry().EnumSubKeys(Hive::kLocalMachine, SimSystemInfo::kProcessorsKey, RegView::k64, &keys));
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"0", L"1"}));
  m.system().SetProcessorCount(6);
  EXPECT_EQ(m.system().NativeInfo().number_of_processors, 6u);
  EXPECT_EQ(RegistryText(m, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\5", L"ProcessorNameString"),
            RegistryText(m, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString"));
}

TEST(SimMachineFacts, AnX86WindowsIsSeenAsOneByEveryService) {
  SimMachine m;
  uint16_t machine = 0;
  ASSERT_TRUE(m.system().NativeMachine(&machine));
  EXPECT_EQ(machine, machinetype::kAmd64);
  m.MakeX86Windows();
  EXPECT_EQ(RegistryText(m, SimSystemInfo::kSystemEnvironmentKey, L"PROCESSOR_ARCHITECTURE"), L"x86");
  EXPECT_EQ(m.system().NativeInfo().processor_architecture, arch::kX86);
  EXPECT_FALSE(m.system().IsWow64());
  ASSERT_TRUE(m.system().NativeMachine(&machine));
  EXPECT_EQ(machine, machinetype::kI386);
  // One registry view, no Wow6432Node.
  EXPECT_FALSE(m.registry().KeyExists(Hive::kLocalMachine, L"SOFTWARE\\Wow6432Node", RegView::k64));
  EXPECT_EQ(m.registry().ResolvedPath(Hive::kLocalMachine, L"SOFTWARE\\Tavro", RegView::k32), L"SOFTWARE\\Tavro");
  EXPECT_EQ(m.shell().ExpandEnvironment(L"%PROCESSOR_ARCHITEW6432%|%ProgramW6432%|%CommonProgramFiles%"),
            L"%PROCESSOR_ARCHITEW6432%|%ProgramW6432%|C:\\Program Files\\Common Files");
  std::wstring folder;
  ASSERT_TRUE(m.shell().SpecialFolder(csidl_more::kSystem, &folder));
  EXPECT_EQ(folder, L"C:\\Windows\\System32");
  EXPECT_FALSE(m.shell().SpecialFolder(csidl_more::kProgramFilesX86, &folder));
  EXPECT_EQ(m.spooler().ServerEnvironment(), L"Windows NT x86");
  EXPECT_EQ(m.files().Kind(L"C:\\Windows\\SysWOW64"), PathKind::kMissing);
}

TEST(SimFaultsDeath, AFaultNameNoServiceConsultsAbortsNamingIt) {
  SimMachine m;
  m.faults().Fail("RegOpenKeyExW", err::kAccessDenied, 1);  // a declared name is fine
  EXPECT_DEATH(m.faults().Fail("RegOpenKeyEx", err::kAccessDenied), "no simulated service consults the fault name \"RegOpenKeyEx\"");
  EXPECT_DEATH(m.faults().Calls("CreateFileW"), "Calls: .*\"CreateFileW\"");
  EXPECT_DEATH(m.faults().ShouldFail("NotAWindowsCall"), "ShouldFail: .*\"NotAWindowsCall\"");
  SimFaults own;
  EXPECT_DEATH(own.Fail("GetComputerNameW", 5), "GetComputerNameW");  // no service declared it here
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
