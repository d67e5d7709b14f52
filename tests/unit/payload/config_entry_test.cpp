// The configuration files read from the payload in memory: which path names which configuration
// file, which entry answers it, and what a path or an entry that is not there gives.
#include "payload/config_entry.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "tests/unit/payload/payload_fixture.h"

namespace {

using payload_test::RawArchive;

const std::wstring kLocal = L"C:\\Users\\Admin\\AppData\\Local";
const std::wstring kFolder = kLocal + L"\\Temp\\TavroPrint\\Config";

TEST(ConfigEntryTest, PathsTheReadersFormNameTheirConfigurationFile) {
  EXPECT_EQ(payload::ConfigFolderOf(kLocal), kFolder);
  auto name = [](const std::wstring& path) {
    const char* found = payload::ConfigNameAt(kFolder, path);
    return std::string(found != nullptr ? found : "(none)");
  };
  // As the catalog, paper and text readers form them: doubled separators.
  EXPECT_EQ(name(kLocal + L"\\Temp\\\\TavroPrint\\Config\\Modules.json"), "Modules.json");
  EXPECT_EQ(name(kLocal + L"\\Temp\\TavroPrint\\Config\\\\InstallConfig_tw.txt"), "InstallConfig_tw.txt");
  EXPECT_EQ(name(kFolder + L"\\\\PaperSize.json"), "PaperSize.json");
  // Windows' spellings of the same file.
  EXPECT_EQ(name(L"c:/users/ADMIN/AppData/Local/Temp/TavroPrint/config/MODULES.JSON"), "Modules.json");
  EXPECT_EQ(name(kFolder + L"\\.\\sub\\..\\DefaultPaper.json"), "DefaultPaper.json");
  // Anything else is no configuration file: another folder, a sub-folder, a climb out, a name
  // the list lacks, a trimmed spelling.
  EXPECT_EQ(name(kFolder + L"\\..\\Modules.json"), "(none)");
  EXPECT_EQ(name(kFolder + L"\\..\\..\\..\\..\\..\\..\\..\\Modules.json"), "(none)");
  EXPECT_EQ(name(kFolder + L"\\sub\\Modules.json"), "(none)");
  EXPECT_EQ(name(kFolder + L"\\tavrodrv.dll"), "(none)");
  EXPECT_EQ(name(kFolder + L"\\Modules.json."), "(none)");
  EXPECT_EQ(name(kFolder + L"\\Modules.json:x"), "(none)");
  EXPECT_EQ(name(kFolder), "(none)");
  EXPECT_EQ(name(L"D:\\Temp\\TavroPrint\\Config\\Modules.json"), "(none)");
  EXPECT_EQ(payload::ConfigNameAt(L"", L"\\Modules.json"), nullptr);
}

TEST(ConfigEntryTest, TheEntryExtractionWouldLeaveIsRead) {
  const std::vector<uint8_t> buffer = RawArchive(5)
                                          .Add("modules.JSON", "first")
                                          .Add("..\\Modules.json", "refused name")
                                          .Add("tavrodrv.dll", "MZ")
                                          .Add("Modules.json", "last")
                                          .AddRaw(14, "PaperSize.json", "not zlib")
                                          .Buffer();
  const int32_t length = static_cast<int32_t>(buffer.size());
  std::string out = "stale";
  // Extraction writes every match in turn: the last one is what it leaves.
  ASSERT_TRUE(payload::ReadConfigEntry(buffer.data(), length, "Modules.json", &out));
  EXPECT_EQ(out, "last");
  EXPECT_FALSE(payload::ReadConfigEntry(buffer.data(), length, "DefaultPaper.json", &out));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_EQ(out, "");
  EXPECT_FALSE(payload::ReadConfigEntry(buffer.data(), length, "PaperSize.json", &out));
  EXPECT_EQ(platform::LastErrorCode(), 13u);
  // A payload cut after its first entry answers as extraction leaves the folder: with that entry.
  const std::vector<uint8_t> cut(buffer.begin(), buffer.begin() + 40);
  ASSERT_TRUE(payload::ReadConfigEntry(cut.data(), static_cast<int32_t>(cut.size()), "Modules.json", &out));
  EXPECT_EQ(out, "first");
  EXPECT_FALSE(payload::ReadConfigEntry(nullptr, 0, "Modules.json", &out));
}

TEST(ConfigEntryTest, TheFolderOfOneRunAnswersOnlyForItsFiles) {
  const std::vector<uint8_t> buffer =
      RawArchive(2).Add("InstallConfig_cn.txt", "text").Add("Modules.json", "[]").Buffer();
  const int32_t length = static_cast<int32_t>(buffer.size());
  payload::PayloadConfigFiles files(buffer.data(), length, kLocal);
  std::string out;
  ASSERT_TRUE(files.Read(kFolder + L"\\\\InstallConfig_cn.txt", &out));
  EXPECT_EQ(out, "text");
  EXPECT_FALSE(files.Read(kFolder + L"\\InstallConfig_en.txt", &out));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_FALSE(files.Read(L"C:\\Elsewhere\\Modules.json", &out));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  // No LocalAppData: no configuration folder, so no file in it.
  payload::PayloadConfigFiles none(buffer.data(), length, L"");
  EXPECT_FALSE(none.Read(L"\\Temp\\\\TavroPrint\\Config\\Modules.json", &out));
}

}  // namespace
