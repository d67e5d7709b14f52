// The installer text file: blocks and values, line pieces, limits, and reading it from disk.
#include "app/install_text_file.h"

#include <gtest/gtest.h>

#include "tests/unit/app/app_fixture.h"

namespace {

using app_test::SixBlocks;
using app_test::Utf16File;

class InstallTextTest : public app_test::AppTest {
 protected:
  const std::wstring path_ = std::wstring(app_test::kConfig) + L"\\InstallConfig_cn.txt";
};

TEST_F(InstallTextTest, SixBlocksThenSevenValues) {
  Parse(Utf16File(u"Welcome\r\nto setup\r\n====================\r\n"
                  u"a\r\n\r\nb\r\n-- ==================== --\r\n"  // any line holding the rule
                  u"====================\r\n"
                  u"\u7b80\u4f53 \u7e41\u9ad4\r\n====================\r\n"
                  u"x\r\n====================\r\nlast\r\n====================\r\n"
                  u"\r\nMy Title\r\n====================\r\nProg\r\nab====================cd\r\n"
                  u"Drv\r\n\r\nMon\r\nPORT:\r\nFolder\r\nSpare\r\nIgnored\r\n"));
  EXPECT_EQ(PageText[0], L"Welcome\nto setup\n");
  EXPECT_EQ(PageText[1], L"a\n\nb\n");  // the blank line stays, between two line feeds
  EXPECT_EQ(PageText[2], L"");
  EXPECT_EQ(PageText[3], L"\u7b80\u4f53 \u7e41\u9ad4\n");
  EXPECT_EQ(PageText[4], L"x\n");
  EXPECT_EQ(PageText[5], L"last\n");
  EXPECT_EQ(Title, L"My Title");
  EXPECT_EQ(ProgramName, L"Prog");
  EXPECT_EQ(Driver, L"Drv");
  EXPECT_EQ(Monitor, L"Mon");
  EXPECT_EQ(PortPrefix, L"PORT:");
  EXPECT_EQ(FolderName, L"Folder");
  EXPECT_EQ(Spare, L"Spare");
}

TEST_F(InstallTextTest, TheFirstTwoBytesAreSkippedWhateverTheyHold) {
  Parse(Utf16File(u"Hi\r\n" + SixBlocks(u"T"), std::string("A\0", 2)));
  EXPECT_EQ(PageText[0], L"Hi\n");
  EXPECT_EQ(Title, L"T");
}

TEST_F(InstallTextTest, ValuesAFileLeavesOutStayEmpty) {
  Parse(Utf16File(SixBlocks(u"Only title")));
  EXPECT_EQ(Title, L"Only title");
  EXPECT_EQ(ProgramName, L"");
  EXPECT_EQ(Driver, L"");
  EXPECT_EQ(PortPrefix, L"");

  ResetInstallTexts();
  // Two separators: the rest is block 3, and no value is filled.
  Parse(Utf16File(u"one\r\n====================\r\ntwo\r\n====================\r\nT?\r\nP?\r\n"));
  EXPECT_EQ(PageText[1], L"two\n");
  EXPECT_EQ(PageText[2], L"T?\nP?\n");
  EXPECT_EQ(Title, L"");
  EXPECT_EQ(ProgramName, L"");
  EXPECT_EQ(Monitor, L"");
}

TEST_F(InstallTextTest, LongLinesArriveIn254CharacterPieces) {
  const std::u16string line(300, u'x');
  Parse(Utf16File(line + u"\r\n" + SixBlocks(line + u"\r\nDrv\r\n")));
  EXPECT_EQ(PageText[0], std::wstring(300, L'x') + L"\n");  // a block joins its pieces
  EXPECT_EQ(Title, std::wstring(254, L'x'));
  EXPECT_EQ(ProgramName, std::wstring(46, L'x'));
  EXPECT_EQ(Driver, L"Drv");
}

TEST_F(InstallTextTest, BlocksAreCutAt511CharactersWithOneWarning) {
  std::u16string block1;
  for (int i = 0; i < 10; ++i) block1 += std::u16string(59, u'a') + u"\r\n";  // 600 characters
  const std::u16string block2 = std::u16string(510, u'b') + u"\r\n";          // exactly 511
  Parse(Utf16File(block1 + u"====================\r\n" + block2 + u"====================\r\n"));
  std::wstring expected;
  for (int i = 0; i < 10; ++i) expected += std::wstring(59, L'a') + L"\n";
  EXPECT_EQ(PageText[0], expected.substr(0, 511));
  EXPECT_EQ(PageText[1], std::wstring(510, L'b') + L"\n");
  const std::string log = LogText();
  EXPECT_EQ(logtest::Count(log, "[WARN]"), 1u) << log;
  EXPECT_NE(log.find("[WARN] CInstallApp::InitInstance - Config text block 1 longer than 511 "
                     "characters, cut"),
            std::string::npos)
      << log;
}

TEST_F(InstallTextTest, OddTrailingByteAndSurrogatePairs) {
  Parse(Utf16File(SixBlocks(u"\u6807\u9898\r\n\U0001F5A8\r\nD")) + "\x51");
  EXPECT_EQ(Title, L"\u6807\u9898");
  EXPECT_EQ(ProgramName, L"\U0001F5A8");
  EXPECT_EQ(Driver, L"D");
  for (const std::string tiny : {"", "\xFF", "\xFF\xFE", "\xFF\xFE\x41"}) {
    ResetInstallTexts();
    Parse(tiny);
    EXPECT_EQ(PageText[0] + Title + ProgramName, L"") << tiny.size();
  }
}

TEST_F(InstallTextTest, PathPerLanguage) {
  const std::wstring folder = app_test::kConfig;
  EXPECT_EQ(InstallTextFilePath(folder, 1), folder + L"\\InstallConfig_cn.txt");
  EXPECT_EQ(InstallTextFilePath(folder, 2), folder + L"\\InstallConfig_tw.txt");
  for (int other : {0, 3, -1}) {
    EXPECT_EQ(InstallTextFilePath(folder, other), folder + L"\\InstallConfig_en.txt") << other;
  }
  EXPECT_NE(InstallTextFilePath(folder, 1).find(L"Config\\\\Install"), std::wstring::npos);
}

TEST_F(InstallTextTest, MissingFileGivesTheDefaults) {
  for (const std::wstring& path : {path_, std::wstring()}) {
    ResetInstallTexts();
    EXPECT_FALSE(ReadInstallTextFile(machine_, path));
    EXPECT_EQ(Title, L"");
    EXPECT_EQ(ProgramName, L"USB Printer");
    EXPECT_EQ(Driver, L"USB Printer Driver");
    EXPECT_EQ(Monitor, L"USB Printer Monitor");
    EXPECT_EQ(PortPrefix, L"USB PRINTER PORT:");
    EXPECT_EQ(FolderName, L"");
  }
  const std::string log = LogText();
  EXPECT_EQ(logtest::Count(log, "[Install.cpp:CInstallApp::InitInstance:"), 2u) << log;
  EXPECT_EQ(logtest::Count(log, "] [WARN] CInstallApp::InitInstance - Config file not found, "
                                "using default values\r\n"),
            2u)
      << log;
}

TEST_F(InstallTextTest, FileIsReadThenDeletedWithoutDefaults) {
  machine_.files().PutFile(path_, Utf16File(SixBlocks(u"T\r\nP\r\nD\r\n")));
  EXPECT_TRUE(ReadInstallTextFile(machine_, path_));
  EXPECT_FALSE(Exists(path_));
  EXPECT_EQ(Title + L"|" + ProgramName + L"|" + Driver, L"T|P|D");
  EXPECT_EQ(Monitor, L"");  // no default for a value the file leaves out
  EXPECT_TRUE(app_test::InOrder(
      LogText(), {"[INFO] CInstallApp::InitInstance - Config file opened successfully\r\n",
                  "[INFO] CInstallApp::InitInstance - Config loaded: Title=T, ProgramName=P, "
                  "Driver=D\r\n"}));

  // An empty file is still a file: no defaults either.
  ResetInstallTexts();
  machine_.files().PutFile(path_, "");
  EXPECT_TRUE(ReadInstallTextFile(machine_, path_));
  EXPECT_EQ(ProgramName, L"");
  EXPECT_FALSE(Exists(path_));
}

TEST_F(InstallTextTest, ReadFailureIsLogged) {
  machine_.files().PutFile(path_, Utf16File(SixBlocks(u"T\r\n")));
  machine_.faults().Fail("fread", 5, 1);
  EXPECT_TRUE(ReadInstallTextFile(machine_, path_));
  EXPECT_NE(LogText().find("[WARN] CInstallApp::InitInstance - Config file read failed after 0 bytes"),
            std::string::npos);
}

// The texts come from the reader given (the payload); the copy on disk, whatever it holds now,
// is not read but still deleted.
TEST_F(InstallTextTest, TextsComeFromTheReaderAndTheDiskCopyIsDeleted) {
  machine_.files().PutFile(path_, Utf16File(SixBlocks(u"Swapped\r\nEvil\r\n")));
  const std::string payload_text = Utf16File(SixBlocks(u"T\r\nP\r\nD\r\n"));
  std::vector<std::wstring> asked;
  EXPECT_TRUE(ReadInstallTextFile(machine_, path_, [&](const std::wstring& path, std::string* bytes) {
    asked.push_back(path);
    *bytes = payload_text;
    return true;
  }));
  EXPECT_EQ(asked, std::vector<std::wstring>{path_});
  EXPECT_EQ(Title + L"|" + ProgramName + L"|" + Driver, L"T|P|D");
  EXPECT_FALSE(Exists(path_));

  // The reader lacks the file: defaults, as for a missing file, and the disk copy is not read.
  ResetInstallTexts();
  machine_.files().PutFile(path_, Utf16File(SixBlocks(u"Swapped\r\n")));
  EXPECT_FALSE(ReadInstallTextFile(machine_, path_, [](const std::wstring&, std::string*) { return false; }));
  EXPECT_EQ(Title, L"");
  EXPECT_EQ(ProgramName, L"USB Printer");
  EXPECT_NE(LogText().find("[WARN] CInstallApp::InitInstance - Config file not found, using default values"),
            std::string::npos);
}

// FolderName lands under Program Files: a name that leaves it, or that the ANSI conversion would
// turn into one that does, is dropped with a warning and the built-in folder name used.
TEST_F(InstallTextTest, AnUnsafeFolderNameIsDropped) {
  struct Case {
    const char16_t* folder;
    const char* problem;
  };
  const Case cases[] = {
      {u"..\\..\\Windows\\System32", "holds a \\ or /"},
      {u"Tavro:x", "holds a colon"},
      {u"x..", "holds .."},
      {u"NUL", "opens as a device"},
      {u"\uff0e\uff0e\u2215Windows", "does not carry the name exactly"},  // best fit: "../Windows"
  };
  for (const Case& c : cases) {
    ResetInstallTexts();
    const std::string text = Utf16File(SixBlocks(u"T\r\nP\r\nD\r\nM\r\nPort\r\n" + std::u16string(c.folder) + u"\r\n"));
    ASSERT_TRUE(ReadInstallTextFile(machine_, path_, [&](const std::wstring&, std::string* bytes) {
      *bytes = text;
      return true;
    }));
    EXPECT_EQ(FolderName, L"") << c.problem;
    EXPECT_EQ(PortPrefix, L"Port") << "the other values stay";
    EXPECT_NE(LogText().find(std::string(c.problem) + "), using the default folder"), std::string::npos) << c.problem;
  }
  ResetInstallTexts();
  const std::string good = Utf16File(SixBlocks(u"T\r\nP\r\nD\r\nM\r\nPort\r\nTavro Printers\r\n"));
  ASSERT_TRUE(ReadInstallTextFile(machine_, path_, [&](const std::wstring&, std::string* bytes) {
    *bytes = good;
    return true;
  }));
  EXPECT_EQ(FolderName, L"Tavro Printers");
}

}  // namespace
