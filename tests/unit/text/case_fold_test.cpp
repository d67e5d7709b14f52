// The name fold Windows compares registry keys, file and printer names by, and the A-Z-only fold
// of the C runtime's "C" locale.
#include "text/case_fold.h"

#include <gtest/gtest.h>

namespace {

TEST(NameFold, LettersOfEveryCommonScriptCompareWithoutCase) {
  EXPECT_TRUE(EqualsIgnoringCase(L"Tavro TL-241", L"tavro tl-241"));
  EXPECT_TRUE(EqualsIgnoringCase(L"\u00c9tiquette \u00c6", L"\u00e9TIQUETTE \u00e6"));  // É, Æ
  EXPECT_TRUE(EqualsIgnoringCase(L"\u00de\u00c0", L"\u00fe\u00e0"));                      // Þ À
  EXPECT_TRUE(EqualsIgnoringCase(L"\u0178", L"\u00ff"));                                   // Ÿ ÿ
  EXPECT_TRUE(EqualsIgnoringCase(L"\u0141\u00f3d\u017a", L"\u0142\u00d3D\u0179"));          // Łódź
  EXPECT_TRUE(EqualsIgnoringCase(L"\u0100\u0139\u014a", L"\u0101\u013a\u014b"));            // Ā Ĺ Ŋ
  EXPECT_TRUE(EqualsIgnoringCase(L"\u03a3\u039f\u03a3", L"\u03c3\u03bf\u03c2"));            // ΣΟΣ σος
  EXPECT_TRUE(EqualsIgnoringCase(L"\u041f\u0420\u0418\u041d\u0422\u0415\u0420 \u0401",
                                 L"\u043f\u0440\u0438\u043d\u0442\u0435\u0440 \u0451"));  // ПРИНТЕР Ё
  EXPECT_TRUE(EqualsIgnoringCase(L"\uff34\uff41", L"\uff54\uff21"));                          // full-width Ta
  EXPECT_TRUE(EqualsIgnoringCase(L"\u6253\u5370\u673a", L"\u6253\u5370\u673a"));
}

TEST(NameFold, DifferentNamesStayDifferent) {
  EXPECT_FALSE(EqualsIgnoringCase(L"R710", L"R711"));
  EXPECT_FALSE(EqualsIgnoringCase(L"R710", L"R710 "));
  EXPECT_FALSE(EqualsIgnoringCase(L"\u00f7", L"\u00d7"));  // ÷ and × are no letter pair
  EXPECT_FALSE(EqualsIgnoringCase(L"\u0131", L"I"));       // dotless i has no upper case of its own here
  EXPECT_FALSE(EqualsIgnoringCase(L"\u0138", L"\u0137"));  // ĸ is no lower case of Ķ
  EXPECT_FALSE(EqualsIgnoringCase(L"@", L"`"));             // 0x40 and 0x60 are no letters
  EXPECT_FALSE(EqualsIgnoringCase(L"[", L"{"));
  EXPECT_FALSE(EqualsIgnoringCase(L"\u6253", L"\u6254"));
}

// The letters at the edges of the tables: ß and µ have no one-letter upper case, ÷ and × are
// signs, ÿ's upper case lies outside Latin-1, the final sigma folds with the other sigma.
TEST(NameFold, EdgeLettersFoldAsWindowsFoldsThem) {
  const struct {
    wchar_t letter;
    wchar_t folded;
  } cases[] = {
      {L'\u00df', L'\u00df'}, {L'\u00b5', L'\u00b5'}, {L'\u00f7', L'\u00f7'}, {L'\u00d7', L'\u00d7'},
      {L'\u00ff', L'\u0178'}, {L'\u00fe', L'\u00de'}, {L'\u00e0', L'\u00c0'}, {L'\u03c2', L'\u03a3'},
      {L'\u045f', L'\u040f'}, {L'\u0450', L'\u0400'}, {L'\uff5a', L'\uff3a'}, {L'\uff5b', L'\uff5b'},
      {L'\u017f', L'\u017f'},  // long s keeps its form
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FoldCase(c.letter), c.folded) << std::hex << static_cast<unsigned>(c.letter);
  }
  EXPECT_EQ(FoldCase(L"Stra\u00dfe \u00ff"), L"STRA\u00dfE \u0178");
}

TEST(NameFold, PrefixesCompareWithoutCase) {
  EXPECT_TRUE(StartsWithIgnoringCase(L"usb001", L"USB"));
  EXPECT_TRUE(StartsWithIgnoringCase(L"\u00e9tiquette", L"\u00c9T"));
  EXPECT_TRUE(StartsWithIgnoringCase(L"x", L""));
  EXPECT_FALSE(StartsWithIgnoringCase(L"US", L"USB"));
  EXPECT_FALSE(StartsWithIgnoringCase(L"LPT1", L"USB"));
}

TEST(AsciiFold, FoldsOnlyAToZ) {
  EXPECT_EQ(AsciiLower(L"AZaz@[`{09"), L"azaz@[`{09");
  // Latin-1, the Kelvin sign, Greek, Cyrillic and full-width capitals stay as they are.
  EXPECT_EQ(AsciiLower(L"\u00c4\u00de\u212a\u0391\u0401\uff21B"), L"\u00c4\u00de\u212a\u0391\u0401\uff21b");
  EXPECT_TRUE(EqualsIgnoringAsciiCase(L"COM1:", L"com1:"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(L"\u00c9", L"\u00e9"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(L"COM1", L"COM1:"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase(nullptr, L""));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(nullptr, L"a"));
}

TEST(AsciiFold, Prefixes) {
  EXPECT_TRUE(StartsWithIgnoringAsciiCase(L"usbprint\\x", L"USBPRINT"));
  EXPECT_FALSE(StartsWithIgnoringAsciiCase(L"\u00e9x", L"\u00c9"));
  EXPECT_FALSE(StartsWithIgnoringAsciiCase(L"US", L"USB"));
  EXPECT_TRUE(StartsWithIgnoringAsciiCase(L"US", nullptr));
  EXPECT_FALSE(StartsWithIgnoringAsciiCase(static_cast<const wchar_t*>(nullptr), L"U"));
  EXPECT_TRUE(StartsWithIgnoringAsciiCase("tavroprintinstall_2026.log", "TavroPrintInstall_"));
  EXPECT_FALSE(StartsWithIgnoringAsciiCase("TavroPrint", "TavroPrintInstall_"));
  EXPECT_FALSE(StartsWithIgnoringAsciiCase("\xc9", "\xe9"));
}

}  // namespace
