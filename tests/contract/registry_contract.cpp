// Registry: values round-trip, missing keys and values report 2, and HKLM\SOFTWARE has two views
// that a 32-bit process on 64-bit Windows reaches with KEY_WOW64_64KEY / KEY_WOW64_32KEY.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "tests/contract/contract_backend.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;

const wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const wchar_t kUserKey[] = L"Software\\TavroPrintContract";
const wchar_t kMachineKey[] = L"SOFTWARE\\TavroPrintContract";
const wchar_t kSystemKey[] = L"SYSTEM\\TavroPrintContract";

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

class RegistryContract : public ::testing::Test {
 protected:
  platform::Registry& reg() { return contract::TheMachine().registry(); }
  void TearDown() override {
    reg().DeleteTree(Hive::kCurrentUser, kUserKey, RegView::kDefault);
    for (RegView v : {RegView::k32, RegView::k64}) {
      reg().DeleteTree(Hive::kLocalMachine, kMachineKey, v);
      reg().DeleteTree(Hive::kLocalMachine, kSystemKey, v);
    }
  }
};

TEST_F(RegistryContract, CurrentVersionIsReadableInThe64BitView) {
  RegValue build;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kCurrentVersion, L"CurrentBuildNumber", RegView::k64, &build));
  EXPECT_EQ(build.type, platform::regtype::kSz);
  std::wstring text = build.AsString();
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) << "build";
  RegValue product;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kCurrentVersion, L"ProductName", RegView::k64, &product));
  // Windows writes "Windows 10 Pro"; Wine "Microsoft Windows 10".
  EXPECT_NE(product.AsString().find(L"Windows "), std::wstring::npos);
  RegValue cpu;
  EXPECT_TRUE(reg().QueryValue(Hive::kLocalMachine, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                               L"ProcessorNameString", RegView::k64, &cpu));
}

TEST_F(RegistryContract, MissingKeyAndMissingValueReportTwo) {
  RegValue v;
  EXPECT_FALSE(reg().QueryValue(Hive::kLocalMachine, L"SOFTWARE\\TavroNoSuchKey", L"x", RegView::k64, &v));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_FALSE(reg().QueryValue(Hive::kLocalMachine, kCurrentVersion, L"TavroNoSuchValue", RegView::k64, &v));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_FALSE(reg().KeyExists(Hive::kCurrentUser, kUserKey, RegView::kDefault));
  std::vector<std::wstring> names;
  EXPECT_FALSE(reg().EnumSubKeys(Hive::kCurrentUser, kUserKey, RegView::kDefault, &names));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_FALSE(reg().DeleteValue(Hive::kCurrentUser, kUserKey, L"x", RegView::kDefault));
}

TEST_F(RegistryContract, ValuesRoundTripAndKeysAreCreatedOnTheWay) {
  std::wstring deep = std::wstring(kUserKey) + L"\\A\\B";
  ASSERT_TRUE(reg().SetValue(Hive::kCurrentUser, deep, L"Text", RegView::kDefault, RegValue::Sz(L"caf\u00e9 \u4e2d")));
  ASSERT_TRUE(reg().SetValue(Hive::kCurrentUser, deep, L"Number", RegView::kDefault, RegValue::Dword(0x12345678)));
  ASSERT_TRUE(reg().SetValue(Hive::kCurrentUser, deep, L"List", RegView::kDefault, RegValue::MultiSz({L"a", L"bc"})));
  RegValue v;
  ASSERT_TRUE(reg().QueryValue(Hive::kCurrentUser, deep, L"text", RegView::kDefault, &v));  // names ignore case
  EXPECT_EQ(v.type, platform::regtype::kSz);
  EXPECT_EQ(v.data, RegValue::Sz(L"caf\u00e9 \u4e2d").data);
  ASSERT_TRUE(reg().QueryValue(Hive::kCurrentUser, deep, L"Number", RegView::kDefault, &v));
  EXPECT_EQ(v.type, platform::regtype::kDword);
  EXPECT_EQ(v.AsDword(), 0x12345678u);
  ASSERT_TRUE(reg().QueryValue(Hive::kCurrentUser, deep, L"List", RegView::kDefault, &v));
  EXPECT_EQ(v.data, RegValue::MultiSz({L"a", L"bc"}).data);

  std::vector<std::wstring> names;
  ASSERT_TRUE(reg().EnumValues(Hive::kCurrentUser, deep, RegView::kDefault, &names));
  EXPECT_EQ(names.size(), 3u);
  EXPECT_TRUE(Contains(names, L"Text") && Contains(names, L"Number") && Contains(names, L"List"));
  ASSERT_TRUE(reg().EnumSubKeys(Hive::kCurrentUser, std::wstring(kUserKey) + L"\\a", RegView::kDefault, &names));
  EXPECT_EQ(names, std::vector<std::wstring>{L"B"});

  EXPECT_TRUE(reg().DeleteValue(Hive::kCurrentUser, deep, L"Number", RegView::kDefault));
  EXPECT_FALSE(reg().QueryValue(Hive::kCurrentUser, deep, L"Number", RegView::kDefault, &v));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
}

TEST_F(RegistryContract, DeleteTreeRemovesTheKeyWithEverythingBelow) {
  std::wstring deep = std::wstring(kUserKey) + L"\\A\\B";
  ASSERT_TRUE(reg().SetValue(Hive::kCurrentUser, deep, L"v", RegView::kDefault, RegValue::Dword(1)));
  ASSERT_TRUE(reg().CreateKey(Hive::kCurrentUser, std::wstring(kUserKey) + L"\\C", RegView::kDefault));
  EXPECT_TRUE(reg().DeleteTree(Hive::kCurrentUser, kUserKey, RegView::kDefault));
  EXPECT_FALSE(reg().KeyExists(Hive::kCurrentUser, kUserKey, RegView::kDefault));
  EXPECT_FALSE(reg().DeleteTree(Hive::kCurrentUser, kUserKey, RegView::kDefault));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
}

TEST_F(RegistryContract, SoftwareHasSeparateViewsOn64BitWindowsOnly) {
  // A 32-bit Windows has one view: the view flags are ignored there.
  const bool wow64 = contract::TheMachine().system().IsWow64();
  if (sizeof(void*) == 4 && !wow64) {
    ASSERT_TRUE(reg().SetValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::k32, RegValue::Dword(32)));
    RegValue one;
    ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::k64, &one));
    EXPECT_EQ(one.AsDword(), 32u);
    EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, L"SOFTWARE\\Wow6432Node\\TavroPrintContract", RegView::k64));
    EXPECT_TRUE(reg().DeleteTree(Hive::kLocalMachine, kMachineKey, RegView::k64));
    EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, kMachineKey, RegView::k32));
    return;
  }
  ASSERT_TRUE(reg().SetValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::k32, RegValue::Dword(32)));
  EXPECT_TRUE(reg().KeyExists(Hive::kLocalMachine, kMachineKey, RegView::k32));
  EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, kMachineKey, RegView::k64));
  ASSERT_TRUE(reg().SetValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::k64, RegValue::Dword(64)));
  RegValue v;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::k32, &v));
  EXPECT_EQ(v.AsDword(), 32u);
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::k64, &v));
  EXPECT_EQ(v.AsDword(), 64u);
  // The process's own view: the 32-bit one under WOW64, else the 64-bit one.
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kMachineKey, L"Bits", RegView::kDefault, &v));
  EXPECT_EQ(v.AsDword(), wow64 ? 32u : 64u);
  // The 32-bit view lives under Wow6432Node of the 64-bit one.
  EXPECT_TRUE(reg().KeyExists(Hive::kLocalMachine, L"SOFTWARE\\Wow6432Node\\TavroPrintContract", RegView::k64));
  // Deleting in one view leaves the other.
  EXPECT_TRUE(reg().DeleteTree(Hive::kLocalMachine, kMachineKey, RegView::k32));
  EXPECT_FALSE(reg().KeyExists(Hive::kLocalMachine, kMachineKey, RegView::k32));
  EXPECT_TRUE(reg().KeyExists(Hive::kLocalMachine, kMachineKey, RegView::k64));
}

TEST_F(RegistryContract, SystemIsSharedByBothViews) {
  ASSERT_TRUE(reg().SetValue(Hive::kLocalMachine, kSystemKey, L"Shared", RegView::k32, RegValue::Dword(7)));
  RegValue v;
  ASSERT_TRUE(reg().QueryValue(Hive::kLocalMachine, kSystemKey, L"Shared", RegView::k64, &v));
  EXPECT_EQ(v.AsDword(), 7u);
}

TEST_F(RegistryContract, EightBitCallsReadWhatTheWideCallsWrote) {
  const std::wstring key = std::wstring(kUserKey) + L"\\Ports8";
  ASSERT_TRUE(reg().SetValue(Hive::kCurrentUser, key + L"\\USB001", L"Device Path", RegView::kDefault,
                             RegValue::Sz(L"caf\u00e9 \u4e2d")));
  ASSERT_TRUE(reg().SetValue(Hive::kCurrentUser, key + L"\\USB002", L"Number", RegView::kDefault,
                             RegValue::Dword(0x01020304)));
  ASSERT_TRUE(reg().CreateKey(Hive::kCurrentUser, key + L"\\Caf\u00e9", RegView::kDefault));
  const std::string key8 = "Software\\TavroPrintContract\\Ports8";

  EXPECT_TRUE(reg().KeyExistsA(Hive::kCurrentUser, key8, RegView::kDefault));
  std::vector<std::string> names;
  ASSERT_TRUE(reg().EnumSubKeysA(Hive::kCurrentUser, key8, RegView::kDefault, &names));
  std::sort(names.begin(), names.end());
  // Both backends run with code page 1252 here: e-acute is 0xE9.
  EXPECT_EQ(names, (std::vector<std::string>{"Caf\xe9", "USB001", "USB002"}));

  RegValue v;
  ASSERT_TRUE(reg().QueryValueA(Hive::kCurrentUser, key8 + "\\usb001", "device path", RegView::kDefault, &v));
  EXPECT_EQ(v.type, platform::regtype::kSz);
  // The character 1252 lacks becomes '?'; the NUL stored with the text comes along.
  EXPECT_EQ(std::string(v.data.begin(), v.data.end()), std::string("caf\xe9 ?\0", 7));
  ASSERT_TRUE(reg().QueryValueA(Hive::kCurrentUser, key8 + "\\USB002", "Number", RegView::kDefault, &v));
  EXPECT_EQ(v.type, platform::regtype::kDword);
  EXPECT_EQ(v.AsDword(), 0x01020304u);
}

TEST_F(RegistryContract, EightBitCallsReportTwoForWhatIsMissing) {
  std::vector<std::string> names = {"stale"};
  EXPECT_FALSE(reg().EnumSubKeysA(Hive::kLocalMachine, "SYSTEM\\TavroNoSuchKey", RegView::kDefault, &names));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(reg().KeyExistsA(Hive::kLocalMachine, "SYSTEM\\TavroNoSuchKey", RegView::kDefault));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  RegValue v;
  EXPECT_FALSE(reg().QueryValueA(Hive::kLocalMachine, "SYSTEM\\TavroNoSuchKey", "x", RegView::kDefault, &v));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  ASSERT_TRUE(reg().CreateKey(Hive::kLocalMachine, kSystemKey, RegView::kDefault));
  EXPECT_FALSE(reg().QueryValueA(Hive::kLocalMachine, "SYSTEM\\TavroPrintContract", "NoSuchValue",
                                 RegView::kDefault, &v));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
}

}  // namespace
