#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr const wchar_t* kCurrentVersion = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

TEST(SimRegistry, NewMachineCarriesWindows10FactsInThe64BitView) {
  SimMachine m;
  RegValue v;
  ASSERT_TRUE(m.registry().QueryValue(kHklm, kCurrentVersion, L"CurrentMajorVersionNumber", RegView::k64, &v));
  EXPECT_EQ(v.type, regtype::kDword);
  EXPECT_EQ(v.AsDword(), 10u);
  ASSERT_TRUE(m.registry().QueryValue(kHklm, kCurrentVersion, L"currentbuildnumber", RegView::k64, &v));
  EXPECT_EQ(v.type, regtype::kSz);
  EXPECT_EQ(v.AsString(), L"19045");
  ASSERT_TRUE(m.registry().QueryValue(kHklm, kCurrentVersion, L"ProductName", RegView::k64, &v));
  EXPECT_EQ(v.AsString(), L"Windows 10 Pro");
  ASSERT_TRUE(m.registry().QueryValue(kHklm, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                      L"ProcessorNameString", RegView::kDefault, &v));
  ASSERT_TRUE(m.registry().QueryValue(kHklm, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid", RegView::k64, &v));
  EXPECT_EQ(v.AsString().size(), 36u);
  // The 32-bit process's own view of SOFTWARE does not hold them.
  EXPECT_FALSE(m.registry().QueryValue(kHklm, kCurrentVersion, L"ProductName", RegView::kDefault, &v));
  EXPECT_EQ(LastErrorCode(), err::kFileNotFound);
}

TEST(SimRegistry, Wow64ViewsRedirectSoftwareButShareSystemAndSharedKeys) {
  SimMachine m;
  SimRegistry& reg = m.registry();
  ASSERT_TRUE(reg.SetValue(kHklm, L"SOFTWARE\\TavroPrint", L"A", RegView::kDefault, RegValue::Sz(L"32")));
  EXPECT_EQ(reg.ResolvedPath(kHklm, L"SOFTWARE\\TavroPrint", RegView::kDefault), L"SOFTWARE\\Wow6432Node\\TavroPrint");
  RegValue v;
  EXPECT_FALSE(reg.QueryValue(kHklm, L"SOFTWARE\\TavroPrint", L"A", RegView::k64, &v));
  ASSERT_TRUE(reg.QueryValue(kHklm, L"software\\wow6432node\\tavroprint", L"a", RegView::k64, &v));
  EXPECT_EQ(v.AsString(), L"32");
  ASSERT_TRUE(reg.QueryValue(kHklm, L"SOFTWARE\\TavroPrint", L"A", RegView::k32, &v));
  // SYSTEM and the shared Ports key are one key in both views.
  ASSERT_TRUE(reg.SetValue(kHklm, L"SYSTEM\\X", L"v", RegView::k64, RegValue::Dword(1)));
  EXPECT_TRUE(reg.KeyExists(kHklm, L"SYSTEM\\X", RegView::kDefault));
  std::wstring ports = std::wstring(kCurrentVersion) + L"\\Ports";
  ASSERT_TRUE(reg.SetValue(kHklm, ports, L"COM3:", RegView::kDefault, RegValue::Sz(L"9600,n,8,1")));
  EXPECT_TRUE(reg.QueryValue(kHklm, ports, L"COM3:", RegView::k64, &v));
  // A 32-bit Windows has a single view.
  m.MakeX86Windows();
  EXPECT_EQ(reg.ResolvedPath(kHklm, L"SOFTWARE\\TavroPrint", RegView::kDefault), L"SOFTWARE\\TavroPrint");
}

TEST(SimRegistry, NamesKeepTheirSpellingAndEnumerate) {
  SimMachine m;
  SimRegistry& reg = m.registry();
  reg.CreateKey(Hive::kCurrentUser, L"Software\\Tavro\\Beta", RegView::kDefault);
  reg.CreateKey(Hive::kCurrentUser, L"SOFTWARE\\TAVRO\\alpha", RegView::kDefault);
  std::vector<std::wstring> names;
  ASSERT_TRUE(reg.EnumSubKeys(Hive::kCurrentUser, L"software\\tavro", RegView::kDefault, &names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"Beta"}));
  reg.SetValue(Hive::kCurrentUser, L"Software\\Tavro", L"Zed", RegView::kDefault, RegValue::Dword(1));
  reg.SetValue(Hive::kCurrentUser, L"Software\\Tavro", L"Abc", RegView::kDefault, RegValue::Dword(2));
  reg.SetValue(Hive::kCurrentUser, L"Software\\Tavro", L"ZED", RegView::kDefault, RegValue::Dword(3));
  ASSERT_TRUE(reg.EnumValues(Hive::kCurrentUser, L"Software\\Tavro", RegView::kDefault, &names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Zed", L"Abc"}));
  ASSERT_TRUE(reg.DeleteValue(Hive::kCurrentUser, L"Software\\Tavro", L"zed", RegView::kDefault));
  EXPECT_FALSE(reg.DeleteValue(Hive::kCurrentUser, L"Software\\Tavro", L"zed", RegView::kDefault));
  ASSERT_TRUE(reg.DeleteTree(Hive::kCurrentUser, L"Software\\Tavro", RegView::kDefault));
  EXPECT_FALSE(reg.KeyExists(Hive::kCurrentUser, L"Software\\Tavro\\Beta", RegView::kDefault));
  EXPECT_FALSE(reg.EnumSubKeys(Hive::kCurrentUser, L"Software\\Tavro", RegView::kDefault, &names));
  EXPECT_EQ(LastErrorCode(), err::kFileNotFound);
}

TEST(SimRegistry, FaultsAndDeniedKeys) {
  SimMachine m;
  SimRegistry& reg = m.registry();
  RegValue v;
  m.faults().Fail("RegQueryValueExW", err::kMoreData, 1);
  EXPECT_FALSE(reg.QueryValue(kHklm, kCurrentVersion, L"ProductName", RegView::k64, &v));
  EXPECT_EQ(LastErrorCode(), err::kMoreData);
  EXPECT_TRUE(reg.QueryValue(kHklm, kCurrentVersion, L"ProductName", RegView::k64, &v));
  reg.DenyKey(kHklm, L"SOFTWARE\\Microsoft\\Cryptography", RegView::k64, err::kAccessDenied);
  EXPECT_FALSE(reg.QueryValue(kHklm, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid", RegView::k64, &v));
  EXPECT_EQ(LastErrorCode(), err::kAccessDenied);
  EXPECT_TRUE(reg.QueryValue(kHklm, kCurrentVersion, L"ProductName", RegView::k64, &v));
  m.faults().Fail("RegCreateKeyExW", err::kAccessDenied);
  EXPECT_FALSE(reg.SetValue(kHklm, L"SOFTWARE\\New", L"x", RegView::k64, RegValue::Dword(1)));
  EXPECT_FALSE(reg.KeyExists(kHklm, L"SOFTWARE\\New", RegView::k64));
}

}  // namespace
}  // namespace platform::sim
