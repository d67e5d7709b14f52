// Files: the runtime's text mode, Windows path rules and the codes a missing path leaves; 8-bit
// copies and deletions, profile (ini) files, WOW64 file-system redirection; private folders, the
// facts of a path read without following a link, and appending that neither follows nor waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
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
    for (const wchar_t* name : {L"text.txt", L"append.log", L"bin.dat", L"Mixed.txt", L"copy-src.bin", L"copy-dst.bin",
                                L"profile.ini"}) {
      files().Remove(Path(name));
    }
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

TEST_F(FilesContract, CopyAOverwritesUnlessToldNotTo) {
  Put(Path(L"copy-src.bin"), "wb", "first");
  const std::string from = Ansi(Path(L"copy-src.bin"));
  const std::string to = Ansi(Path(L"copy-dst.bin"));
  ASSERT_TRUE(files().CopyA(from, to, false)) << platform::LastErrorCode();
  EXPECT_EQ(Get(Path(L"copy-dst.bin"), "rb"), "first");
  EXPECT_EQ(Get(Path(L"copy-src.bin"), "rb"), "first");

  Put(Path(L"copy-src.bin"), "wb", "second");
  EXPECT_FALSE(files().CopyA(from, to, true));
  EXPECT_EQ(platform::LastErrorCode(), 80u);
  EXPECT_EQ(Get(Path(L"copy-dst.bin"), "rb"), "first");
  EXPECT_TRUE(files().CopyA(from, to, false));
  EXPECT_EQ(Get(Path(L"copy-dst.bin"), "rb"), "second");

  EXPECT_FALSE(files().CopyA(Ansi(Path(L"no-such-file.bin")), to, false));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_FALSE(files().CopyA(from, Ansi(Path(L"no-such-folder\\x.bin")), false));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
}

TEST_F(FilesContract, RemoveADeletesOnceThenReportsMissing) {
  Put(Path(L"copy-dst.bin"), "wb", "x");
  EXPECT_TRUE(files().RemoveA(Ansi(Path(L"copy-dst.bin"))));
  EXPECT_EQ(files().StatW(Path(L"copy-dst.bin")), PathKind::kMissing);
  EXPECT_FALSE(files().RemoveA(Ansi(Path(L"copy-dst.bin"))));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
}

TEST_F(FilesContract, ProfileStringsKeepSectionsKeysAndTheirSpelling) {
  const std::wstring ini = Path(L"profile.ini");
  ASSERT_TRUE(files().WriteProfileString(ini, L"Print Settings", L"PrinterName", L"R710")) << platform::LastErrorCode();
  EXPECT_EQ(Get(ini, "rb"), "[Print Settings]\r\nPrinterName=R710\r\n");
  ASSERT_TRUE(files().WriteProfileString(ini, L"Print Settings", L"ServiceName", L"Mavrin Service"));
  ASSERT_TRUE(files().WriteProfileString(ini, L"Other", L"A", L"1"));
  // Names match without regard to case and keep the spelling they were first written with.
  ASSERT_TRUE(files().WriteProfileString(ini, L"print settings", L"printername", L"X9"));
  EXPECT_EQ(Get(ini, "rb"), "[Print Settings]\r\nPrinterName=X9\r\nServiceName=Mavrin Service\r\n[Other]\r\nA=1\r\n");
  // A new file is 8-bit text: what the ANSI code page lacks becomes '?'.
  ASSERT_TRUE(files().WriteProfileString(ini, L"Print Settings", L"Chinese", L"\u526f\u672c"));
  EXPECT_EQ(Get(ini, "rb"),
            "[Print Settings]\r\nPrinterName=X9\r\nServiceName=Mavrin Service\r\nChinese=??\r\n[Other]\r\nA=1\r\n");

  EXPECT_FALSE(files().WriteProfileString(Path(L"no-such-folder\\x.ini"), L"S", L"K", L"V"));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
}

// WOW64 redirection: a 32-bit program on 64-bit Windows reaches SysWOW64 when it names System32,
// unless its thread has switched redirection off; spool (the driver folders) is exempt.
class RedirectionContract : public ::testing::Test {
 protected:
  platform::Machine& m() { return contract::TheMachine(); }
  platform::Files& files() { return m().files(); }
  std::string Ansi(const std::wstring& path) { return m().codepage().ToAnsi(path); }
  std::string Read(const std::string& ansi_path) {
    auto f = files().Open(ansi_path, "rb");
    if (!f) return "<missing>";
    std::string out;
    char buf[64];
    size_t n;
    while ((n = f->Read(buf, sizeof buf)) > 0) out.append(buf, n);
    return out;
  }
  void Write(const std::string& ansi_path, const std::string& bytes) {
    auto f = files().Open(ansi_path, "wb");
    ASSERT_NE(f, nullptr) << ansi_path << " error " << platform::LastErrorCode();
    f->Write(bytes.data(), bytes.size());
  }

  void SetUp() override {
    ASSERT_TRUE(m().system().SystemDirectoryA(256, &system_));
    std::wstring windows;
    ASSERT_TRUE(m().system().WindowsFolder(&windows));
    wow64_ = Ansi(windows) + "\\SysWOW64";
    ASSERT_TRUE(m().spooler().DriverDirectoryA("", 256, &drivers_));
    source_ = Ansi(contract::ScratchFolder()) + "\\redirect-src.bin";
    RemoveOurs();
  }
  void TearDown() override {
    RemoveOurs();
    files().RemoveA(source_);
  }
  // Both copies of the file, whichever thread state made them.
  void RemoveOurs() {
    if (files().DisableWow64Redirection()) {
      files().RemoveA(system_ + "\\" + kName);
      files().RevertWow64Redirection();
    }
    files().RemoveA(system_ + "\\" + kName);
    files().RemoveA(drivers_ + "\\" + kName);
  }

  static constexpr const char* kName = "tavro-contract-redirect.tmp";
  std::string system_;
  std::string wow64_;
  std::string drivers_;
  std::string source_;
};

TEST_F(RedirectionContract, System32IsSysWow64UntilTheThreadSwitchesItOff) {
  if (!m().system().IsWow64()) {
    EXPECT_FALSE(files().DisableWow64Redirection());  // nothing to switch off on 32-bit Windows
    return;
  }
  const std::string in_system = system_ + "\\" + kName;
  Write(source_, "wow64");
  ASSERT_TRUE(files().CopyA(source_, in_system, false)) << platform::LastErrorCode();
  EXPECT_EQ(Read(wow64_ + "\\" + kName), "wow64");

  ASSERT_TRUE(files().DisableWow64Redirection()) << platform::LastErrorCode();
  EXPECT_EQ(files().Stat(in_system), PathKind::kMissing);  // the real System32 has no such file
  Write(source_, "native");
  EXPECT_TRUE(files().CopyA(source_, in_system, false)) << platform::LastErrorCode();
  EXPECT_EQ(Read(in_system), "native");
  ASSERT_TRUE(files().RevertWow64Redirection()) << platform::LastErrorCode();

  EXPECT_EQ(Read(in_system), "wow64");
  EXPECT_FALSE(files().RevertWow64Redirection());  // nothing left to undo
}

TEST_F(RedirectionContract, TheDriverFoldersAreNotRedirected) {
  if (!m().system().IsWow64()) GTEST_SKIP() << "no redirection on 32-bit Windows";
  const std::string in_drivers = drivers_ + "\\" + kName;
  Write(source_, "driver");
  ASSERT_TRUE(files().CopyA(source_, in_drivers, false)) << platform::LastErrorCode();
  ASSERT_TRUE(files().DisableWow64Redirection());
  EXPECT_EQ(Read(in_drivers), "driver");
  ASSERT_TRUE(files().RevertWow64Redirection());
}

// Private folders, links and appending: what the log trusts before it writes.
class PrivateFilesContract : public FilesContract {
 protected:
  static constexpr const wchar_t* kSystem = L"S-1-5-18";
  static constexpr const wchar_t* kAdministrators = L"S-1-5-32-544";
  void TearDown() override {
    for (const wchar_t* name : {L"append.log", L"linked.log", L"inspect.txt", L"inspect-2.txt"}) files().Remove(Path(name));
    FilesContract::TearDown();
  }
};

TEST_F(PrivateFilesContract, APrivateFolderGrantsSystemAndAdministratorsAlone) {
  const std::wstring dir = Path(L"private");
  ASSERT_TRUE(files().MakePrivateDirectory(Ansi(dir))) << platform::LastErrorCode();
  EXPECT_FALSE(files().MakePrivateDirectory(Ansi(dir)));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kAlreadyExists);
  EXPECT_FALSE(files().MakePrivateDirectory(Ansi(Path(L"no-parent\\private"))));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);

  contract::AccessList access;
  ASSERT_TRUE(contract::ReadAccess(dir, &access));
  // Wine keeps no descriptor: it derives owner and list from the POSIX owner and mode (the user
  // and SYSTEM, not protected), so only "nobody else" can be seen there.
  EXPECT_EQ(files().KeepsOwners(), !contract::RunsOnWine());
  for (const auto& entry : access.entries) {
    bool ours = entry.sid == kSystem || entry.sid == kAdministrators ||
                (contract::RunsOnWine() && entry.sid == access.owner);
    EXPECT_TRUE(ours && entry.allow) << testing::PrintToString(entry.sid);
  }
  if (contract::RunsOnWine()) return;
  EXPECT_EQ(access.owner, kAdministrators);
  EXPECT_TRUE(access.is_protected);
  ASSERT_EQ(access.entries.size(), 2u);
  for (const auto& entry : access.entries) {
    EXPECT_EQ(entry.flags, 3u);  // inherited by files and folders made inside
    EXPECT_EQ(entry.mask, 0x1F01FFu);
  }
  platform::PathFacts facts;
  ASSERT_TRUE(files().Inspect(Ansi(dir), &facts));
  EXPECT_EQ(facts.owner, kAdministrators);
}

TEST_F(PrivateFilesContract, InspectTellsKindOwnerAndNamesOfThePathItself) {
  Put(Path(L"inspect.txt"), "wb", "x");
  platform::PathFacts facts;
  ASSERT_TRUE(files().Inspect(Ansi(Path(L"inspect.txt")), &facts)) << platform::LastErrorCode();
  EXPECT_EQ(facts.kind, PathKind::kFile);
  EXPECT_FALSE(facts.reparse_point);
  EXPECT_EQ(facts.links, 1u);
  EXPECT_EQ(facts.owner.rfind(L"S-1-5-", 0), 0u) << testing::PrintToString(facts.owner);

  ASSERT_TRUE(contract::MakeHardLink(Path(L"inspect-2.txt"), Path(L"inspect.txt")));
  ASSERT_TRUE(files().Inspect(Ansi(Path(L"inspect-2.txt")), &facts));
  EXPECT_EQ(facts.links, 2u);
  ASSERT_TRUE(files().Inspect(Ansi(Path(L"inspect.txt")), &facts));
  EXPECT_EQ(facts.links, 2u);

  ASSERT_TRUE(files().Inspect(Ansi(contract::ScratchFolder()), &facts));
  EXPECT_EQ(facts.kind, PathKind::kDirectory);
  EXPECT_EQ(facts.links, 1u);
  EXPECT_FALSE(facts.reparse_point);

  EXPECT_FALSE(files().Inspect(Ansi(Path(L"no-such-file.txt")), &facts));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  EXPECT_FALSE(files().Inspect(Ansi(Path(L"no-such-folder\\x.txt")), &facts));
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kPathNotFound);
}

TEST_F(PrivateFilesContract, AJunctionIsAReparsePointToInspectAndFollowedByTheRest) {
  files().MakeDirectoryW(Path(L"junction-target"));
  Put(Path(L"junction-target\\in.txt"), "wb", "in");
  std::string why = contract::MakeJunction(Path(L"junction"), Path(L"junction-target"));
  // Wine 8 has no reparse points: FSCTL_SET_REPARSE_POINT fails with 50.
  if (!why.empty() && contract::RunsOnWine()) GTEST_SKIP() << "Wine cannot make a junction: " << why;
  ASSERT_EQ(why, "");
  platform::PathFacts facts;
  ASSERT_TRUE(files().Inspect(Ansi(Path(L"junction")), &facts)) << platform::LastErrorCode();
  EXPECT_TRUE(facts.reparse_point);
  EXPECT_EQ(facts.kind, PathKind::kDirectory);
  EXPECT_EQ(Get(Path(L"junction\\in.txt"), "rb"), "in");
  files().Remove(Path(L"junction-target\\in.txt"));
}

TEST_F(PrivateFilesContract, AppendingMakesAFileSharesOnlyReadingAndNeverWaits) {
  const std::wstring log = Path(L"append.log");
  bool created = false;
  platform::PathFacts facts;
  auto first = files().OpenForAppend(Ansi(log), &created, &facts);
  ASSERT_NE(first, nullptr) << platform::LastErrorCode();
  EXPECT_TRUE(created);
  EXPECT_EQ(facts.kind, PathKind::kFile);
  EXPECT_EQ(facts.links, 1u);
  EXPECT_FALSE(facts.reparse_point);
  EXPECT_EQ(first->Write("one\n", 4), 4u);
  EXPECT_FALSE(first->HasError());
  char c;
  EXPECT_EQ(first->Read(&c, 1), 0u);
  EXPECT_TRUE(first->HasError());

  // A second writer is refused at once; a reader may look.
  EXPECT_EQ(files().OpenForAppend(Ansi(log), &created, &facts), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 32u);
  EXPECT_EQ(files().OpenW(log, "a"), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 32u);
  EXPECT_EQ(Get(log, "rb"), "one\r\n");
  first.reset();

  auto again = files().OpenForAppend(Ansi(log), &created, &facts);
  ASSERT_NE(again, nullptr) << platform::LastErrorCode();
  EXPECT_FALSE(created);
  again->Write("two\n", 4);
  again.reset();
  EXPECT_EQ(Get(log, "rb"), "one\r\ntwo\r\n");

  // Held open for writing by another opener: refused at once.
  auto holder = files().OpenW(log, "ab");
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(files().OpenForAppend(Ansi(log), &created, &facts), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 32u);
  holder.reset();

  // The facts are those of the opened file: a second name shows.
  ASSERT_TRUE(contract::MakeHardLink(Path(L"linked.log"), log));
  auto linked = files().OpenForAppend(Ansi(Path(L"linked.log")), &created, &facts);
  ASSERT_NE(linked, nullptr);
  EXPECT_FALSE(created);
  EXPECT_EQ(facts.links, 2u);
}

}  // namespace
