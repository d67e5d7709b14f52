// UTF-16LE bytes, surrogate pairs and the cuts that keep them whole.
#include "text/utf16.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

// U+1F600 as the logic holds it: a pair where wchar_t is 16-bit, one character elsewhere.
std::wstring Smiley() {
  std::wstring out;
  AppendCodePoint(0x1F600, &out);
  return out;
}

TEST(Utf16, DecodesLittleEndianUnitsAndJoinsPairs) {
  // "A", U+1F600 (D83D DE00), NUL, "B", and an odd last byte.
  const std::vector<uint8_t> data = Bytes({0x41, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0, 0x42, 0, 0x43});
  EXPECT_EQ(DecodeUtf16Le(data, 0, true), L"A" + Smiley());
  EXPECT_EQ(DecodeUtf16Le(data, 0, false), L"A" + Smiley() + std::wstring(1, L'\0') + L"B");
  EXPECT_EQ(DecodeUtf16Le(data, 8, true), L"B");
  EXPECT_EQ(DecodeUtf16Le(data, 20, false), L"");
}

TEST(Utf16, ALoneSurrogateStaysAsItIs) {
  const std::vector<uint8_t> lone_high = Bytes({0x3D, 0xD8, 0x41, 0});
  const std::wstring text = DecodeUtf16Le(lone_high, 0, true);
  ASSERT_EQ(text.size(), 2u);
  EXPECT_EQ(static_cast<uint32_t>(text[0]), 0xD83Du);
  EXPECT_EQ(text[1], L'A');
  const std::u16string lone_low = {0xDE00, u'x'};
  EXPECT_EQ(static_cast<uint32_t>(Utf16ToWide(lone_low)[0]), 0xDE00u);
}

TEST(Utf16, EncodesBackToTheSameBytes) {
  const std::vector<uint8_t> data = Bytes({0x41, 0, 0x3D, 0xD8, 0x00, 0xDE, 0x2C, 0x4E});
  std::vector<uint8_t> out = Bytes({0xFF});
  AppendUtf16Le(DecodeUtf16Le(data, 0, false), &out);
  EXPECT_EQ(out, Bytes({0xFF, 0x41, 0, 0x3D, 0xD8, 0x00, 0xDE, 0x2C, 0x4E}));
  EXPECT_EQ(Utf16ToWide(u"A\U0001F600\u4E2C"), L"A" + Smiley() + L"\u4E2C");
}

TEST(Utf16, SurrogateRangesAndJoin) {
  EXPECT_FALSE(IsHighSurrogate(0xD7FF));
  EXPECT_TRUE(IsHighSurrogate(0xD800));
  EXPECT_TRUE(IsHighSurrogate(0xDBFF));
  EXPECT_FALSE(IsHighSurrogate(0xDC00));
  EXPECT_TRUE(IsLowSurrogate(0xDC00));
  EXPECT_TRUE(IsLowSurrogate(0xDFFF));
  EXPECT_FALSE(IsLowSurrogate(0xE000));
  EXPECT_EQ(JoinSurrogates(0xD83D, 0xDE00), 0x1F600u);
  EXPECT_EQ(JoinSurrogates(0xDBFF, 0xDFFF), 0x10FFFFu);
  const std::wstring text = L"a" + Smiley() + L"b";
  size_t i = 1;
  EXPECT_EQ(CodePointAt(text, &i), 0x1F600u);
  EXPECT_EQ(text[i + 1], L'b');
}

TEST(Utf16, CutsFallBetweenCharacters) {
  const std::wstring pair = L"\xD83D\xDE00";  // a pair as 16-bit units, as Windows holds it
  EXPECT_EQ(CharBoundaryAtOrBefore(L"ab" + pair, 3), 2u);
  EXPECT_EQ(CharBoundaryAtOrBefore(L"ab" + pair, 2), 2u);
  EXPECT_EQ(CharBoundaryAtOrBefore(L"ab", 7), 2u);
  EXPECT_EQ(CutToUnits(L"ab" + pair, 3), L"ab");
  EXPECT_EQ(CutToUnits(L"ab" + pair, 4), L"ab" + pair);
  EXPECT_EQ(CutToUnits(L"abc", 10), L"abc");
  EXPECT_EQ(Utf16Units(L"ab"), 2u);
  EXPECT_EQ(Utf16Units(L"a" + Smiley()), 3u);
}

}  // namespace
