// The simulated file system's owners, private folders, links, and files held or stalled by others.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

constexpr uint32_t kSharingViolation = 32;

std::string ReadAll(File& file) {
  std::string text;
  char buffer[16];
  size_t n;
  while ((n = file.Read(buffer, sizeof(buffer))) > 0) text.append(buffer, n);
  return text;
}

TEST(SimFilesTrust, AJunctionIsFollowedByEveryCallButInspectAndTheDeletions) {
  SimMachine m;
  SimFiles& files = m.files();
  files.PutFile(L"C:\\Target\\in.txt", "x");
  files.MakeJunction(L"C:\\Link", L"C:\\Target");
  EXPECT_EQ(files.StatW(L"C:\\Link\\in.txt"), PathKind::kFile);
  auto f = files.OpenW(L"C:\\link\\new.txt", "wb");
  ASSERT_NE(f, nullptr);
  f.reset();
  EXPECT_EQ(files.Kind(L"C:\\Target\\new.txt"), PathKind::kFile);
  PathFacts facts;
  ASSERT_TRUE(files.Inspect("C:\\Link", &facts));
  EXPECT_TRUE(facts.reparse_point);
  EXPECT_EQ(facts.kind, PathKind::kDirectory);
  ASSERT_TRUE(files.Inspect("C:\\Link\\in.txt", &facts));  // the folders above are followed
  EXPECT_FALSE(facts.reparse_point);
  EXPECT_FALSE(files.MakeDirectoryW(L"C:\\Link"));  // the link itself is there
  EXPECT_EQ(LastErrorCode(), err::kAlreadyExists);
  // A loop of links ends in 1921 instead of hanging.
  files.MakeJunction(L"C:\\A", L"C:\\B");
  files.MakeJunction(L"C:\\B", L"C:\\A");
  EXPECT_EQ(files.StatW(L"C:\\A\\x"), PathKind::kMissing);
  EXPECT_EQ(LastErrorCode(), 1921u);
}

TEST(SimFilesTrust, AHardLinkIsASecondNameOfTheSameFile) {
  SimMachine m;
  SimFiles& files = m.files();
  files.PutFile(L"C:\\Data\\a.txt", "one");
  ASSERT_TRUE(files.MakeHardLink(L"C:\\Data\\b.txt", L"C:\\Data\\a.txt"));
  EXPECT_FALSE(files.MakeHardLink(L"C:\\Data\\b.txt", L"C:\\Data\\a.txt"));  // the name is taken
  EXPECT_FALSE(files.MakeHardLink(L"C:\\Data\\c.txt", L"C:\\Data\\missing.txt"));
  EXPECT_EQ(files.Facts(L"C:\\Data\\a.txt").links, 2u);
  auto f = files.OpenW(L"C:\\Data\\b.txt", "ab");
  ASSERT_NE(f, nullptr);
  f->Write("two", 3);
  f.reset();
  EXPECT_EQ(files.FileBytes(L"C:\\Data\\a.txt"), "onetwo");
  EXPECT_TRUE(files.Remove(L"C:\\Data\\b.txt"));
  EXPECT_EQ(files.Facts(L"C:\\Data\\a.txt").links, 1u);
  EXPECT_EQ(files.FileBytes(L"C:\\Data\\a.txt"), "onetwo");
}

TEST(SimFilesTrust, PrivateFoldersOwnersAndWhatInspectTells) {
  SimMachine m;
  SimFiles& files = m.files();
  files.MakeFolders(L"C:\\Top");
  ASSERT_TRUE(files.MakePrivateDirectory("C:\\Top\\Private"));
  EXPECT_TRUE(files.IsPrivate(L"C:\\Top\\Private"));
  EXPECT_FALSE(files.IsPrivate(L"C:\\Top"));
  EXPECT_FALSE(files.MakePrivateDirectory("C:\\Top\\Private"));
  EXPECT_EQ(LastErrorCode(), err::kAlreadyExists);
  EXPECT_FALSE(files.MakePrivateDirectory("C:\\Nowhere\\Private"));
  EXPECT_EQ(LastErrorCode(), err::kPathNotFound);
  // What is made inside inherits the access list.
  ASSERT_TRUE(files.MakeDirectoryW(L"C:\\Top\\Private\\Sub"));
  EXPECT_TRUE(files.IsPrivate(L"C:\\Top\\Private\\Sub"));

  PathFacts facts;
  ASSERT_TRUE(files.Inspect("C:\\Top\\Private", &facts));
  EXPECT_EQ(facts.owner, SimFiles::kSidAdministrators);
  EXPECT_EQ(facts.links, 1u);
  files.SetOwner(L"C:\\Top", L"S-1-5-21-1-2-3-1001");
  ASSERT_TRUE(files.Inspect("C:\\TOP", &facts));
  EXPECT_EQ(facts.owner, L"S-1-5-21-1-2-3-1001");
  EXPECT_FALSE(files.Inspect("C:\\Top\\none", &facts));
  EXPECT_EQ(LastErrorCode(), err::kFileNotFound);
  EXPECT_FALSE(files.Inspect("C:\\none\\none", &facts));
  EXPECT_EQ(LastErrorCode(), err::kPathNotFound);
  m.faults().Fail("GetSecurityInfo", err::kAccessDenied, 1);
  EXPECT_FALSE(files.Inspect("C:\\Top", &facts));
  EXPECT_EQ(LastErrorCode(), err::kAccessDenied);
}

TEST(SimFilesTrust, AppendingSharesReadingOnlyAndRefusesAFileHeldByAnother) {
  SimMachine m;
  SimFiles& files = m.files();
  files.MakeFolders(L"C:\\Logs");
  bool created = false;
  PathFacts facts;
  auto first = files.OpenForAppend("C:\\Logs\\day.log", &created, &facts);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(created);
  EXPECT_EQ(facts.kind, PathKind::kFile);
  EXPECT_EQ(facts.links, 1u);
  EXPECT_TRUE(files.IsPrivate(L"C:\\Logs\\day.log"));
  first->Write("a\n", 2);
  EXPECT_EQ(first->Read(nullptr, 0), 0u);
  EXPECT_TRUE(first->HasError());  // opened for appending only

  EXPECT_EQ(files.OpenForAppend("C:\\Logs\\day.log", &created, &facts), nullptr);
  EXPECT_EQ(LastErrorCode(), kSharingViolation);
  EXPECT_EQ(files.OpenW(L"C:\\Logs\\day.log", "a"), nullptr);
  EXPECT_EQ(LastErrorCode(), kSharingViolation);
  auto reader = files.OpenW(L"C:\\Logs\\day.log", "rb");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(ReadAll(*reader), "a\r\n");
  reader.reset();
  first.reset();

  auto again = files.OpenForAppend("C:\\Logs\\day.log", &created, &facts);
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(created);
  again->Write("b\n", 2);
  again.reset();
  EXPECT_EQ(files.FileBytes(L"C:\\Logs\\day.log"), "a\r\nb\r\n");

  files.SetHeldOpen(L"C:\\Logs\\day.log", true);
  EXPECT_EQ(files.OpenForAppend("C:\\Logs\\day.log", &created, &facts), nullptr);
  EXPECT_EQ(LastErrorCode(), kSharingViolation);
  EXPECT_EQ(files.OpenW(L"C:\\Logs\\day.log", "rb"), nullptr);
  EXPECT_FALSE(files.Remove(L"C:\\Logs\\day.log"));
  EXPECT_EQ(LastErrorCode(), kSharingViolation);
  files.SetHeldOpen(L"C:\\Logs\\day.log", false);
  // A file open for writing by the runtime refuses an appender that shares no writing.
  auto writer = files.OpenW(L"C:\\Logs\\day.log", "ab");
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(files.OpenForAppend("C:\\Logs\\day.log", &created, &facts), nullptr);
  EXPECT_EQ(LastErrorCode(), kSharingViolation);
}

TEST(SimFilesTrust, AStalledWriteWaitsUntilTheStallIsLifted) {
  SimMachine m;
  SimFiles& files = m.files();
  files.PutFile(L"C:\\Logs\\slow.log", "");
  files.StallWrites(L"C:\\Logs\\slow.log", true);
  auto f = files.OpenW(L"C:\\Logs\\slow.log", "ab");
  ASSERT_NE(f, nullptr);
  std::thread writer([&f] { f->Write("late", 4); });
  auto start = std::chrono::steady_clock::now();
  while (files.StalledWrites() == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(files.StalledWrites(), 1);
  EXPECT_EQ(files.FileBytes(L"C:\\Logs\\slow.log"), "");
  files.StallWrites(L"C:\\Logs\\slow.log", false);
  writer.join();
  EXPECT_EQ(files.StalledWrites(), 0);
  EXPECT_EQ(files.FileBytes(L"C:\\Logs\\slow.log"), "late");
}

}  // namespace
}  // namespace platform::sim
