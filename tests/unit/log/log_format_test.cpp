#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "log/log_format.h"
#include "platform/sim/sim_machine.h"

namespace {

class LogFormatTest : public ::testing::Test {
 protected:
  template <typename... Args>
  std::string F(const char* format, Args... args) {
    char out[256];
    size_t n = LogFormat(&m_.codepage(), out, sizeof(out), format, args...);
    EXPECT_EQ(n, std::string(out).size());
    return std::string(out, n);
  }
  platform::sim::SimMachine m_;
};

TEST_F(LogFormatTest, IntegersWithFlagsWidthPrecisionAndLengths) {
  EXPECT_EQ(F("%d|%i|%u|%x|%X|%o", -5, 7, 4000000000u, 255, 255, 8), "-5|7|4000000000|ff|FF|10");
  EXPECT_EQ(F("[%5d][%-5d][%05d][%+d][% d][%.3d][%#x]", 42, 42, 42, 42, 42, 7, 255),
            "[   42][42   ][00042][+42][ 42][007][0xff]");
  EXPECT_EQ(F("[%*d][%-*d][%.*d]", 4, 1, 3, 2, 2, 3), "[   1][2  ][03]");
  EXPECT_EQ(F("[%*d]", -4, 1), "[1   ]");  // a negative '*' width left-justifies
  EXPECT_EQ(F("%hd %hu %hhd", 70000, 70000, 300), "4464 4464 44");
  EXPECT_EQ(F("%ld %lu", -1L, 4000000000UL), "-1 4000000000");
  EXPECT_EQ(F("%lld %I64d %I64u %llx", -9000000000LL, 9000000000LL, 18446744073709551615ULL, 0x123456789ULL),
            "-9000000000 9000000000 18446744073709551615 123456789");
  EXPECT_EQ(F("%zu %Iu %I32d", static_cast<size_t>(123456), static_cast<size_t>(9), -2), "123456 9 -2");
}

TEST_F(LogFormatTest, StringsNarrowAndWideThroughTheAnsiCodePage) {
  EXPECT_EQ(F("%s|%5s|%-5s|%.2s|%hs", "ab", "ab", "ab", "abc", "n"), "ab|   ab|ab   |ab|n");
  EXPECT_EQ(F("%ws|%ls|%S|%5ws", L"w1", L"w2", L"w3", L"w4"), "w1|w2|w3|   w4");
  EXPECT_EQ(F("%s %ws", static_cast<const char*>(nullptr), static_cast<const wchar_t*>(nullptr)), "(null) (null)");
  EXPECT_EQ(F("%ws", L"caf\u00E9 \u4E2D"), "caf\xE9 ?");  // 1252: what it lacks becomes '?'
  m_.codepage().SetAnsiCodePage(936);
  EXPECT_EQ(F("%ws", L"\u4E2D\u6587"), "\xD6\xD0\xCE\xC4");
  // A precision counts bytes and never splits a double-byte character.
  EXPECT_EQ(F("[%.3ws]", L"\u4E2D\u6587"), "[\xD6\xD0]");
  EXPECT_EQ(F("%c%c%wc%C", 'a', 'b', static_cast<wint_t>(L'\u4E2D'), static_cast<wint_t>(L'z')), "ab\xD6\xD0z");
}

TEST_F(LogFormatTest, FloatsPointersPercentAndOddFormats) {
  EXPECT_EQ(F("%.1f %5.2f %e %g %G", 16.0, 3.14159, 1500.0, 0.0001, 1e20), "16.0  3.14 1.500000e+03 0.0001 1E+20");
  EXPECT_EQ(F("%Lf", 2.5L), "2.500000");
  void* p = reinterpret_cast<void*>(static_cast<uintptr_t>(0xBEEF));
  EXPECT_EQ(F("%p", p), sizeof(void*) == 8 ? "000000000000BEEF" : "0000BEEF");
  EXPECT_EQ(F("100%% done"), "100% done");
  EXPECT_EQ(F("%y and %d", 5), "%y and 5");  // unknown conversion: written, no argument used
  EXPECT_EQ(F("tail %"), "tail %");
  int stored = 7;
  EXPECT_EQ(F("a%nb", &stored), "ab");
  EXPECT_EQ(stored, 7);  // %n never writes
}

// The walker writes integers itself: every combination of flags, width, precision and conversion
// must read as the C library's printf writes it.
TEST_F(LogFormatTest, IntegersMatchTheCLibrarysPrintf) {
  const char* flag_sets[] = {"", "-", "+", " ", "#", "0", "-+", "+0", " 0", "#0", "-#", "+ ", "-0", "#+0 -"};
  const char* widths[] = {"", "1", "3", "8", "21", "25"};
  const char* precisions[] = {"", ".", ".0", ".1", ".3", ".12", ".24"};
  const long long values[] = {0, 1, -1, 7, 8, 9, 10, 15, 16, 99, 100, -100, 4096, 65535, 2147483647, -2147483647 - 1,
                              4294967295LL, 4294967296LL, -9000000000LL, 9223372036854775807LL,
                              -9223372036854775807LL - 1};
  int checked = 0;
  for (const char* flags : flag_sets) {
    for (const char* width : widths) {
      for (const char* precision : precisions) {
        for (char conversion : {'d', 'i', 'u', 'o', 'x', 'X'}) {
          for (long long value : values) {
            std::string format = std::string("[%") + flags + width + precision;
            char expected[128];
            std::string got;
            bool is_signed = conversion == 'd' || conversion == 'i';
            if (value >= INT32_MIN && value <= INT32_MAX) {  // without a length: an int
              std::string f = format + conversion + "]";
              if (is_signed) {
                std::snprintf(expected, sizeof(expected), f.c_str(), static_cast<int>(value));
                got = F(f.c_str(), static_cast<int>(value));
              } else {
                std::snprintf(expected, sizeof(expected), f.c_str(), static_cast<unsigned int>(value));
                got = F(f.c_str(), static_cast<unsigned int>(value));
              }
              ASSERT_EQ(got, expected) << f << " of " << value;
              ++checked;
            }
            std::string f = format + "ll" + conversion + "]";
            if (is_signed) {
              std::snprintf(expected, sizeof(expected), f.c_str(), value);
              got = F(f.c_str(), value);
            } else {
              std::snprintf(expected, sizeof(expected), f.c_str(), static_cast<unsigned long long>(value));
              got = F(f.c_str(), static_cast<unsigned long long>(value));
            }
            ASSERT_EQ(got, expected) << f << " of " << value;
            ++checked;
          }
        }
      }
    }
  }
  EXPECT_GT(checked, 20000);
}

TEST_F(LogFormatTest, PaddedPointersAndAsciiWideText) {
  void* p = reinterpret_cast<void*>(static_cast<uintptr_t>(0xBEEF));
  std::string digits = sizeof(void*) == 8 ? "000000000000BEEF" : "0000BEEF";
  EXPECT_EQ(F("[%20p][%-20p][%020p]", p, p, p), "[" + std::string(20 - digits.size(), ' ') + digits + "][" + digits +
                                                    std::string(20 - digits.size(), ' ') + "][" +
                                                    std::string(20 - digits.size(), ' ') + digits + "]");
  EXPECT_EQ(F("[%p]", static_cast<void*>(nullptr)), "[" + std::string(2 * sizeof(void*), '0') + "]");
  // Wide text in ASCII is written byte for byte, with width, precision and flags as narrow text.
  EXPECT_EQ(F("[%.3ws][%-5ws][%05ws][%5.1ws][%.0ws][%ws]", L"abcdef", L"ab", L"ab", L"xyz", L"q", L""),
            "[abc][ab   ][000ab][    x][][]");
  EXPECT_EQ(F("[%.3s][%-5s][%05s][%5.1s][%.0s][%s]", "abcdef", "ab", "ab", "xyz", "q", ""),
            "[abc][ab   ][000ab][    x][][]");
  EXPECT_EQ(F("[%-3wc][%3C]", static_cast<wint_t>(L'a'), static_cast<wint_t>(L'b')), "[a  ][  b]");
  // A single non-ASCII character sends the whole argument through the code page.
  m_.codepage().SetAnsiCodePage(936);
  EXPECT_EQ(F("[%ws][%.2ws]", L"ab\u4E2D", L"a\u4E2D"), "[ab\xD6\xD0][a]");
}

TEST_F(LogFormatTest, OutputIsCutToTheBuffer) {
  char out[8];
  EXPECT_EQ(LogFormat(nullptr, out, sizeof(out), "%s", "0123456789"), 7u);
  EXPECT_STREQ(out, "0123456");
  EXPECT_EQ(LogFormat(nullptr, out, sizeof(out), "%d%d", 12345, 67890), 7u);
  EXPECT_STREQ(out, "1234567");
  EXPECT_EQ(LogFormat(nullptr, out, sizeof(out), "%10s", "a"), 7u);
  EXPECT_STREQ(out, "       ");
  EXPECT_EQ(LogFormat(nullptr, out, 0, "x"), 0u);
  // Without a code page, wide text keeps ASCII only.
  EXPECT_EQ(LogFormat(nullptr, out, sizeof(out), "%ws", L"a\u00E9"), 2u);
  EXPECT_STREQ(out, "a?");
}

}  // namespace
