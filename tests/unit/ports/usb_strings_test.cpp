#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "ports/usb_strings.h"

namespace {

// Output buffer with a guard pattern behind the capacity, to see a write past it.
struct Out {
  static constexpr int kGuard = 8;
  wchar_t buf[300 + kGuard];
  explicit Out() { std::fill(std::begin(buf), std::end(buf), L'#'); }
  std::wstring Text() const { return std::wstring(buf); }
  bool GuardIntact(int capacity) const {
    for (int k = capacity; k < capacity + kGuard; ++k) {
      if (buf[k] != L'#') return false;
    }
    return true;
  }
};

TEST(ExtractModelFromInstanceId, TakesTheSegmentAfterTheFirstBackslash) {
  Out out;
  ExtractModelFromInstanceId(L"USBPRINT\\MODELX\\7&2C1A6A9A&0&USB001", out.buf, 64);
  EXPECT_EQ(out.Text(), L"MODELX");
  ExtractModelFromInstanceId(L"USBPRINT\\MODELX", out.buf, 64);
  EXPECT_EQ(out.Text(), L"MODELX");
  ExtractModelFromInstanceId(L"USBPRINT\\\\X", out.buf, 64);
  EXPECT_EQ(out.Text(), L"");
}

TEST(ExtractModelFromInstanceId, EmptyForNoBackslashEmptyOrNullInput) {
  Out out;
  ExtractModelFromInstanceId(L"USBPRINTMODELX", out.buf, 64);
  EXPECT_EQ(out.Text(), L"");
  out.buf[0] = L'x';
  ExtractModelFromInstanceId(L"", out.buf, 64);
  EXPECT_EQ(out.Text(), L"");
  out.buf[0] = L'x';
  ExtractModelFromInstanceId(nullptr, out.buf, 64);
  EXPECT_EQ(out.Text(), L"");
}

TEST(ExtractModelFromInstanceId, CutsToCapacityAndWritesNothingWithoutOne) {
  Out out;
  ExtractModelFromInstanceId(L"USBPRINT\\ABCDEFGH\\1", out.buf, 4);
  EXPECT_EQ(out.Text(), L"ABC");
  EXPECT_TRUE(out.GuardIntact(4));
  Out untouched;
  ExtractModelFromInstanceId(L"USBPRINT\\ABCDEFGH\\1", untouched.buf, 0);
  ExtractModelFromInstanceId(L"USBPRINT\\ABCDEFGH\\1", untouched.buf, -5);
  EXPECT_TRUE(untouched.GuardIntact(0));
}

TEST(ExtractVidPid, NeedsBothLowerCaseMarkers) {
  Out out;
  ExtractVidPid(L"USBPRINT\\MODELX\\7&2C1A6A9A&0&USB001", out.buf, 32);
  EXPECT_EQ(out.Text(), L"");
  ExtractVidPid(L"USB\\VID_4A7F&PID_0241\\123", out.buf, 32);
  EXPECT_EQ(out.Text(), L"");  // upper-case markers are not searched for
  ExtractVidPid(L"x\\vid_4a7f\\1", out.buf, 32);
  EXPECT_EQ(out.Text(), L"");
  ExtractVidPid(L"x\\pid_0241&vid_4a7f\\1", out.buf, 32);
  EXPECT_EQ(out.Text(), L"VID_4a7f&PID_0241");
}

TEST(ExtractVidPid, ShortTailsDoNotReadPastTheIdAndCapacityCuts) {
  Out out;
  // Fewer than four characters after the marker: the id's end bounds the copy.
  ExtractVidPid(L"vid_12&pid_9", out.buf, 32);
  EXPECT_EQ(out.Text(), L"VID_12&p&PID_9");
  Out cut;
  ExtractVidPid(L"usbprint\\vid_4a7f&pid_0241", cut.buf, 10);
  EXPECT_EQ(cut.Text(), L"VID_4a7f&");
  EXPECT_TRUE(cut.GuardIntact(10));
}

TEST(ExtractPortFromInstanceId, TakesTheTextAfterTheLastAmpersand) {
  Out out;
  ExtractPortFromInstanceId(L"USBPRINT\\MODELX\\7&2C1A6A9A&0&USB001", out.buf, 32);
  EXPECT_EQ(out.Text(), L"USB001");
  ExtractPortFromInstanceId(L"USBPRINT\\MODELX\\USB007", out.buf, 32);
  EXPECT_EQ(out.Text(), L"USB007");
  // A third backslash is skipped as well.
  ExtractPortFromInstanceId(L"A\\B\\C&D\\7&1&USB002", out.buf, 32);
  EXPECT_EQ(out.Text(), L"USB002");
  // An "&" with nothing after it does not count: the whole remaining text is the port.
  ExtractPortFromInstanceId(L"USBPRINT\\MODELX\\7&2C&", out.buf, 32);
  EXPECT_EQ(out.Text(), L"7&2C&");
}

TEST(ExtractPortFromInstanceId, EmptyWithFewerThanTwoBackslashes) {
  Out out;
  ExtractPortFromInstanceId(L"USBPRINT\\MODELX", out.buf, 32);
  EXPECT_EQ(out.Text(), L"");
  ExtractPortFromInstanceId(L"", out.buf, 32);
  EXPECT_EQ(out.Text(), L"");
  ExtractPortFromInstanceId(L"USBPRINT\\MODELX\\", out.buf, 32);
  EXPECT_EQ(out.Text(), L"");
  ExtractPortFromInstanceId(L"U\\M\\7&0&USB0012345", out.buf, 5);
  EXPECT_EQ(out.Text(), L"USB0");
  EXPECT_TRUE(out.GuardIntact(5));
}

TEST(StripSeparators, RemovesOnlyUnderscoresAndHyphens) {
  Out out;
  StripSeparators(64, L"x AB_12-y--_", out.buf);
  EXPECT_EQ(out.Text(), L"x AB12y");
  Out cut;
  StripSeparators(4, L"A-B_C-D-E", cut.buf);
  EXPECT_EQ(cut.Text(), L"ABC");
  EXPECT_TRUE(cut.GuardIntact(4));
  StripSeparators(64, L"_-_", out.buf);
  EXPECT_EQ(out.Text(), L"");
}

TEST(HasUsbPrintPrefix, ComparesTheNineCharactersIgnoringAsciiCase) {
  EXPECT_TRUE(HasUsbPrintPrefix(L"USBPRINT\\X\\1"));
  EXPECT_TRUE(HasUsbPrintPrefix(L"usbprint\\x"));
  EXPECT_TRUE(HasUsbPrintPrefix(L"UsbPrint\\"));
  EXPECT_FALSE(HasUsbPrintPrefix(L"USBPRINT"));
  EXPECT_FALSE(HasUsbPrintPrefix(L"USBPRINTX\\A"));
  EXPECT_FALSE(HasUsbPrintPrefix(L"USB\\VID_1"));
  EXPECT_FALSE(HasUsbPrintPrefix(L""));
  EXPECT_FALSE(HasUsbPrintPrefix(nullptr));
}

}  // namespace
