// CreateFolderPath: nested creation, paths it refuses, and a failing CreateDirectoryW.
#include "payload/create_folder_path.h"

#include <gtest/gtest.h>

#include "tests/unit/payload/payload_fixture.h"

namespace {

class CreateFolderPathTest : public payload_test::PayloadTest {
 protected:
  int Create(const std::wstring& path) { return CreateFolderPath(machine_.files(), path); }
};

TEST_F(CreateFolderPathTest, CreatesEveryMissingFolder) {
  EXPECT_EQ(1, Create(L"C:\\A\\B\\C"));
  EXPECT_EQ(machine_.files().Kind(L"C:\\A\\B\\C"), platform::PathKind::kDirectory);
  EXPECT_EQ(1, Create(L"C:\\A\\B\\C"));  // again: already there
  EXPECT_EQ(1, Create(L"C:\\T\\U\\"));   // trailing backslash
  EXPECT_EQ(machine_.files().Kind(L"C:\\T\\U"), platform::PathKind::kDirectory);
  EXPECT_EQ(1, Create(L"C:\\D\\\\E"));   // doubled backslash, as plain formatting makes them
  EXPECT_EQ(machine_.files().Kind(L"C:\\D\\E"), platform::PathKind::kDirectory);
}

TEST_F(CreateFolderPathTest, RefusesPathsWithoutAnAvailableDrive) {
  EXPECT_EQ(0, Create(L"TavroPrint\\x"));
  EXPECT_EQ(0, Create(L"\\\\server\\share\\x"));
  EXPECT_EQ(0, Create(L""));
  EXPECT_EQ(0, Create(L"Q:\\x"));  // no such drive
  EXPECT_FALSE(Exists(L"Q:\\x"));
  machine_.files().AddDrive(L"D:");
  EXPECT_EQ(1, Create(L"D:\\x\\y"));
}

TEST_F(CreateFolderPathTest, FailsWhenAFolderCannotBeCreated) {
  machine_.faults().Fail("CreateDirectoryW", 5, 1);
  EXPECT_EQ(0, Create(L"C:\\F\\G"));
  EXPECT_FALSE(Exists(L"C:\\F\\G"));
  machine_.files().PutFile(L"C:\\File", "x");  // a file where a folder should be
  EXPECT_EQ(0, Create(L"C:\\File\\Sub"));
}

}  // namespace
