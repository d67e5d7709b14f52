// ExtractConfigFiles: which entries reach the configuration folder, under which names, and what
// a broken payload does to the walk.
#include "payload/extract_config.h"

#include <gtest/gtest.h>

#include "tests/unit/payload/payload_fixture.h"

namespace {

using payload_test::RawArchive;

const std::wstring kConfig = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config\\";

class ExtractConfigTest : public payload_test::PayloadTest {
 protected:
  void Extract(const RawArchive& archive) {
    buffer_ = archive.Buffer();
    ExtractConfigFiles(machine_, buffer_.data(), static_cast<int32_t>(buffer_.size()));
  }
  std::vector<std::wstring> ConfigFiles() { return machine_.files().List(kConfig); }
  std::vector<uint8_t> buffer_;
};

TEST_F(ExtractConfigTest, CountZeroMakesTheFolderAndWritesNothing) {
  Extract(RawArchive(0));
  EXPECT_EQ(machine_.files().Kind(kConfig), platform::PathKind::kDirectory);
  EXPECT_TRUE(ConfigFiles().empty());
}

TEST_F(ExtractConfigTest, OnlyConfigurationNamesAreWrittenUnderTheListsSpelling) {
  Extract(RawArchive(7)
              .Add("MODULES.JSON", "[models]")
              .Add("LOGO.BMP", "BM")
              .Add("InstallConfig_tw.txt", "tw")
              .Add("installconfig_rs.txt", "rs")
              .Add("tavrodrv.dll", "MZ")
              .Add("sub\\Text.ini", "no")
              .Add("Text.ini", "ini"));
  EXPECT_EQ(ConfigFiles(), (std::vector<std::wstring>{L"InstallConfig_rs.txt",
                                                      L"InstallConfig_tw.txt", L"logo.bmp",
                                                      L"Modules.json", L"Text.ini"}));
  EXPECT_EQ(File(kConfig + L"Modules.json"), "[models]");
  EXPECT_EQ(File(kConfig + L"InstallConfig_tw.txt"), "tw");
  EXPECT_EQ(File(kConfig + L"Text.ini"), "ini");
}

TEST_F(ExtractConfigTest, ProgressCountsTheConfigurationBytesAgainstThePayload) {
  buffer_ = RawArchive(3)
                .Add("Modules.json", std::string(1000, 'm'))
                .Add("tavrodrv.dll", std::string(4000, 'd'))
                .Add("PaperSize.json", std::string(500, 'p'))
                .Buffer();
  std::vector<int> positions;
  const int32_t length = static_cast<int32_t>(buffer_.size());
  ExtractConfigFiles(machine_, buffer_.data(), length,
                     [&](int position) { positions.push_back(position); });
  // One report per written entry (each fits one window); the skipped module adds nothing.
  EXPECT_EQ(positions, (std::vector<int>{ProgressPosition(1000, length),
                                         ProgressPosition(1500, length)}));
  EXPECT_GT(positions.back(), 100);  // the bytes outgrow the compressed payload
}

TEST_F(ExtractConfigTest, ExistingFilesAreOverwritten) {
  machine_.files().PutFile(kConfig + L"Modules.json", "old and longer than the new one");
  Extract(RawArchive(1).Add("Modules.json", "new"));
  EXPECT_EQ(File(kConfig + L"Modules.json"), "new");
}

TEST_F(ExtractConfigTest, CorruptEntryDoesNotStopTheNextOne) {
  std::string bad = payload_test::Deflate(payload_test::Noise(30000));
  for (size_t i = 100; i < 200; ++i) bad[i] = 0;
  Extract(RawArchive(2).AddRaw(12, "Modules.json", bad).Add("PaperSize.json", "{}"));
  EXPECT_TRUE(Exists(kConfig + L"Modules.json"));  // partial file stays
  EXPECT_EQ(File(kConfig + L"PaperSize.json"), "{}");
}

TEST_F(ExtractConfigTest, TruncatedArchiveKeepsWhatWasWrittenAndLogsAnError) {
  const std::string full =
      RawArchive(3).Add("Modules.json", "m").Add("PaperSize.json", "p").Add("Text.ini", "t").bytes();
  buffer_.assign(full.begin(), full.end() - 4);
  ExtractConfigFiles(machine_, buffer_.data(), static_cast<int32_t>(buffer_.size()));
  EXPECT_EQ(File(kConfig + L"Modules.json"), "m");
  EXPECT_EQ(File(kConfig + L"PaperSize.json"), "p");
  EXPECT_FALSE(Exists(kConfig + L"Text.ini"));
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] ExtractConfigFiles - Payload truncated: entry 2 of 3"),
            std::string::npos)
      << log;
}

TEST_F(ExtractConfigTest, BadEntriesAreSkippedWithALogLine) {
  Extract(RawArchive(4)
              .AddRaw(300, std::string(300, 'x'), payload_test::Deflate("x"))
              .AddRaw(12, "Modules.json", "")
              .Add("..\\Modules.json", "escape")
              .Add("PaperSize.json", "p"));
  EXPECT_FALSE(Exists(kConfig + L"Modules.json"));
  EXPECT_FALSE(Exists(L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Modules.json"));
  EXPECT_EQ(File(kConfig + L"PaperSize.json"), "p");
  const std::string log = LogText();
  EXPECT_NE(log.find("Skipping entry 0"), std::string::npos) << log;
  EXPECT_NE(log.find("256 bytes or longer"), std::string::npos) << log;
  EXPECT_NE(log.find("Skipping entry 1 \"Modules.json\""), std::string::npos) << log;
  EXPECT_NE(log.find("Skipping entry 2 \"..\\Modules.json\""), std::string::npos) << log;
}

TEST_F(ExtractConfigTest, NoLocalAppDataMeansNothingIsExtracted) {
  machine_.shell().SetSpecialFolder(platform::csidl::kLocalAppData, L"");
  Extract(RawArchive(1).Add("Modules.json", "m"));
  EXPECT_FALSE(Exists(kConfig + L"Modules.json"));
  EXPECT_NE(LogText().find("[ERROR] ExtractConfigFiles - Failed to get Local AppData path"),
            std::string::npos);
}

TEST_F(ExtractConfigTest, FolderThatCannotBeMadeMeansNothingIsExtracted) {
  machine_.files().SetFailing(L"C:\\Users\\Admin\\AppData\\Local\\Temp", 5);
  Extract(RawArchive(1).Add("Modules.json", "m"));
  machine_.files().SetFailing(L"C:\\Users\\Admin\\AppData\\Local\\Temp", 0);
  EXPECT_FALSE(Exists(kConfig + L"Modules.json"));
  EXPECT_NE(LogText().find("Cannot create the configuration folder"), std::string::npos);
}

// The folder is the user's own: a link any of the user's programs put there before the elevated
// installer writes would send the payload's files elsewhere.
TEST_F(ExtractConfigTest, AFolderOnTheWayThatIsALinkIsNotWrittenThrough) {
  const std::wstring elsewhere = L"C:\\Windows\\System32\\Tasks";
  for (const std::wstring& link : {std::wstring(L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint"),
                                   std::wstring(L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config")}) {
    machine_.files().RemoveTree(L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint");
    machine_.files().MakeFolders(elsewhere);
    machine_.files().MakeJunction(link, elsewhere);
    Extract(RawArchive(1).Add("Modules.json", "planted elsewhere"));
    EXPECT_TRUE(machine_.files().List(elsewhere).empty()) << "through " << std::string(link.begin(), link.end());
    EXPECT_NE(LogText().find("is a link, the configuration folder is not used"), std::string::npos);
  }
}

TEST_F(ExtractConfigTest, AFileWithASecondNameIsLeftAsItIs) {
  Extract(RawArchive(0));
  machine_.files().PutFile(L"C:\\Windows\\win.ini", "system");
  ASSERT_TRUE(machine_.files().MakeHardLink(kConfig + L"Text.ini", L"C:\\Windows\\win.ini"));
  Extract(RawArchive(2).Add("Text.ini", "payload").Add("Modules.json", "m"));
  EXPECT_EQ(File(L"C:\\Windows\\win.ini"), "system");
  EXPECT_EQ(File(kConfig + L"Modules.json"), "m") << "the other files are still written";
  EXPECT_NE(LogText().find("Text.ini is a link, not written"), std::string::npos);
}

}  // namespace
