// The log folder under the Windows Temp folder, which every user may write: made private, and
// never written through a link or into what someone else owns; a writer that cannot start or that
// hangs holds up nobody.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "tests/unit/log/log_fixture.h"

namespace logtest {
namespace {

constexpr const wchar_t* kTavroFolder = L"C:\\Windows\\Temp\\TavroPrint";
constexpr const wchar_t* kUserSid = L"S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr const wchar_t* kVictim = L"C:\\Windows\\System32\\drivers\\etc\\hosts";

using platform::sim::SimFiles;
using Clock = std::chrono::steady_clock;

class LogTrustTest : public LogTest {
 protected:
  SimFiles& files() { return machine_.files(); }
  // One line through a flush of its own.
  void LogAndFlush(const char* text) {
    LogPrint(kLogUnitInstall, "F", 1, "%s\n", text);
    LogFlush();
  }
};

TEST_F(LogTrustTest, TheFoldersAreMadeForSystemAndAdministratorsOnly) {
  LogAndFlush("first");
  for (const wchar_t* folder : {kTavroFolder, kLogFolder}) {
    EXPECT_TRUE(files().IsPrivate(folder)) << testing::PrintToString(std::wstring(folder));
    EXPECT_EQ(files().Facts(folder).owner, SimFiles::kSidAdministrators);
  }
  EXPECT_TRUE(files().IsPrivate(kTodayFile));
  EXPECT_NE(Today().find("first\r\n"), std::string::npos);
  // The Temp folder itself stays as the system made it.
  EXPECT_FALSE(files().IsPrivate(L"C:\\Windows\\Temp"));
}

TEST_F(LogTrustTest, FoldersOfAnOlderRunOwnedByAdministratorsOrSystemAreUsed) {
  files().MakeFolders(kLogFolder);  // plain folders, as an earlier installer made them
  files().SetOwner(kTavroFolder, SimFiles::kSidSystem);
  LogAndFlush("kept");
  EXPECT_NE(Today().find("kept\r\n"), std::string::npos);
  EXPECT_FALSE(files().IsPrivate(kLogFolder));  // found, not remade
}

TEST_F(LogTrustTest, AFolderAnotherUserMadeFirstIsNotWrittenInto) {
  for (const wchar_t* planted : {kTavroFolder, kLogFolder}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(planted)));
    files().RemoveTree(kTavroFolder);
    files().MakeFolders(planted);
    files().SetOwner(planted, kUserSid);
    LogAndFlush("secret");
    EXPECT_EQ(files().Kind(kTodayFile), platform::PathKind::kMissing);
    EXPECT_EQ(files().Facts(planted).owner, kUserSid);  // left as found
    char path[512];
    EXPECT_EQ(GetLogFilePath(path, sizeof(path)), -1);
  }
  // The installer goes on, and so does the log once the folder is gone.
  files().RemoveTree(kTavroFolder);
  LogAndFlush("later");
  EXPECT_NE(Today().find("later\r\n"), std::string::npos);
  EXPECT_EQ(Today().find("secret"), std::string::npos);
}

TEST_F(LogTrustTest, AFolderThatIsAJunctionIsNotFollowed) {
  files().MakeFolders(L"C:\\Users\\Mallory\\Grab");
  files().MakeFolders(kTavroFolder);
  files().MakeJunction(kLogFolder, L"C:\\Users\\Mallory\\Grab");
  // Owned by Administrators, as a link an administrator was tricked into making would be.
  ASSERT_TRUE(files().Facts(kLogFolder).reparse_point);
  LogAndFlush("through the link");
  EXPECT_TRUE(files().List(L"C:\\Users\\Mallory\\Grab").empty());
  // A junction higher up the chain is refused the same way.
  files().RemoveTree(kTavroFolder);
  files().MakeJunction(kTavroFolder, L"C:\\Users\\Mallory");
  files().MakeFolders(L"C:\\Users\\Mallory\\Log");
  LogAndFlush("through the link");
  EXPECT_TRUE(files().List(L"C:\\Users\\Mallory\\Log").empty());
}

TEST_F(LogTrustTest, ADayFileThatIsALinkOrAnotherUsersIsNotWritten) {
  const std::string original = "127.0.0.1 localhost\r\n";
  files().PutFile(kVictim, original);
  files().MakeFolders(kLogFolder);

  ASSERT_TRUE(files().MakeHardLink(kTodayFile, kVictim));
  LogAndFlush("hard link");
  EXPECT_EQ(files().FileBytes(kVictim), original);

  files().RemoveTree(kTodayFile);
  files().MakeFileLink(kTodayFile, kVictim);
  LogAndFlush("symbolic link");
  EXPECT_EQ(files().FileBytes(kVictim), original);

  files().RemoveTree(kTodayFile);
  files().PutFile(kTodayFile, "planted\r\n");
  files().SetOwner(kTodayFile, kUserSid);
  LogAndFlush("owned by a user");
  EXPECT_EQ(Today(), "planted\r\n");

  // A file of our own is appended to, without a second banner.
  files().RemoveTree(kTodayFile);
  files().PutFile(kTodayFile, "ours\r\n");
  LogAndFlush("appended");
  EXPECT_EQ(Today(), "ours\r\n[2026-12-07 10:00:00.000] [Install.cpp:F:1] appended\r\n");
}

TEST_F(LogTrustTest, ADayFileHeldOpenByAnotherIsSkippedWithoutWaiting) {
  files().PutFile(kTodayFile, "");
  files().SetHeldOpen(kTodayFile, true);
  auto start = Clock::now();
  LogAndFlush("skipped");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  files().SetHeldOpen(kTodayFile, false);
  LogAndFlush("written");
  EXPECT_EQ(Today().find("skipped"), std::string::npos);
  EXPECT_NE(Today().find("written\r\n"), std::string::npos);
}

// A folder made between the look and the creation is judged like one found there.
TEST_F(LogTrustTest, AFolderPlantedBetweenTheLookAndTheCreationIsJudgedToo) {
  files().MakeFolders(kLogFolder);
  files().SetOwner(kTavroFolder, kUserSid);
  machine_.faults().Fail("GetSecurityInfo", platform::err::kFileNotFound, 1);  // "not there yet"
  LogAndFlush("raced");
  EXPECT_EQ(files().Kind(kTodayFile), platform::PathKind::kMissing);
  // A creation refused for another reason (a caller that is not elevated) leaves the log unwritten.
  files().RemoveTree(kTavroFolder);
  machine_.faults().Fail("CreateDirectoryA", 1307, 1);
  LogAndFlush("not elevated");
  EXPECT_EQ(files().Kind(kTavroFolder), platform::PathKind::kMissing);
  LogAndFlush("elevated again");
  EXPECT_NE(Today().find("elevated again"), std::string::npos);
  EXPECT_EQ(Today().find("not elevated"), std::string::npos);
}

// Wine reads every file as the current user's: there an owner tells nothing and is not asked.
TEST_F(LogTrustTest, WhereOwnersAreNotKeptOnlyLinksAreRefused) {
  files().MakeFolders(kLogFolder);
  files().SetOwner(kLogFolder, kUserSid);
  files().SetKeepsOwners(false);
  LogAndFlush("owner not asked");
  EXPECT_NE(Today().find("owner not asked"), std::string::npos);
  files().PutFile(kVictim, "hosts");
  files().RemoveTree(kTodayFile);
  ASSERT_TRUE(files().MakeHardLink(kTodayFile, kVictim));
  LogAndFlush("hard link");
  EXPECT_EQ(files().FileBytes(kVictim), "hosts");
}

// ---- the writer thread ----

bool RefuseThread(std::function<void()>, std::thread*) { return false; }

class WriterTest : public LogTrustTest {
 protected:
  void TearDown() override {
    LogTrustTest::TearDown();
    LogSetThreadStarter(nullptr);
  }
};

TEST_F(WriterTest, WithoutAWriterThreadEachLineIsWrittenAtOnce) {
  LogSetThreadStarter(RefuseThread);
  LogPrint(kLogUnitInstall, "F", 1, "[INFO] F - one\n");  // no throw, no flush asked for
  EXPECT_NE(Today().find("[INFO] F - one\r\n"), std::string::npos);
  LogPrint(kLogUnitInstall, "F", 2, "[INFO] F - two\n");
  EXPECT_NE(Today().find("[INFO] F - two\r\n"), std::string::npos);
  LogStop();
  EXPECT_EQ(Count(Today(), kRule), 3u);  // one banner
  // The next run gets its thread again and writes once a second.
  LogSetThreadStarter(nullptr);
  LogPrint(kLogUnitInstall, "F", 3, "[INFO] F - three\n");
  EXPECT_EQ(Today().find("three"), std::string::npos);
  LogStop();
  EXPECT_NE(Today().find("[INFO] F - three\r\n"), std::string::npos);
}

TEST_F(WriterTest, AWriterHungInAWriteHoldsLogStopAtMostTwoSeconds) {
  files().MakeFolders(kLogFolder);
  files().PutFile(kTodayFile, "");
  files().StallWrites(kTodayFile, true);
  LogPrint(kLogUnitInstall, "F", 1, "[INFO] F - stalled\n");
  // The writer's flush a second later hangs in the write, holding the lock.
  auto waited = Clock::now();
  while (files().StalledWrites() == 0 && Clock::now() - waited < std::chrono::seconds(5))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(files().StalledWrites(), 1);

  auto start = Clock::now();
  LogStop();
  auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(1900));
  EXPECT_LT(took, std::chrono::milliseconds(3000));
  EXPECT_EQ(LogAbandonedWriters(), 1);

  // A new run does not wait for the hung one's lock.
  files().StallWrites(kTodayFile, false);
  start = Clock::now();
  LogPrint(kLogUnitInstall, "F", 2, "[INFO] F - next run\n");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  // The abandoned writer ends by itself, with its own buffer still there to write from.
  waited = Clock::now();
  while (LogAbandonedWriters() != 0 && Clock::now() - waited < std::chrono::seconds(5))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(LogAbandonedWriters(), 0);
  LogStop();
  std::string file = Today();
  EXPECT_NE(file.find("[INFO] F - stalled\r\n"), std::string::npos);
  EXPECT_NE(file.find("[INFO] F - next run\r\n"), std::string::npos);
}

}  // namespace
}  // namespace logtest
