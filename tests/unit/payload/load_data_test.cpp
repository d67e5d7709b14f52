// LoadData: the resource copied with its spare bytes, and each failure with its log lines.
#include "payload/load_data.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "tests/unit/payload/payload_fixture.h"

namespace {

class LoadDataTest : public payload_test::PayloadTest {};

TEST_F(LoadDataTest, CopiesTheResource) {
  const std::string archive = payload_test::RawArchive(1).Add("Modules.json", "[]").bytes();
  machine_.resources().Add(142, L"INSTALL", std::vector<uint8_t>(archive.begin(), archive.end()));
  int32_t length = -1;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(length, static_cast<int32_t>(archive.size()));
  EXPECT_EQ(std::string(buffer, buffer + length), archive);
  buffer[length + 15] = 0;  // the 16 spare bytes are there (AddressSanitizer would object)
  FreeLoadedData(buffer);
  const std::string log = LogText();
  const size_t entry = log.find("[ENTRY] LoadData - ResID=142, Key=INSTALL");
  const size_t size = log.find("[INFO] LoadData - Resource size=" + std::to_string(archive.size()) +
                               " bytes");
  const size_t exit = log.find("[EXIT] LoadData - Success, returned buffer=");
  EXPECT_LT(entry, size);
  EXPECT_LT(size, exit);
  EXPECT_NE(exit, std::string::npos) << log;
}

TEST_F(LoadDataTest, MissingResourceGivesNullLengthZeroAndTheErrorLine) {
  int32_t length = 99;
  EXPECT_EQ(LoadData(machine_, 142, L"INSTALL", &length), nullptr);
  EXPECT_EQ(length, 0);
  const uint32_t code = platform::LastErrorCode();
  EXPECT_TRUE(code == platform::err::kResourceTypeNotFound ||
              code == platform::err::kResourceNameNotFound)
      << code;
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] LoadData - FindResource failed, ResID=142, Error=" +
                     std::to_string(code) + ""),
            std::string::npos)
      << log;
}

TEST_F(LoadDataTest, LoadResourceFailure) {
  machine_.resources().Add(142, L"INSTALL", {1, 2, 3, 4});
  machine_.faults().Fail("LoadResource", 8, 1);
  int32_t length = 0;
  EXPECT_EQ(LoadData(machine_, 142, L"INSTALL", &length), nullptr);
  EXPECT_NE(LogText().find("[ERROR] LoadData - LoadResource failed"), std::string::npos);
}

TEST_F(LoadDataTest, EmptyResourceGivesAnEmptyPayload) {
  machine_.resources().Add(142, L"INSTALL", {});
  int32_t length = -1;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(length, 0);
  FreeLoadedData(buffer);
}

}  // namespace
