// Code pages: the ANSI code page of a default machine is 1252; what it lacks becomes '?'.
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "tests/contract/contract_backend.h"

namespace {

platform::CodePage& cp() { return contract::TheMachine().codepage(); }

TEST(CodePageContract, DefaultAnsiCodePageIs1252) { EXPECT_EQ(cp().AnsiCodePage(), 1252u); }

TEST(CodePageContract, AnsiConversionFollows1252) {
  EXPECT_EQ(cp().ToAnsi(L"caf\u00e9 \u20ac"), "caf\xe9 \x80");
  EXPECT_EQ(cp().FromAnsi("caf\xe9 \x80"), L"caf\u00e9 \u20ac");
  EXPECT_EQ(cp().ToAnsi(L""), "");
  EXPECT_EQ(cp().FromAnsi(""), L"");
}

TEST(CodePageContract, UnconvertibleCharactersBecomeQuestionMarks) {
  EXPECT_EQ(cp().ToAnsi(L"a\u4e2d\u6587b"), "a??b");
  EXPECT_EQ(cp().FromWide(1252, L"\u0416"), "?");
}

TEST(CodePageContract, ChineseAndUtf8CodePagesConvertOnRequest) {
  EXPECT_EQ(cp().FromWide(936, L"\u4e2d\u6587A"), "\xd6\xd0\xce\xc4" "A");
  EXPECT_EQ(cp().ToWide(936, "\xd6\xd0\xce\xc4" "A"), L"\u4e2d\u6587A");
  EXPECT_EQ(cp().FromWide(platform::kCodePageUtf8, L"\u4e2d\u00e9"), "\xe4\xb8\xad\xc3\xa9");
  EXPECT_EQ(cp().ToWide(platform::kCodePageUtf8, "\xe4\xb8\xad\xc3\xa9"), L"\u4e2d\u00e9");
}

TEST(CodePageContract, InvalidUtf8BecomesReplacementCharacter) {
  EXPECT_EQ(cp().ToWide(platform::kCodePageUtf8, "a\xff" "b"), L"a\ufffd" L"b");
}

}  // namespace
