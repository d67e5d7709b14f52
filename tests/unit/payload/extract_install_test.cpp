// LoadFileFromeData: every entry into the install folder, sub-folders, the legacy names, the
// progress bar and the current-file text, and the entries it refuses.
#include "payload/extract_install.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "payload/inflate_entry.h"
#include "tests/unit/payload/payload_fixture.h"

namespace {

using payload_test::RawArchive;

const std::wstring kFolder = L"C:\\Program Files (x86)\\TavroPrint";

class ExtractInstallTest : public payload_test::PayloadTest {
 protected:
  int Extract(const RawArchive& archive, const std::wstring& folder = kFolder) {
    buffer_ = archive.Buffer();
    return LoadFileFromeData(
        machine_, buffer_.data(), static_cast<int32_t>(buffer_.size()),
        [this](int position) { positions_.push_back(position); }, folder,
        [this](const std::wstring& name) { shown_.push_back(name); });
  }
  std::vector<uint8_t> buffer_;
  std::vector<int> positions_;
  std::vector<std::wstring> shown_;
};

TEST_F(ExtractInstallTest, EveryEntryLandsInTheFolderWhichIsCreatedFirst) {
  EXPECT_EQ(0, Extract(RawArchive(4)
                           .Add("Modules.json", "m")
                           .Add("tavrodrv.dll", "MZ32")
                           .Add("tavrodrv.dll.x64", "MZ64")
                           .Add("lang\\zh\\Text.ini", "zh")));
  EXPECT_EQ(File(kFolder + L"\\Modules.json"), "m");
  EXPECT_EQ(File(kFolder + L"\\tavrodrv.dll"), "MZ32");
  EXPECT_EQ(File(kFolder + L"\\tavrodrv.dll.x64"), "MZ64");
  EXPECT_EQ(File(kFolder + L"\\lang\\zh\\Text.ini"), "zh");
  EXPECT_EQ(shown_, (std::vector<std::wstring>{L"Modules.json", L"tavrodrv.dll",
                                                L"tavrodrv.dll.x64", L"Text.ini"}));
  const std::string log = LogText();
  const size_t count = log.find("[INFO] LoadFileFromeData - FileCount=4");
  const size_t finish = log.find("[INFO] LoadFileFromeData - Retrace Finish");
  EXPECT_NE(count, std::string::npos) << log;
  EXPECT_NE(finish, std::string::npos) << log;
  EXPECT_LT(count, finish);
}

TEST_F(ExtractInstallTest, CountZeroLogsAndWritesNothing) {
  EXPECT_EQ(0, Extract(RawArchive(0)));
  EXPECT_FALSE(Exists(kFolder));
  const std::string log = LogText();
  EXPECT_NE(log.find("FileCount=0"), std::string::npos);
  EXPECT_NE(log.find("Retrace Finish"), std::string::npos);
}

TEST_F(ExtractInstallTest, LegacyNamesAreWrittenUnderTheOlderNames) {
  Extract(RawArchive(2).Add("TavroRender.dll", "r").Add("sub\\tavrouimod.dll.x64", "u"));
  EXPECT_EQ(File(kFolder + L"\\tvrdrv.dll"), "r");
  // The older name goes straight into the install folder.
  EXPECT_EQ(File(kFolder + L"\\tvrui.dll.x64"), "u");
  EXPECT_FALSE(Exists(kFolder + L"\\TavroRender.dll"));
  EXPECT_EQ(LegacyFileName("tavrodrv.dll"), nullptr);
}

TEST_F(ExtractInstallTest, ProgressMovesWithBytesAndThenWithEntries) {
  Extract(RawArchive(3).Add("a.txt", std::string(50000, 'a')).Add("b.txt", "b").Add("c.txt", "c"));
  const std::vector<int>& positions = positions_;
  // After each entry its share of the entries: 33, 66, 100; bytes against the payload size in
  // between, far above 100 for the first entry.
  ASSERT_GE(positions.size(), 6u);
  EXPECT_EQ(positions.back(), 100);
  const auto at33 = std::find(positions.begin(), positions.end(), 33);
  const auto at66 = std::find(positions.begin(), positions.end(), 66);
  EXPECT_NE(at33, positions.end());
  EXPECT_NE(at66, positions.end());
  EXPECT_LT(at33, at66);
  EXPECT_GT(*std::max_element(positions.begin(), positions.end()), 100);
  // Each entry's bytes come before its share: the first entry's 50000 bytes against the payload.
  EXPECT_GT(*std::max_element(positions.begin(), at33), 100);
}

TEST_F(ExtractInstallTest, CorruptEntryIsSkippedAndTheNextWritten) {
  Extract(RawArchive(2).AddRaw(7, "bad.bin", "garbage!").Add("good.txt", "g"));
  EXPECT_TRUE(Exists(kFolder + L"\\bad.bin"));
  EXPECT_EQ(File(kFolder + L"\\good.txt"), "g");
  EXPECT_EQ(shown_.size(), 2u);
}

TEST_F(ExtractInstallTest, FolderWithoutDriveIsNotCreatedAndEntriesAreSkipped) {
  machine_.files().SetCurrentFolder(L"C:\\Work");
  // The entry cannot be opened there: its code is the extraction's result.
  EXPECT_EQ(3, Extract(RawArchive(1).Add("a.txt", "a"), L"TavroPrint\\Install"));
  EXPECT_FALSE(Exists(L"C:\\Work\\TavroPrint"));
  EXPECT_NE(LogText().find("Retrace Finish"), std::string::npos);
}

TEST_F(ExtractInstallTest, EntriesLeavingTheFolderAreRefused) {
  machine_.files().MakeFolders(L"C:\\Windows\\System32");
  Extract(RawArchive(5)
              .Add("..\\..\\evil.dll", "e")
              .Add("C:\\Windows\\System32\\evil.dll", "e")
              .Add("\\evil.dll", "e")
              .Add("sub/../../evil.dll", "e")
              .Add("ok.txt", "ok"));
  EXPECT_FALSE(Exists(L"C:\\evil.dll"));
  EXPECT_FALSE(Exists(L"C:\\Program Files (x86)\\evil.dll"));
  EXPECT_FALSE(Exists(L"C:\\Windows\\System32\\evil.dll"));
  EXPECT_EQ(File(kFolder + L"\\ok.txt"), "ok");
  EXPECT_EQ(shown_, std::vector<std::wstring>{L"ok.txt"});
  const std::string log = LogText();
  for (const char* line : {"Skipping entry 0", "Skipping entry 1", "Skipping entry 2",
                           "Skipping entry 3"}) {
    EXPECT_NE(log.find(std::string("[WARN] LoadFileFromeData - ") + line), std::string::npos)
        << line;
  }
}

TEST_F(ExtractInstallTest, TruncatedArchiveStopsWithAnErrorAndKeepsEarlierEntries) {
  const std::string full = RawArchive(2).Add("a.txt", "a").Add("b.txt", "bbbb").bytes();
  buffer_.assign(full.begin(), full.end() - 2);
  LoadFileFromeData(machine_, buffer_.data(), static_cast<int32_t>(buffer_.size()), nullptr,
                    kFolder, nullptr);
  EXPECT_EQ(File(kFolder + L"\\a.txt"), "a");
  EXPECT_FALSE(Exists(kFolder + L"\\b.txt"));
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] LoadFileFromeData - Payload truncated: entry 1 of 2"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Retrace Finish"), std::string::npos);
}

TEST_F(ExtractInstallTest, ZeroLengthAndOverlongNamesAreSkipped) {
  Extract(RawArchive(3)
              .AddRaw(5, "z.txt", "")
              .AddRaw(256, std::string(256, 'n'), payload_test::Deflate("n"))
              .Add(std::string(250, 'k') + ".txt", "k"));
  EXPECT_FALSE(Exists(kFolder + L"\\z.txt"));
  EXPECT_EQ(File(kFolder + L"\\" + std::wstring(250, L'k') + L".txt"), "k");
  const std::string log = LogText();
  EXPECT_NE(log.find("0 or negative"), std::string::npos) << log;
  EXPECT_NE(log.find("256 bytes or longer"), std::string::npos) << log;
}

TEST_F(ExtractInstallTest, EmptyInstallFolderIsRefused) {
  Extract(RawArchive(1).Add("a.txt", "a"), L"");
  EXPECT_FALSE(Exists(L"C:\\a.txt"));
  EXPECT_NE(LogText().find("[ERROR] LoadFileFromeData - Install folder empty"), std::string::npos);
}

// Each entry that cannot be written is logged with its code; the rest are still written and the
// first failure's code is the result the worker fails the installation with.
TEST_F(ExtractInstallTest, FailedWritesAreLoggedAndTheFirstCodeReturned) {
  // A folder stands where the first entry's file would go: Windows denies opening it (5).
  machine_.files().MakeFolders(kFolder + L"\\tavrodrv.dll");
  // A file stands where the last entry's sub-folder would go: no such path (3).
  machine_.files().PutFile(kFolder + L"\\sub", "a file");
  EXPECT_EQ(5, Extract(RawArchive(3).Add("tavrodrv.dll", "MZ").Add("tavroui.dll", "UI").Add("sub\\c.txt", "c")));
  EXPECT_EQ(File(kFolder + L"\\tavroui.dll"), "UI");
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] LoadFileFromeData - Failed to extract entry 0 \"tavrodrv.dll\" to "
                     "C:\\Program Files (x86)\\TavroPrint\\tavrodrv.dll (result -1), Error=5"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Failed to extract entry 2 \"sub\\c.txt\" to C:\\Program Files (x86)\\TavroPrint\\sub\\c.txt "
                     "(result -1), Error=3"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Retrace Finish"), std::string::npos);
  EXPECT_EQ(shown_.size(), 3u) << "the walk goes on after a failure";

  // The first failure's code is the result, whichever comes later.
  EXPECT_EQ(3, Extract(RawArchive(2).Add("sub\\d.txt", "d").Add("tavrodrv.dll", "MZ")));
}

TEST_F(ExtractInstallTest, CorruptOrTruncatedPayloadsFailWithInvalidData) {
  EXPECT_EQ(13, Extract(RawArchive(2).AddRaw(7, "bad.bin", "garbage!").Add("good.txt", "g")));
  EXPECT_NE(LogText().find("\"bad.bin\" to C:\\Program Files (x86)\\TavroPrint\\bad.bin (result -3), Error=13"),
            std::string::npos);
  // The archive promises two entries and holds one: the missing one was never placed.
  EXPECT_EQ(13, Extract(RawArchive(2).Add("a.txt", "a")));
  EXPECT_EQ(File(kFolder + L"\\a.txt"), "a");
  // No folder: nothing placed at all.
  EXPECT_EQ(161, Extract(RawArchive(1).Add("a.txt", "a"), L""));
  EXPECT_NE(LogText().find("nothing extracted, Error=161"), std::string::npos);
}

TEST_F(ExtractInstallTest, DeviceNamedEntriesAreRefusedAndNothingOpened) {
  EXPECT_EQ(0, Extract(RawArchive(4)
                           .Add("CON", "x")
                           .Add("sub\\nul.txt", "x")
                           .Add("Com1 .", "x")
                           .Add("ok.txt", "ok")));
  EXPECT_EQ(File(kFolder + L"\\ok.txt"), "ok");
  EXPECT_FALSE(Exists(kFolder + L"\\sub"));
  const std::string log = LogText();
  for (const char* name : {"\"CON\"", "\"sub\\nul.txt\"", "\"Com1 .\""}) {
    EXPECT_NE(log.find(std::string(name) + " (name length"), std::string::npos) << name;
  }
  EXPECT_NE(log.find("the name is one Windows opens as a device"), std::string::npos);
  EXPECT_EQ(shown_, std::vector<std::wstring>{L"ok.txt"});
}

}  // namespace
