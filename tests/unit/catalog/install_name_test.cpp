// The name check of the model, folder and printer names: every unsafe form, and the look-alikes
// that the ANSI conversion would turn into "\", "/" or ".", under code pages 1252 and 936.
#include "catalog/install_name.h"

#include <gtest/gtest.h>

#include "catalog_test_support.h"

namespace {

class InstallNameTest : public ::testing::Test {
 protected:
  NameProblem Check(uint32_t code_page, const std::wstring& name) {
    env_.SetAnsiCodePage(code_page);
    return CheckInstallName(env_.machine().codepage(), name);
  }
  catalog_test::CatalogFixtureBase env_;
};

TEST_F(InstallNameTest, ShippedAndOrdinaryNamesPass) {
  for (uint32_t cp : {1252u, 936u}) {
    for (const wchar_t* name : {L"Tavro TR-80", L"TL-241 (copy 1)", L"R710.v2", L"x", L"a.b.c", L"COM10",
                                L"Console", L"nul_printer"}) {
      EXPECT_EQ(Check(cp, name), NameProblem::kNone) << cp << " " << ::testing::PrintToString(std::wstring(name));
    }
  }
  EXPECT_EQ(Check(936, L"\u6807\u7b7e\u6253\u5370\u673a"), NameProblem::kNone);  // 标签打印机
  EXPECT_EQ(Check(1252, L"Caf\u00e9 \u00a5"), NameProblem::kNone);
}

TEST_F(InstallNameTest, EachUnsafeFormIsRefused) {
  for (uint32_t cp : {1252u, 936u}) {
    SCOPED_TRACE(cp);
    EXPECT_EQ(Check(cp, L"..\\..\\Windows\\System32\\x"), NameProblem::kSeparator);
    EXPECT_EQ(Check(cp, L"a/b"), NameProblem::kSeparator);
    EXPECT_EQ(Check(cp, L"C:evil"), NameProblem::kColon);
    EXPECT_EQ(Check(cp, L"x:stream"), NameProblem::kColon);
    EXPECT_EQ(Check(cp, L"a..b"), NameProblem::kParent);
    EXPECT_EQ(Check(cp, L"x.."), NameProblem::kParent);
    EXPECT_EQ(Check(cp, L"tab\there"), NameProblem::kControl);
    EXPECT_EQ(Check(cp, std::wstring(L"nul\0x", 5)), NameProblem::kControl);
    EXPECT_EQ(Check(cp, L"del\u007f"), NameProblem::kControl);
    EXPECT_EQ(Check(cp, L"c1\u0085"), NameProblem::kControl);
    EXPECT_EQ(Check(cp, L""), NameProblem::kEmpty);
    EXPECT_EQ(Check(cp, L"."), NameProblem::kEmpty);
    EXPECT_EQ(Check(cp, L" . "), NameProblem::kEmpty);
    EXPECT_EQ(Check(cp, L"CON"), NameProblem::kDevice);
    EXPECT_EQ(Check(cp, L"nul.txt"), NameProblem::kDevice);
    EXPECT_EQ(Check(cp, L"Lpt1 "), NameProblem::kDevice);
    EXPECT_EQ(Check(cp, L"COM\u00b9"), NameProblem::kDevice);
  }
}

// Best fit would make "\", "/" and "." of these; the exact conversion refuses them instead.
TEST_F(InstallNameTest, LookAlikesThatBestFitWouldTurnIntoSeparatorsAreRefused) {
  EXPECT_EQ(Check(1252, L"x\u2215y"), NameProblem::kNotAnsi);        // DIVISION SLASH -> '/'
  EXPECT_EQ(Check(1252, L"\uff0e\uff0e\u2216x"), NameProblem::kNotAnsi);  // FULLWIDTH FULL STOP -> '.'
  EXPECT_EQ(Check(1252, L"a\uff3cb"), NameProblem::kNotAnsi);        // FULLWIDTH REVERSE SOLIDUS
  EXPECT_EQ(Check(1252, L"Tr\u0113"), NameProblem::kNotAnsi);        // a letter only a look-alike carries
  EXPECT_EQ(Check(1252, L"\u6807\u7b7e"), NameProblem::kNotAnsi);    // '?'
  EXPECT_EQ(Check(1252, L"x\U0001F600"), NameProblem::kNotAnsi);
  // 936 carries these with bytes of their own, which are no separators.
  EXPECT_EQ(Check(936, L"x\u2215y"), NameProblem::kNone);
  EXPECT_EQ(Check(936, L"\uff0e\uff0ex"), NameProblem::kNone);
  // ...but the yen sign only as a look-alike, and U+2216 not at all.
  EXPECT_EQ(Check(936, L"\u00a5100"), NameProblem::kNotAnsi);
  EXPECT_EQ(Check(936, L"a\u2216b"), NameProblem::kNotAnsi);
  EXPECT_EQ(Check(936, L"\u00e9"), NameProblem::kNone);  // a pinyin letter of its own in 936
}

TEST_F(InstallNameTest, AFailingConversionRefusesTheName) {
  env_.machine().faults().Fail("WideCharToMultiByte", 87, 1);
  EXPECT_EQ(Check(1252, L"Tavro \u00e9"), NameProblem::kNotAnsi);
  EXPECT_STRNE(NameProblemText(NameProblem::kNotAnsi), NameProblemText(NameProblem::kSeparator));
}

}  // namespace
