#include <gtest/gtest.h>

#include <string>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

std::string ReadAll(File& file) {
  std::string text;
  char buffer[3];  // small reads cross CR LF pairs
  size_t n;
  while ((n = file.Read(buffer, sizeof(buffer))) > 0) text.append(buffer, n);
  return text;
}

void WriteText(File& file, const std::string& text) { ASSERT_EQ(file.Write(text.data(), text.size()), text.size()); }

TEST(SimFiles, PathsAreCaseInsensitiveWithEitherSeparatorAndDoubledBackslashes) {
  SimMachine m;
  SimFiles& files = m.files();
  ASSERT_TRUE(files.MakeDirectoryW(L"C:\\Windows\\Temp\\Tavro"));
  auto f = files.OpenW(L"c:/WINDOWS/temp\\\\tavro//Log.txt", "wb");
  ASSERT_NE(f, nullptr);
  WriteText(*f, "x");
  f.reset();
  EXPECT_EQ(files.FileBytes(L"C:\\Windows\\Temp\\Tavro\\LOG.TXT"), "x");
  EXPECT_EQ(files.StatW(L"C:\\windows\\TEMP\\tavro\\"), PathKind::kDirectory);
  EXPECT_EQ(files.Stat("C:\\Windows\\..\\Windows\\Temp\\.\\Tavro\\log.txt"), PathKind::kFile);
  // The spelling of the first creation is kept.
  EXPECT_EQ(files.List(L"C:\\WINDOWS\\TEMP\\TAVRO"), std::vector<std::wstring>{L"Log.txt"});
  EXPECT_FALSE(files.MakeDirectoryW(L"c:\\windows\\temp\\TAVRO"));
  EXPECT_EQ(LastErrorCode(), err::kAlreadyExists);
}

TEST(SimFiles, MissingFolderGives3AndMissingFile2) {
  SimMachine m;
  SimFiles& files = m.files();
  EXPECT_EQ(files.OpenW(L"C:\\NoSuch\\a.txt", "w"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kPathNotFound);
  EXPECT_EQ(files.OpenW(L"C:\\Windows\\a.txt", "r"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kFileNotFound);
  EXPECT_FALSE(files.MakeDirectoryW(L"C:\\NoSuch\\Sub"));
  EXPECT_EQ(LastErrorCode(), err::kPathNotFound);
  EXPECT_FALSE(files.MakeDirectory("D:\\Folder"));
  EXPECT_EQ(LastErrorCode(), err::kPathNotFound);
  EXPECT_FALSE(files.Remove(L"C:\\Windows\\a.txt"));
  EXPECT_EQ(LastErrorCode(), err::kFileNotFound);
  // A folder cannot be opened as a file, nor a file used as a folder.
  EXPECT_EQ(files.OpenW(L"C:\\Windows", "r"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kAccessDenied);
  files.PutFile(L"C:\\plain", "p");
  EXPECT_FALSE(files.MakeDirectoryW(L"C:\\plain\\sub"));
  EXPECT_EQ(LastErrorCode(), err::kPathNotFound);
  EXPECT_EQ(files.OpenW(L"C:\\Windows\\a?.txt", "w"), nullptr);
  EXPECT_EQ(LastErrorCode(), 123u);
}

TEST(SimFiles, TextModeIsTheDefaultAndConvertsLineEnds) {
  SimMachine m;
  SimFiles& files = m.files();
  for (const char* mode : {"w", "wt", "a+t"}) {
    files.Remove(L"C:\\t.log");
    auto f = files.OpenW(L"C:\\t.log", mode);
    ASSERT_NE(f, nullptr) << mode;
    WriteText(*f, "one\ntwo\r\n");
    f.reset();
    EXPECT_EQ(files.FileBytes(L"C:\\t.log"), "one\r\ntwo\r\r\n") << mode;
  }
  auto r = files.OpenW(L"C:\\t.log", "r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(ReadAll(*r), "one\ntwo\r\n");
  auto rb = files.OpenW(L"C:\\t.log", "rb");
  EXPECT_EQ(ReadAll(*rb), "one\r\ntwo\r\r\n");
  auto wb = files.OpenW(L"C:\\b.bin", "wb");
  WriteText(*wb, "a\nb");
  wb.reset();
  EXPECT_EQ(files.FileBytes(L"C:\\b.bin"), "a\nb");
  // Ctrl-Z ends a text-mode read.
  files.PutFile(L"C:\\z.txt", "ab\x1A" "cd");
  auto z = files.OpenW(L"C:\\z.txt", "rt");
  EXPECT_EQ(ReadAll(*z), "ab");
}

TEST(SimFiles, AppendAndTruncateAndUpdateModes) {
  SimMachine m;
  SimFiles& files = m.files();
  files.PutFile(L"C:\\a.txt", "abc");
  { auto f = files.OpenW(L"C:\\a.txt", "ab"); WriteText(*f, "def"); }
  EXPECT_EQ(files.FileBytes(L"C:\\a.txt"), "abcdef");
  { auto f = files.OpenW(L"C:\\a.txt", "r+b"); WriteText(*f, "X"); }
  EXPECT_EQ(files.FileBytes(L"C:\\a.txt"), "Xbcdef");
  { auto f = files.OpenW(L"C:\\a.txt", "wb"); }
  EXPECT_EQ(files.FileBytes(L"C:\\a.txt"), "");
  EXPECT_EQ(files.OpenW(L"C:\\a.txt", "wbx"), nullptr);
  EXPECT_EQ(files.OpenW(L"C:\\a.txt", "q"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kInvalidParameter);
  // A stream opened for reading only cannot write.
  auto r = files.OpenW(L"C:\\a.txt", "rb");
  char c = 'x';
  EXPECT_EQ(r->Write(&c, 1), 0u);
  EXPECT_TRUE(r->HasError());
  // An open file cannot be deleted.
  EXPECT_FALSE(files.Remove(L"C:\\a.txt"));
  EXPECT_EQ(LastErrorCode(), 32u);
  r.reset();
  EXPECT_TRUE(files.Remove(L"C:\\a.txt"));
  EXPECT_EQ(files.Kind(L"C:\\a.txt"), PathKind::kMissing);
}

TEST(SimFiles, AnsiPathsGoThroughTheMachineCodePage) {
  SimMachine m;
  m.codepage().SetAnsiCodePage(936);
  m.files().MakeFolders(L"C:\\\u6D4B\u8BD5");  // 测试
  auto f = m.files().Open("C:\\\xB2\xE2\xCA\xD4\\a.txt", "w");  // GBK bytes of 测试
  ASSERT_NE(f, nullptr);
  f.reset();
  EXPECT_EQ(m.files().Kind(L"C:\\\u6D4B\u8BD5\\a.txt"), PathKind::kFile);
  // Under 1252 the same bytes name other characters.
  m.codepage().SetAnsiCodePage(1252);
  EXPECT_EQ(m.files().Stat("C:\\\xB2\xE2\xCA\xD4\\a.txt"), PathKind::kMissing);
}

TEST(SimFiles, ReadOnlyAndFailingFolders) {
  SimMachine m;
  SimFiles& files = m.files();
  files.MakeFolders(L"C:\\Locked");
  files.SetReadOnly(L"C:\\Locked", true);
  EXPECT_FALSE(files.MakeDirectoryW(L"C:\\Locked\\Sub"));
  EXPECT_EQ(LastErrorCode(), err::kAccessDenied);
  EXPECT_EQ(files.OpenW(L"C:\\Locked\\a.txt", "w"), nullptr);
  EXPECT_EQ(LastErrorCode(), err::kAccessDenied);
  files.PutFile(L"C:\\ro.txt", "keep");
  files.SetReadOnly(L"C:\\ro.txt", true);
  EXPECT_EQ(files.OpenW(L"C:\\ro.txt", "a"), nullptr);
  EXPECT_NE(files.OpenW(L"C:\\ro.txt", "r"), nullptr);
  EXPECT_FALSE(files.Remove(L"C:\\ro.txt"));
  files.SetFailing(L"C:\\Windows\\Temp\\Deep", 1392);
  EXPECT_FALSE(files.MakeDirectory("C:\\Windows\\Temp\\Deep"));
  EXPECT_EQ(LastErrorCode(), 1392u);
  EXPECT_EQ(files.Stat("C:\\Windows\\Temp\\deep\\x"), PathKind::kMissing);
  files.SetFailing(L"C:\\Windows\\Temp\\Deep", 0);
  EXPECT_TRUE(files.MakeDirectory("C:\\Windows\\Temp\\Deep"));
}

TEST(SimFiles, FaultsNameTheRuntimeCalls) {
  SimMachine m;
  SimFiles& files = m.files();
  m.faults().Fail("_mkdir", err::kAccessDenied, 1);
  EXPECT_FALSE(files.MakeDirectory("C:\\One"));
  EXPECT_EQ(LastErrorCode(), err::kAccessDenied);
  EXPECT_TRUE(files.MakeDirectory("C:\\One"));
  m.faults().Fail("fopen", err::kAccessDenied);
  EXPECT_EQ(files.Open("C:\\One\\a.txt", "w"), nullptr);
  EXPECT_NE(files.OpenW(L"C:\\One\\a.txt", "w"), nullptr);  // _wfopen is another call
  m.faults().Clear("fopen");
  auto f = files.Open("C:\\One\\a.txt", "w");
  m.faults().Fail("fwrite", 112, 1);
  EXPECT_EQ(f->Write("abc", 3), 0u);
  EXPECT_TRUE(f->HasError());
  m.faults().Fail("stat", err::kAccessDenied, 1);
  EXPECT_EQ(files.Stat("C:\\One"), PathKind::kMissing);
  EXPECT_EQ(files.Stat("C:\\One"), PathKind::kDirectory);
  EXPECT_EQ(m.faults().Calls("stat"), 2);
}

}  // namespace
}  // namespace platform::sim
