// Printer names against the spooler's printers: the install command's rule, the registration's
// inline pass in the ANSI code page, and names too long for their fields.
#include "install/printer_naming.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "install/install_texts.h"
#include "install/text_fit.h"
#include "platform/last_error.h"
#include "tests/unit/install/install_fixture.h"

namespace {

using install_test::InstallTest;

const std::wstring kCopy1Chinese = L"R710 (\u526f\u672c 1)";  // R710 (副本 1)

class PrinterNamingTest : public InstallTest {
 protected:
  std::wstring Name(const std::wstring& base) {
    GetPrinterName(machine_, base, InstallTarget.PrinterName);
    return InstallTarget.PrinterName;
  }
};

TEST_F(PrinterNamingTest, FindPrinterListsLocalAndConnectedPrinters) {
  ArrangePrinter(L"R710");
  ArrangePrinter(L"Office");
  std::vector<std::wstring> names;
  ASSERT_TRUE(FindPrinter(machine_, &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Office", L"R710"}));
  EXPECT_EQ(machine_.spy_spooler().enum_printer_flags, std::vector<uint32_t>{6u});
  EXPECT_TRUE(LogInOrder({"[ENTRY] FindPrinter\n", "[INFO] FindPrinter - First EnumPrinters call, cbBuf=",
                          ", pcReturned=0\n", "[EXIT] FindPrinter - Success, found 2 printers\n"}));
}

TEST_F(PrinterNamingTest, FindPrinterFailureIsLoggedWithItsCode) {
  sim_.faults().Fail("EnumPrintersW", 1722);
  std::vector<std::wstring> names = {L"stale"};
  EXPECT_FALSE(FindPrinter(machine_, &names));
  EXPECT_EQ(platform::LastErrorCode(), 1722u);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(LogInOrder({"[ERROR] FindPrinter - EnumPrinters failed, Error=1722\n"}));
}

TEST_F(PrinterNamingTest, AFreeNameIsKeptWithoutAConflictLine) {
  ArrangePrinter(L"Office");
  EXPECT_EQ(Name(L"R710"), L"R710");
  EXPECT_EQ(LogText().find("Name conflict"), std::string::npos);
  EXPECT_TRUE(LogInOrder({"[ENTRY] GetPrinterName - pszPrinterName=R710\n",
                          "[INFO] GetPrinterName - Initial printer name: R710, Existing printers: 1\n",
                          "[EXIT] GetPrinterName - Final printer name: R710\n"}));
}

TEST_F(PrinterNamingTest, ConflictsCountUpFromTheBaseName) {
  ArrangePrinter(L"R710");
  ArrangePrinter(L"R710 (copy 1)");
  EXPECT_EQ(Name(L"R710"), L"R710 (copy 2)");
  EXPECT_TRUE(LogInOrder({"Name conflict found, new name: R710 (copy 1)\n",
                          "Name conflict found, new name: R710 (copy 2)\n",
                          "Final printer name: R710 (copy 2)\n"}));
}

TEST_F(PrinterNamingTest, TheFirstFreeCounterIsTakenEvenBelowATakenOne) {
  ArrangePrinter(L"R710");
  ArrangePrinter(L"R710 (copy 2)");
  EXPECT_EQ(Name(L"R710"), L"R710 (copy 1)");
}

// The spooler takes "r710" and "R710" for one name (it refuses the second with 1802 on Windows;
// Wine replaces the first): a name that differs only in case is a conflict.
TEST_F(PrinterNamingTest, ComparisonIgnoresCaseAsTheSpoolerDoes) {
  ArrangePrinter(L"r710");
  EXPECT_EQ(Name(L"R710"), L"R710 (copy 1)");
  ArrangePrinter(L"r710 (COPY 1)");
  EXPECT_EQ(Name(L"R710"), L"R710 (copy 2)");
}

TEST_F(PrinterNamingTest, ChineseSuffixWhereTheCodePageHasIt) {
  language_ = kLanguageSimplified;
  sim_.codepage().SetAnsiCodePage(936);
  ArrangePrinter(L"R710");
  EXPECT_EQ(Name(L"R710"), kCopy1Chinese);

  language_ = kLanguageTraditional;
  EXPECT_EQ(Name(L"R710"), kCopy1Chinese);
}

TEST_F(PrinterNamingTest, EnglishSuffixWhereTheCodePageLacksTheChinese) {
  language_ = kLanguageSimplified;
  sim_.codepage().SetAnsiCodePage(1252);
  ArrangePrinter(L"R710");
  EXPECT_EQ(Name(L"R710"), L"R710 (copy 1)");
}

TEST_F(PrinterNamingTest, WithoutAPrinterListTheBaseIsKept) {
  sim_.faults().Fail("EnumPrintersW", 5);
  EXPECT_EQ(Name(L"R710"), L"R710");
  EXPECT_TRUE(LogInOrder({"Initial printer name: R710, Existing printers: 0\n", "Final printer name: R710\n"}));
}

// A conflicting base of 250 characters: with " (copy 1)" it would be 259, so the base loses 4.
TEST_F(PrinterNamingTest, ALongBaseIsCutSoThatTheSuffixFitsTheField) {
  std::wstring base(250, L'B');
  machine_.spy_spooler().connections = {base};
  std::wstring name = Name(base);
  EXPECT_EQ(name, std::wstring(246, L'B') + L" (copy 1)");
  EXPECT_EQ(name.size(), 255u);
}

TEST_F(PrinterNamingTest, ABaseLongerThanTheFieldIsCutToIt) {
  std::wstring name = Name(std::wstring(300, L'B'));
  EXPECT_EQ(name, std::wstring(255, L'B'));
}

// Where the cut would fall between the halves of a surrogate pair, the whole pair goes.
TEST_F(PrinterNamingTest, TheCutNeverSplitsASurrogatePair) {
  std::wstring base = std::wstring(245, L'B') + L"\xD83D\xDE00" + L"tail";  // U+1F600 as UTF-16
  machine_.spy_spooler().connections = {CutToUnits(base, 255)};
  std::wstring name = Name(base);
  EXPECT_EQ(name, std::wstring(245, L'B') + L" (copy 1)");
}

TEST(TextFit, SuffixesKeepTheBaseWholeCharacters) {
  const std::wstring pair = L"\xD83D\xDE00";
  EXPECT_EQ(FitWithSuffix(L"abcdef", L"-Port:", 9), L"abc-Port:");
  EXPECT_EQ(FitWithSuffix(L"a" + pair, L"xy", 4), L"a" + std::wstring(L"xy"));
}

class AnsiRoundTripTest : public InstallTest {};

TEST_F(AnsiRoundTripTest, TextThatSurvivesTheCodePage) {
  sim_.codepage().SetAnsiCodePage(1252);
  EXPECT_TRUE(AnsiRoundTrips(sim_.codepage(), L""));
  EXPECT_TRUE(AnsiRoundTrips(sim_.codepage(), L"R710 (copy 1)"));
  EXPECT_TRUE(AnsiRoundTrips(sim_.codepage(), L"Caf\u00e9"));
  EXPECT_FALSE(AnsiRoundTrips(sim_.codepage(), kCopy1Chinese));
  sim_.codepage().SetAnsiCodePage(936);
  EXPECT_TRUE(AnsiRoundTrips(sim_.codepage(), kCopy1Chinese));
}

TEST_F(AnsiRoundTripTest, TextWhoseAnsiFormExceeds255BytesFails) {
  sim_.codepage().SetAnsiCodePage(936);
  EXPECT_TRUE(AnsiRoundTrips(sim_.codepage(), std::wstring(127, L'\u7eb8')));   // 254 bytes
  EXPECT_FALSE(AnsiRoundTrips(sim_.codepage(), std::wstring(128, L'\u7eb8')));  // 256 bytes
}

TEST_F(AnsiRoundTripTest, AFailedConversionFails) {
  sim_.faults().Fail("WideCharToMultiByte", 87);
  EXPECT_FALSE(AnsiRoundTrips(sim_.codepage(), L"R710"));
}

class InlineNameTest : public InstallTest {};

TEST_F(InlineNameTest, TheBaseIsUsedInItsAnsiFormWhenNothingConflicts) {
  std::vector<std::wstring> printers = {L"Office"};
  EXPECT_EQ(ResolvePrinterNameInline(machine_, L"R710", &printers), L"R710");
  EXPECT_EQ(ResolvePrinterNameInline(machine_, L"R710", nullptr), L"R710");
}

TEST_F(InlineNameTest, ConflictsAreResolvedInTheLanguagesPattern) {
  std::vector<std::wstring> printers = {L"R710", L"R710 (copy 1)"};
  EXPECT_EQ(ResolvePrinterNameInline(machine_, L"R710", &printers), L"R710 (copy 2)");
  language_ = kLanguageSimplified;
  sim_.codepage().SetAnsiCodePage(936);
  printers = {L"R710"};
  EXPECT_EQ(ResolvePrinterNameInline(machine_, L"R710", &printers), kCopy1Chinese);
}

TEST_F(InlineNameTest, ANameDifferingOnlyInCaseIsAConflictToo) {
  std::vector<std::wstring> printers = {L"tavro tl-241", L"TAVRO TL-241 (COPY 1)"};
  EXPECT_EQ(ResolvePrinterNameInline(machine_, L"Tavro TL-241", &printers), L"Tavro TL-241 (copy 2)");
}

// 200 Chinese characters are 400 bytes in 936: the ANSI form keeps 127 whole characters.
TEST_F(InlineNameTest, TheAnsiFormIsCutBetweenDoubleByteCharacters) {
  sim_.codepage().SetAnsiCodePage(936);
  std::wstring base(200, L'\u7eb8');
  EXPECT_EQ(ResolvePrinterNameInline(machine_, base, nullptr), std::wstring(127, L'\u7eb8'));
}

// After a conflict the base is cut, not the suffix: " (copy 1)" is 9 bytes, leaving 246 bytes,
// which is 123 characters.
TEST_F(InlineNameTest, ConflictSuffixSurvivesAnAnsiCut) {
  sim_.codepage().SetAnsiCodePage(936);
  std::wstring base(200, L'\u7eb8');
  std::vector<std::wstring> printers = {std::wstring(127, L'\u7eb8')};
  std::wstring name = ResolvePrinterNameInline(machine_, base, &printers);
  EXPECT_EQ(name, std::wstring(123, L'\u7eb8') + L" (copy 1)");
  EXPECT_LE(sim_.codepage().ToAnsi(name).size(), 255u);
}

}  // namespace
