// Code pages: the ANSI code page of a default machine is 1252; what it lacks becomes a best-fit
// look-alike where Windows has one, else '?'. Code page 936 on request.
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/last_error.h"
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

TEST(CodePageContract, LettersOutside1252BecomeTheirBestFit) {
  EXPECT_EQ(cp().ToAnsi(L"\u0101\u0100\u0107\u0141"), "aAcL");
  EXPECT_EQ(cp().ToAnsi(L"\uff21\uff42"), "Ab");  // fullwidth forms
  EXPECT_EQ(cp().ToAnsi(L"R710 (\u526f\u672c 1)"), "R710 (?? 1)");
  // A name with a best-fit letter does not come back as it went.
  EXPECT_EQ(cp().FromAnsi(cp().ToAnsi(L"Caf\u0113")), L"Cafe");
}

TEST(CodePageContract, The1252GapsRoundTripAsC1Controls) {
  EXPECT_EQ(cp().ToAnsi(L"\u0081\u008d\u009d"), "\x81\x8d\x9d");
  EXPECT_EQ(cp().FromAnsi("\x81\x8f\x90"), L"\u0081\u008f\u0090");
}

TEST(CodePageContract, ACharacterBeyondTheBmpIsTwoUnits) {
  EXPECT_EQ(cp().ToAnsi(L"a\U0001F600b"), "a??b");
  EXPECT_EQ(cp().FromWide(936, L"\U0001F600"), "??");
}

TEST(CodePageContract, Code936HasBestFitsPrivateUseAndReadsBadPairsAsQuestionMarks) {
  EXPECT_EQ(cp().FromWide(936, L"\u00b2\u00c0"), "2\xa8\xa4");
  EXPECT_EQ(cp().FromWide(936, L"\ue000"), "\xaa\xa1");
  EXPECT_EQ(cp().ToWide(936, "\xaa\xa1"), L"\ue000");
  EXPECT_EQ(cp().ToWide(936, "\x81\x30" "A"), L"?A");  // a lead byte takes the next byte with it
  EXPECT_EQ(cp().ToWide(936, "A\x81"), L"A?");
  EXPECT_EQ(cp().FromWide(936, L"\u526f\u672c"), "\xb8\xb1\xb1\xbe");
}

// WC_NO_BEST_FIT_CHARS with lpUsedDefaultChar: a name goes to ANSI exactly or not at all, so that
// no look-alike becomes "\", "/" or "." on its way into a path.
TEST(CodePageContract, ExactConversionCarriesOnlyWhatThe1252TableHas) {
  std::string out = "stale";
  EXPECT_TRUE(cp().FromWideExact(1252, L"caf\u00e9 \u20ac \u00a5", &out));
  EXPECT_EQ(out, "caf\xe9 \x80 \xa5");
  EXPECT_TRUE(cp().FromWideExact(1252, L"\u0081\u008d", &out));  // the gaps round-trip
  EXPECT_EQ(out, "\x81\x8d");
  EXPECT_TRUE(cp().ToAnsiExact(L"Tavro TR-80", &out));
  EXPECT_EQ(out, "Tavro TR-80");
  EXPECT_TRUE(cp().ToAnsiExact(L"", &out));
  EXPECT_EQ(out, "");
  // DIVISION SLASH, FULLWIDTH FULL STOP, SET MINUS, FULLWIDTH REVERSE SOLIDUS, a macron letter,
  // a character 1252 lacks, one beyond the BMP.
  for (const wchar_t* text : {L"x\u2215y", L"\uff0e\uff0e", L"a\u2216b", L"\uff3c", L"Tr\u0101",
                              L"\u4e2d", L"a\U0001F600"}) {
    out = "stale";
    EXPECT_FALSE(cp().FromWideExact(1252, text, &out)) << ::testing::PrintToString(std::wstring(text));
    EXPECT_EQ(out, "");
    EXPECT_EQ(platform::LastErrorCode(), 1113u);  // ERROR_NO_UNICODE_TRANSLATION
  }
  EXPECT_FALSE(cp().ToAnsiExact(L"..\u2215x", &out));
  // The default flags still take the look-alikes: what the exact form guards against.
  EXPECT_EQ(cp().FromWide(1252, L"x\u2215y\uff0e\u2216"), "x/y.\\");
}

TEST(CodePageContract, ExactConversionCarriesOnlyWhatThe936TableHas) {
  std::string out;
  EXPECT_TRUE(cp().FromWideExact(936, L"\u4e2d\u6587A", &out));
  EXPECT_EQ(out, "\xd6\xd0\xce\xc4" "A");
  // 936 has these two of its own: bytes that are no separators.
  EXPECT_TRUE(cp().FromWideExact(936, L"\u2215\uff0e", &out));
  EXPECT_EQ(out, "\xa8\x4d\xa3\xae");
  // The yen sign and the superscript two only as look-alikes ("\xa3\xa4", "2").
  for (const wchar_t* text : {L"\u00a5", L"x\u00b2", L"\U0001F600", L"\u0416\u2216"}) {
    out = "stale";
    EXPECT_FALSE(cp().FromWideExact(936, text, &out)) << ::testing::PrintToString(std::wstring(text));
    EXPECT_EQ(out, "");
  }
  EXPECT_EQ(cp().FromWide(936, L"\u00a5"), "\xa3\xa4");
}

TEST(CodePageContract, ExactConversionToUtf8CarriesEveryCharacter) {
  std::string out;
  EXPECT_TRUE(cp().FromWideExact(platform::kCodePageUtf8, L"\u4e2d\u2215\u00a5", &out));
  EXPECT_EQ(out, "\xe4\xb8\xad\xe2\x88\x95\xc2\xa5");
}

}  // namespace
