// Copies into fixed NUL-terminated fields: never past the field, always terminated.
#include "text/fixed_field.h"

#include <gtest/gtest.h>

namespace {

// A field of 8 units with a guard behind it that no copy may touch.
struct Field {
  wchar_t buf[8];
  wchar_t guard[4] = {L'#', L'#', L'#', L'#'};
  Field() {
    for (wchar_t& c : buf) c = L'?';
  }
  bool GuardIntact() const { return guard[0] == L'#' && guard[3] == L'#'; }
};

TEST(CopyToField, CutsToTheFieldAndTerminates) {
  Field f;
  EXPECT_TRUE(CopyToField(f.buf, 8, std::wstring(L"R710")));
  EXPECT_STREQ(f.buf, L"R710");
  EXPECT_FALSE(CopyToField(f.buf, 8, std::wstring(L"ABCDEFGHIJ")));
  EXPECT_STREQ(f.buf, L"ABCDEFG");
  EXPECT_TRUE(CopyToField(f.buf, 8, std::wstring(L"ABCDEFG")));
  EXPECT_STREQ(f.buf, L"ABCDEFG");
  EXPECT_TRUE(f.GuardIntact());
}

TEST(CopyToField, StopsAtTheGivenLengthOrTheFirstNul) {
  Field f;
  EXPECT_TRUE(CopyToField(f.buf, 8, L"USB001&x", 6));
  EXPECT_STREQ(f.buf, L"USB001");
  EXPECT_TRUE(CopyToField(f.buf, 8, L"ab\0cd", 5));
  EXPECT_STREQ(f.buf, L"ab");
  EXPECT_FALSE(CopyToField(f.buf, 4, L"COM10:"));
  EXPECT_STREQ(f.buf, L"COM");
  EXPECT_TRUE(CopyToField(f.buf, 8, nullptr));
  EXPECT_STREQ(f.buf, L"");
  EXPECT_TRUE(f.GuardIntact());
}

TEST(CopyToField, NoRoomWritesNothing) {
  Field f;
  EXPECT_FALSE(CopyToField(f.buf, 0, L"x"));
  EXPECT_FALSE(CopyToField(f.buf, -1, std::wstring(L"x")));
  EXPECT_FALSE(CopyToField(nullptr, 8, L"x"));
  EXPECT_EQ(f.buf[0], L'?');
  EXPECT_FALSE(CopyToField(f.buf, 1, L"x"));
  EXPECT_EQ(f.buf[0], L'\0');
  EXPECT_EQ(f.buf[1], L'?');
}

TEST(CopyToFieldAtBoundary, NeverSplitsASurrogatePair) {
  Field f;
  const std::wstring pair = L"\xD83D\xDE00";  // U+1F600 as UTF-16 units
  CopyToFieldAtBoundary(f.buf, 8, L"abcdef" + pair);
  EXPECT_STREQ(f.buf, L"abcdef");
  CopyToFieldAtBoundary(f.buf, 8, L"abcde" + pair);
  EXPECT_EQ(std::wstring(f.buf), L"abcde" + pair);
  CopyToFieldAtBoundary(f.buf, 8, L"ABCDEFGHIJ");
  EXPECT_STREQ(f.buf, L"ABCDEFG");
  CopyToFieldAtBoundary(f.buf, 0, L"x");
  EXPECT_STREQ(f.buf, L"ABCDEFG");
  EXPECT_TRUE(f.GuardIntact());
}

TEST(AppendToField, FillsWhatIsLeftAndKnowsTheLength) {
  Field f;
  CopyToField(f.buf, 8, L"ESC");
  EXPECT_TRUE(AppendToField(f.buf, 8, L",TS"));
  EXPECT_STREQ(f.buf, L"ESC,TS");
  EXPECT_FALSE(AppendToField(f.buf, 8, L"PL"));
  EXPECT_STREQ(f.buf, L"ESC,TSP");
  EXPECT_FALSE(AppendToField(f.buf, 8, L"x"));
  EXPECT_STREQ(f.buf, L"ESC,TSP");
  EXPECT_EQ(FieldLength(f.buf, 8), 7u);
  EXPECT_TRUE(f.GuardIntact());
  // An unterminated field is read no further than its capacity.
  wchar_t full[3] = {L'a', L'b', L'c'};
  EXPECT_EQ(FieldLength(full, 3), 3u);
}

}  // namespace
