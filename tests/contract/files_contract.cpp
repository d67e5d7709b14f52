// Files: the runtime's text mode, Windows path rules and the codes a missing path leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "tests/contract/contract_backend.h"

namespace {

using platform::PathKind;

class FilesContract : public ::testing::Test {
 protected:
  platform::Files& files() { return contract::TheMachine().files(); }
  std::wstring Path(const std::wstring& name) { return contract::ScratchFolder() + L"\\" + name; }
  std::string Ansi(const std::wstring& path) { return contract::TheMachine().codepage().ToAnsi(path); }

  void Put(const std::wstring& path, const char* mode, const std::string& bytes) {
    auto f = files().OpenW(path, mode);
    ASSERT_NE(f, nullptr) << "open for writing failed, error " << platform::LastErrorCode();
    EXPECT_EQ(f->Write(bytes.data(), bytes.size()), bytes.size());
    EXPECT_FALSE(f->HasError());
  }
  std::string Get(const std::wstring& path, const char* mode) {
    auto f = files().OpenW(path, mode);
    if (!f) return "<missing>";
    std::string out;
    char buf[64];
    size_t n;
    while ((n = f->Read(buf, sizeof buf)) > 0) out.append(buf, n);
    return out;
  }
  void TearDown() override {
    for (const wchar_t* name : {L"text.txt", L"append.log", L"bin.dat", L"Mixed.txt"}) files().Remove(Path(name));
  }
};

TEST_F(FilesContract, TextModeWritesCrLfAndReadsItBackAsLf) {
  Put(Path(L"text.txt"), "w", "one\ntwo\r\n");
  // Each LF gains a CR on disk, also the one already preceded by CR.
  EXPECT_EQ(Get(Path(L"text.txt"), "rb"), "one\r\ntwo\r\r\n");
  EXPECT_EQ(Get(Path(L"text.txt"), "r"), "one\ntwo\r\n");
}

TEST_F(FilesContract, BinaryModeKeepsBytes) {
  Put(Path(L"bin.dat"), "wb", std::string("a\nb\0c", 5));
  EXPECT_EQ(Get(Path(L"bin.dat"), "rb"), std::string("a\nb\0c", 5));
}

TEST_F(FilesContract, AppendTextModeAddsToTheEnd) {
  Put(Path(L"append.log"), "a+t", "first\n");
  Put(Path(L"append.log"), "a+t", "second\n");
  EXPECT_EQ(Get(Path(L"append.log"), "rb"), "first\r\nsecond\r\n");
}

TEST_F(FilesContract, AnsiAndWidePathsReachTheSameFile) {
  Put(Path(L"text.txt"), "wb", "x");
  EXPECT_EQ(files().Stat(Ansi(Path(L"text.txt"))), PathKind::kFile);
  auto f = files().Open(Ansi(Path(L"text.txt")), "rb");
  ASSERT_NE(f, nullptr);
  char c = 0;
  EXPECT_EQ(f->Read(&c, 1), 1u);
  EXPECT_EQ(c, 'x');
}

TEST_F(FilesContract, PathsIgnoreLetterCase) {
  Put(Path(L"Mixed.txt"), "wb", "abc");
  std::wstring upper = contract::ScratchFolder() + L"\\MIXED.TXT";
  EXPECT_EQ(files().StatW(upper), PathKind::kFile);
  EXPECT_EQ(Get(upper, "rb"), "abc");
  // Rewriting under another case keeps one file.
  Put(contract::ScratchFolder() + L"\\mixed.TXT", "wb", "z");
  EXPECT_EQ(Get(Path(L"Mixed.txt"), "rb"), "z");
}

TEST_F(FilesContract, MissingFileIsTwoAndMissingFolderIsThree) {
  EXPECT_EQ(files().OpenW(Path(L"no-such-file.txt"), "r"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_EQ(files().OpenW(Path(L"no-such-folder\\x.txt"), "r"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
  EXPECT_EQ(files().OpenW(Path(L"no-such-folder\\x.txt"), "a+t"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
  EXPECT_EQ(files().Open(Ansi(Path(L"no-such-folder\\x.txt")), "w"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
  EXPECT_EQ(files().StatW(Path(L"no-such-file.txt")), PathKind::kMissing);
}

TEST_F(FilesContract, MakeDirectoryReportsExistingAndMissingParent) {
  std::wstring dir = Path(L"made");
  files().MakeDirectoryW(dir);  // left over from an interrupted run, or new
  EXPECT_EQ(files().StatW(dir), PathKind::kDirectory);
  EXPECT_FALSE(files().MakeDirectoryW(dir));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kAlreadyExists);
  EXPECT_FALSE(files().MakeDirectoryW(Path(L"no-parent\\child")));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
  // _mkdir reports the same Win32 codes for an 8-bit path.
  EXPECT_FALSE(files().MakeDirectory(Ansi(dir)));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kAlreadyExists);
  EXPECT_FALSE(files().MakeDirectory(Ansi(Path(L"no-parent\\child"))));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
  std::wstring doubled = contract::ScratchFolder() + L"\\\\made2";  // a doubled separator is accepted
  EXPECT_TRUE(files().MakeDirectory(Ansi(doubled)));
  EXPECT_EQ(files().StatW(Path(L"made2")), PathKind::kDirectory);
}

TEST_F(FilesContract, RemoveDeletesOnceThenReportsMissing) {
  Put(Path(L"bin.dat"), "wb", "x");
  EXPECT_TRUE(files().Remove(Path(L"bin.dat")));
  EXPECT_EQ(files().StatW(Path(L"bin.dat")), PathKind::kMissing);
  EXPECT_FALSE(files().Remove(Path(L"bin.dat")));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
}

TEST_F(FilesContract, WidePathsCarryCharactersOutsideTheAnsiCodePage) {
  std::wstring name = Path(L"\u6d4b\u8bd5.txt");
  Put(name, "wb", "cn");
  EXPECT_EQ(files().StatW(name), PathKind::kFile);
  EXPECT_EQ(Get(name, "rb"), "cn");
  EXPECT_TRUE(files().Remove(name));
}

TEST_F(FilesContract, DosDeviceNamesNeedABufferForTheWholeList) {
  std::vector<std::wstring> names = {L"stale"};
  EXPECT_FALSE(files().QueryDosDeviceNames(4, &names));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInsufficientBuffer);
  EXPECT_TRUE(names.empty());

  ASSERT_TRUE(files().QueryDosDeviceNames(65536, &names));
  // Wine makes COM1 of /dev/ttyS0 and lists no other serial port unless told to.
  EXPECT_NE(std::find(names.begin(), names.end(), L"COM1"), names.end());
  size_t needed = 1;
  for (const auto& name : names) {
    EXPECT_FALSE(name.empty());
    needed += name.size() + 1;
  }
  // Each name with its NUL and one NUL more: exactly that fits, one character less does not.
  std::vector<std::wstring> again;
  EXPECT_TRUE(files().QueryDosDeviceNames(needed, &again));
  EXPECT_EQ(again.size(), names.size());
  EXPECT_FALSE(files().QueryDosDeviceNames(needed - 1, &again));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kInsufficientBuffer);
}

TEST_F(FilesContract, EverySerialPortOfTheDeviceMapIsADosDevice) {
  platform::Registry& reg = contract::TheMachine().registry();
  const wchar_t key[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
  std::vector<std::wstring> values;
  ASSERT_TRUE(reg.EnumValues(platform::Hive::kLocalMachine, key, platform::RegView::k64, &values));
  ASSERT_FALSE(values.empty());
  std::vector<std::wstring> names;
  ASSERT_TRUE(files().QueryDosDeviceNames(65536, &names));
  for (const auto& value : values) {
    platform::RegValue port;
    ASSERT_TRUE(reg.QueryValue(platform::Hive::kLocalMachine, key, value, platform::RegView::k64, &port));
    EXPECT_NE(std::find(names.begin(), names.end(), port.AsString()), names.end())
        << testing::PrintToString(port.AsString());
  }
}

}  // namespace
