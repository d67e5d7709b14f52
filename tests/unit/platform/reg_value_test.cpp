#include <gtest/gtest.h>

#include "platform/registry.h"

namespace platform {
namespace {

TEST(RegValue, StringsTravelAsUtf16WithTerminator) {
  RegValue v = RegValue::Sz(L"Ab\u4e2d");
  EXPECT_EQ(v.type, regtype::kSz);
  EXPECT_EQ(v.data, (std::vector<uint8_t>{'A', 0, 'b', 0, 0x2d, 0x4e, 0, 0}));
  EXPECT_EQ(v.AsString(), L"Ab\u4e2d");
}

TEST(RegValue, DwordIsLittleEndianAndOddSizesReadAsZero) {
  RegValue v = RegValue::Dword(0x01020304);
  EXPECT_EQ(v.data, (std::vector<uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(v.AsDword(), 0x01020304u);
  v.data.pop_back();
  EXPECT_EQ(v.AsDword(), 0u);
}

TEST(RegValue, MultiSzEndsInTwoNuls) {
  RegValue v = RegValue::MultiSz({L"a", L"b"});
  EXPECT_EQ(v.data, (std::vector<uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  EXPECT_EQ(v.AsString(), L"a");
}

}  // namespace
}  // namespace platform
