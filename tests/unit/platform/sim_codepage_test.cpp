#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

TEST(SimCodePage, Cp936RoundTripsChineseAndWidensThroughAnsi) {
  SimMachine m;
  SimCodePage& cp = m.codepage();
  EXPECT_EQ(cp.AnsiCodePage(), 1252u);
  cp.SetAnsiCodePage(936);
  const std::wstring text = L"\u7CFB\u7EDF\u4FE1\u606F A1";  // 系统信息 A1
  std::string bytes = cp.ToAnsi(text);
  EXPECT_EQ(bytes, "\xCF\xB5\xCD\xB3\xD0\xC5\xCF\xA2 A1");
  EXPECT_EQ(cp.FromAnsi(bytes), text);
  EXPECT_EQ(cp.FromWide(kCodePageUtf8, text), "\xE7\xB3\xBB\xE7\xBB\x9F\xE4\xBF\xA1\xE6\x81\xAF A1");
}

TEST(SimCodePage, UnconvertibleCharactersBecomeQuestionMarks) {
  SimMachine m;
  SimCodePage& cp = m.codepage();
  // 1252 has no Chinese, but has the euro sign and e-acute.
  EXPECT_EQ(cp.ToAnsi(L"a\u4E2D\u20AC\u00E9b"), "a?\x80\xE9" "b");
  cp.SetAnsiCodePage(936);
  EXPECT_EQ(cp.ToAnsi(L"x\u0E01y"), "x?y");  // Thai is not in GBK
  // A character outside the BMP is two UTF-16 units to Windows, so two '?'.
  EXPECT_EQ(cp.FromWide(1252, std::wstring(1, static_cast<wchar_t>(0x1F600))), "??");
  EXPECT_EQ(cp.FromWide(kCodePageUtf8, std::wstring(1, static_cast<wchar_t>(0x1F600))), "\xF0\x9F\x98\x80");
}

TEST(SimCodePage, InvalidBytesBecomeReplacementCharacters) {
  SimMachine m;
  SimCodePage& cp = m.codepage();
  EXPECT_EQ(cp.ToWide(kCodePageUtf8, "a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(cp.ToWide(936, "a\xD6"), L"a?");  // a cut double-byte character: 936's default, as Windows
  EXPECT_EQ(cp.ToWide(1251, "\xC0"), L"\u0410");   // any code page by number
}

TEST(SimCodePage, FaultsAndUnknownCodePagesFailWithACode) {
  SimMachine m;
  m.faults().Fail("WideCharToMultiByte", err::kInsufficientBuffer, 1);
  EXPECT_EQ(m.codepage().ToAnsi(L"abc"), "");
  EXPECT_EQ(LastErrorCode(), err::kInsufficientBuffer);
  EXPECT_EQ(m.codepage().ToAnsi(L"abc"), "abc");
  EXPECT_EQ(m.codepage().FromWide(12345, L"\u4E2D"), "");
  EXPECT_EQ(LastErrorCode(), err::kInvalidParameter);
}

}  // namespace
}  // namespace platform::sim
