// Shared by the start-up tests: the payload tests' machine and log, the program's dialog
// templates, empty installer texts, and installer text files in UTF-16 LE.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/install_text_file.h"
#include "install/install_texts.h"
#include "tests/support/fixture_support.h"
#include "tests/support/rc_templates.h"
#include "tests/unit/log/log_fixture.h"
#include "tests/unit/payload/payload_fixture.h"

namespace app_test {

constexpr const wchar_t* kConfig = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config\\";

// The bytes of an installer text file: `mark` (normally the byte-order mark FF FE), then `text`
// (UTF-8 in the source) as UTF-16 LE code units.
inline std::string Utf16File(const std::u16string& text, const std::string& mark = "\xFF\xFE") {
  std::string out = mark;
  for (char16_t u : text) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

// Six separator lines (so six empty blocks), then `values` (lines with their CR LF).
inline std::u16string SixBlocks(const std::u16string& values) {
  std::u16string text;
  for (int i = 0; i < 6; ++i) text += u"====================\r\n";
  return text + values;
}

using tavro_test::InOrder;

class AppTest : public payload_test::PayloadTest {
 protected:
  void SetUp() override {
    LogStop();
    PayloadTest::SetUp();
    ResetInstallTexts();
    std::string error;
    ASSERT_TRUE(tavro_test::LoadProgramTemplates(machine_.windows(), &error)) << error;
  }
  void TearDown() override {
    PayloadTest::TearDown();
    LogAttachMachine(nullptr);
    ResetInstallTexts();
  }
  // ParseInstallText on an exact-size copy, so that a read past the end is an AddressSanitizer
  // report.
  void Parse(const std::string& bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    ParseInstallText(copy.data(), copy.size());
  }
};

}  // namespace app_test
