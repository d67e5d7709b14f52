// The product's old log files go after 30 days; links, other files and what is not plainly ours
// stay, and nothing is followed.
#include "log/log_retention.h"

#include <string>

#include "tests/unit/log/log_fixture.h"

namespace logtest {
namespace {

using platform::sim::SimFiles;

constexpr const wchar_t* kUserSid = L"S-1-5-21-1004336348-1177238915-682003330-1001";

class LogRetentionTest : public LogTest {
 protected:
  SimFiles& files() { return machine_.files(); }
  std::wstring In(const std::wstring& name) { return std::wstring(kLogFolder) + L"\\" + name; }
  void Put(const std::wstring& name) { files().PutFile(In(name), "old lines\r\n"); }
  bool There(const std::wstring& name) { return files().Kind(In(name)) != platform::PathKind::kMissing; }
};

TEST_F(LogRetentionTest, TheProductsLogsOlderThanThirtyDaysAreRemoved) {
  files().MakeFolders(kLogFolder);  // the clock stands at 7 December 2026
  Put(L"TavroPrintInstall_2026_11_06.log");  // 31 days
  Put(L"TavroPrintService_2025_01_31.log");
  Put(L"TavroPrintUninstall_2026_11_07.log");  // 30 days: kept
  Put(L"TavroPrintInstall_2026_12_07.log");
  EXPECT_EQ(RemoveOldLogFiles(machine_, 30), 2);
  EXPECT_FALSE(There(L"TavroPrintInstall_2026_11_06.log"));
  EXPECT_FALSE(There(L"TavroPrintService_2025_01_31.log"));
  EXPECT_TRUE(There(L"TavroPrintUninstall_2026_11_07.log"));
  EXPECT_TRUE(There(L"TavroPrintInstall_2026_12_07.log"));
  LogFlush();
  EXPECT_EQ(Count(Today(), "[INFO] RemoveOldLogFiles - Removed "), 2);
}

TEST_F(LogRetentionTest, LinksForeignFilesAndFoldersStay) {
  files().MakeFolders(kLogFolder);
  const std::wstring victim = L"C:\\Windows\\System32\\config\\SAM";
  files().PutFile(victim, "precious");
  files().MakeFileLink(In(L"TavroPrintInstall_2020_01_01.log"), victim);
  files().MakeFolders(In(L"TavroPrintInstall_2020_01_02.log"));
  Put(L"TavroPrintInstall_2020_01_03.log");
  files().SetOwner(In(L"TavroPrintInstall_2020_01_03.log"), kUserSid);
  Put(L"TavroPrintInstall_2020_01_04.log");
  ASSERT_TRUE(files().MakeHardLink(In(L"Other_2020_01_04.log"), In(L"TavroPrintInstall_2020_01_04.log")));
  Put(L"Notes_2020_01_01.log");
  Put(L"TavroPrintInstall_2020_02_30.log");  // no such day

  EXPECT_EQ(RemoveOldLogFiles(machine_, 30), 0);
  EXPECT_EQ(files().FileBytes(victim), "precious");
  for (const wchar_t* name : {L"TavroPrintInstall_2020_01_01.log", L"TavroPrintInstall_2020_01_02.log",
                              L"TavroPrintInstall_2020_01_03.log", L"TavroPrintInstall_2020_01_04.log",
                              L"Notes_2020_01_01.log", L"TavroPrintInstall_2020_02_30.log"}) {
    EXPECT_TRUE(There(name)) << testing::PrintToString(std::wstring(name));
  }
  LogFlush();
  EXPECT_EQ(Count(Today(), "is no plain log file of ours, left alone"), 4) << Today();
}

TEST_F(LogRetentionTest, AFolderPlantedAsALinkIsNotEntered) {
  files().MakeFolders(L"C:\\Users\\Mallory\\Grab");
  files().PutFile(L"C:\\Users\\Mallory\\Grab\\TavroPrintInstall_2020_01_01.log", "x");
  files().MakeFolders(L"C:\\Windows\\Temp\\TavroPrint");
  files().MakeJunction(kLogFolder, L"C:\\Users\\Mallory\\Grab");
  EXPECT_EQ(RemoveOldLogFiles(machine_, 30), -1);
  EXPECT_EQ(files().FileBytes(L"C:\\Users\\Mallory\\Grab\\TavroPrintInstall_2020_01_01.log"), "x");
}

// The service's own file: another stem, no banner, and its lower layers' lines kept out.
TEST_F(LogRetentionTest, AProgramMayNameItsOwnFileWithoutBannerAndQuietALayer) {
  EXPECT_FALSE(LogSetFileStem("..\\..\\Evil"));
  EXPECT_FALSE(LogSetFileStem(""));
  EXPECT_TRUE(LogSetFileStem("TavroPrintService"));
  LogSetBanner(false);
  LogPrint(kLogUnitInstall, "F", 1, "%s\n", "kept");
  {
    LogQuietScope quiet;
    LogPrint(kLogUnitInstall, "F", 2, "%s\n", "dropped");
  }
  LogFlush();
  std::string own = files().FileBytes(In(L"TavroPrintService_2026_12_07.log"));
  LogSetFileStem("TavroPrintInstall");
  LogSetBanner(true);
  EXPECT_NE(own.find("kept"), std::string::npos);
  EXPECT_EQ(own.find("dropped"), std::string::npos);
  EXPECT_EQ(own.find(kRule), std::string::npos);  // no banner
  EXPECT_EQ(Count(own, "\n"), 1);
  EXPECT_EQ(Today(), "");  // the installer's file was not written
}

TEST(LogFileDayTest, NamesAndDates) {
  long day = 0;
  ASSERT_TRUE(LogFileDay("TavroPrintService_2026_12_07.log", &day));
  EXPECT_EQ(day, DaysFromCivil(2026, 12, 7));
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(2024, 3, 1) - DaysFromCivil(2024, 2, 28), 2);  // a leap year
  EXPECT_TRUE(LogFileDay("tavroprintinstall_2024_02_29.LOG", &day));
  EXPECT_FALSE(LogFileDay("TavroPrintInstall_2023_02_29.log", &day));
  EXPECT_FALSE(LogFileDay("TavroPrintInstall_2023_13_01.log", &day));
  EXPECT_FALSE(LogFileDay("TavroPrint-x_2023_01_01.log", &day));
  EXPECT_FALSE(LogFileDay("TavroPrintInstall_2023_01_01.log.bak", &day));
  EXPECT_FALSE(LogFileDay("Other_2023_01_01.log", &day));
}

}  // namespace
}  // namespace logtest
