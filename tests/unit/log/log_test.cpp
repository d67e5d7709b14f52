#include <string>

#include "log/system_banner.h"
#include "platform/last_error.h"
#include "tests/unit/log/log_fixture.h"

namespace logtest {
namespace {

TEST_F(LogTest, LineCarriesTimeSourceFunctionAndLineAndDayFileStartsWithBanner) {
  machine_.clock().Advance(1234);  // 10:00:01.234
  LogPrint("C:\\build\\src\\Install.cpp", "LoadData", 42, "[ENTRY] LoadData - ResID=%u, Key=%ws\n", 142u, L"INSTALL");
  LogPrint("src/app/InstallDlg.cpp", "CInstallDlg::OnOK", 7, "[INFO] OnOK - n=%d\n", -3);
  LogPrint(kLogUnitInstall, "F", 1, "[EXIT] F\n");
  LogFlush();
  std::string file = Today();
  std::string banner = BuildSystemBanner(machine_);
  std::string expected_banner;
  for (char c : banner) {
    if (c == '\n') expected_banner += '\r';
    expected_banner += c;
  }
  ASSERT_EQ(file.compare(0, expected_banner.size(), expected_banner), 0) << file;
  EXPECT_EQ(file.substr(expected_banner.size()),
            "[2026-12-07 10:00:01.234] [Install.cpp:LoadData:42] [ENTRY] LoadData - ResID=142, Key=INSTALL\r\n"
            "[2026-12-07 10:00:01.234] [InstallDlg.cpp:CInstallDlg::OnOK:7] [INFO] OnOK - n=-3\r\n"
            "[2026-12-07 10:00:01.234] [Install.cpp:F:1] [EXIT] F\r\n");
}

TEST_F(LogTest, LineWithoutLineFeedGetsCrLfWhichTextModeTurnsIntoCrCrLf) {
  LogPrint(kLogUnitInstall, "LoadFileFromeData", 3, "[INFO] LoadFileFromeData - done\r\n");
  LogPrint(kLogUnitInstall, "F", 4, "no line feed");
  LogPrint(kLogUnitInstall, "F", 5, "");
  LogStop();
  std::string file = Today();
  EXPECT_NE(file.find("[Install.cpp:LoadFileFromeData:3] [INFO] LoadFileFromeData - done\r\r\n"), std::string::npos);
  EXPECT_NE(file.find("[Install.cpp:F:4] no line feed\r\r\n[2026"), std::string::npos);
  EXPECT_NE(file.find("[Install.cpp:F:5] \r\r\n"), std::string::npos);
}

TEST_F(LogTest, BannerOnlyInANewDaysFileAndANewDayGivesANewFile) {
  LogPrint(kLogUnitInstall, "F", 1, "first\n");
  LogFlush();
  LogPrint(kLogUnitInstall, "F", 2, "second\n");
  LogFlush();
  LogStop();
  LogPrint(kLogUnitInstall, "F", 3, "after restart\n");
  LogStop();
  std::string today = Today();
  EXPECT_EQ(Count(today, kRule), 3u);  // one banner: rule, title, rule ... rule
  EXPECT_LT(today.find("first"), today.find("second"));
  EXPECT_LT(today.find("second"), today.find("after restart"));

  machine_.clock().Advance(14 * 3600 * 1000LL);  // 00:00 on 8 December
  LogPrint(kLogUnitInstall, "F", 4, "tomorrow\n");
  LogStop();
  std::string tomorrow = machine_.files().FileBytes(std::wstring(kLogFolder) + L"\\TavroPrintInstall_2026_12_08.log");
  EXPECT_EQ(Count(tomorrow, kRule), 3u);
  EXPECT_NE(tomorrow.find("[2026-12-08 00:00:00.000] [Install.cpp:F:4] tomorrow\r\n"), std::string::npos);
  EXPECT_EQ(Today().find("tomorrow"), std::string::npos);
}

TEST_F(LogTest, FolderThatCannotBeCreatedDropsThePendingLinesAndLoggingGoesOn) {
  machine_.files().SetFailing(L"C:\\Windows\\Temp\\TavroPrint", platform::err::kAccessDenied);
  LogPrint(kLogUnitInstall, "F", 1, "lost line\n");
  LogFlush();
  EXPECT_EQ(machine_.files().Kind(kLogFolder), platform::PathKind::kMissing);
  machine_.files().SetFailing(L"C:\\Windows\\Temp\\TavroPrint", 0);
  LogPrint(kLogUnitInstall, "F", 2, "kept line\n");
  LogFlush();
  std::string file = Today();
  EXPECT_EQ(file.find("lost line"), std::string::npos);
  EXPECT_NE(file.find("kept line"), std::string::npos);
  // A file that cannot be opened is the same: the text is dropped, the next flush tries again.
  machine_.faults().Fail("CreateFileA", platform::err::kAccessDenied, 1);
  LogPrint(kLogUnitInstall, "F", 3, "also lost\n");
  LogFlush();
  LogPrint(kLogUnitInstall, "F", 4, "written again\n");
  LogStop();
  file = Today();
  EXPECT_EQ(file.find("also lost"), std::string::npos);
  EXPECT_NE(file.find("written again"), std::string::npos);
}

TEST_F(LogTest, LinesOfTheLastSecondReachTheFileAndTheExitLineAfterStopToo) {
  for (int i = 0; i < 5; ++i) LogPrint(kLogUnitInstall, "F", i, "[INFO] F - line %d\n", i);
  LogStop();
  // The application's last line comes after LogStop and restarts the facility; its second
  // LogStop writes it.
  LogPrint(kLogUnitInstall, "CInstallApp::ExitInstance", 99, "[EXIT] CInstallApp::ExitInstance\n");
  LogStop();
  LogStop();  // stopping a stopped log is harmless
  std::string file = Today();
  for (int i = 0; i < 5; ++i) EXPECT_NE(file.find("line " + std::to_string(i) + "\r\n"), std::string::npos);
  EXPECT_NE(file.find("[Install.cpp:CInstallApp::ExitInstance:99] [EXIT] CInstallApp::ExitInstance\r\n"),
            std::string::npos);
}

TEST_F(LogTest, LongMessageIsCutAndTheLineStillEndsInALineBreak) {
  std::string long_text(3000, 'x');
  LogPrint(kLogUnitInstall, "F", 1, "%s\n", long_text.c_str());
  LogStop();
  std::string file = Today();
  const std::string prefix = "[2026-12-07 10:00:00.000] [Install.cpp:F:1] ";
  size_t at = file.find(prefix);
  ASSERT_NE(at, std::string::npos);
  size_t end = file.find('\n', at);
  ASSERT_NE(end, std::string::npos);
  std::string line = file.substr(at, end + 1 - at);
  // 2047 characters in the buffer: the prefix, the cut message, CR LF; CR CR LF on disk.
  EXPECT_EQ(line.size(), 2048u);
  EXPECT_EQ(line.substr(line.size() - 4), "x\r\r\n");
  EXPECT_EQ(Count(line, "x"), 2047 - prefix.size() - 2);
}

TEST_F(LogTest, BufferIsWrittenByTheCallerOnceItHolds16KiB) {
  std::string filler(90, 'f');
  int lines = 0;
  // Lines of a little over 140 bytes: the 16,384th byte is crossed after ~117 lines.
  while (Today().empty() && lines < 400) {
    LogPrint(kLogUnitInstall, "F", lines, "%s %d\n", filler.c_str(), lines);
    ++lines;
  }
  ASSERT_LT(lines, 400);
  std::string file = Today();
  EXPECT_NE(file.find(filler + " " + std::to_string(lines - 2) + "\r\n"), std::string::npos);
  EXPECT_GE(file.size(), 16384u);
}

TEST_F(LogTest, WideArgumentsGoThroughTheAnsiCodePage) {
  machine_.codepage().SetAnsiCodePage(936);
  LogPrint(kLogUnitInstall, "F", 1, "[INFO] F - model=%ws\n", L"\u6253\u5370\u673A");  // 打印机
  LogFlush();
  machine_.codepage().SetAnsiCodePage(1252);
  LogPrint(kLogUnitInstall, "F", 2, "[INFO] F - model=%ws\n", L"\u6253\u5370\u673A");
  LogStop();
  std::string file = Today();
  EXPECT_NE(file.find("model=\xB4\xF2\xD3\xA1\xBB\xFA\r\n"), std::string::npos);
  EXPECT_NE(file.find("model=???\r\n"), std::string::npos);
}

// The line is "[%s] [%s:%s:%d] %s" of the time stamp, source, function, line number and message,
// cut at 2047 characters: the odd arguments read as printf wrote them.
TEST_F(LogTest, OddArgumentsReadAsPrintfWroteThem) {
  LogPrint(nullptr, nullptr, -2147483647 - 1, "%c%s\n", 0, "after a NUL");  // the line ends at the NUL
  LogPrint("dir\\", "F", 0, "a\n");
  LogPrint("dir/sub\\x/Unit.cpp", "F", 2147483647, "b\n");
  std::string long_name(3000, 'n');
  LogPrint(kLogUnitInstall, long_name.c_str(), 5, "never seen\n");
  LogFlush();  // into today's file, before the clock moves
  platform::LocalTime far;
  far.year = 12026;
  far.month = 1;
  far.day = 2;
  far.hour = 3;
  far.minute = 4;
  far.second = 5;
  far.milliseconds = 6;
  machine_.clock().Set(far);
  LogPrint(kLogUnitInstall, "F", 6, "far\n");
  LogStop();
  std::string file = Today();
  EXPECT_NE(file.find("\r\n[2026-12-07 10:00:00.000] [::-2147483648] \r\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\r\n[2026-12-07 10:00:00.000] [:F:0] a\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\n[2026-12-07 10:00:00.000] [x/Unit.cpp:F:2147483647] b\r\n"), std::string::npos);
  const std::string prefix = "[2026-12-07 10:00:00.000] [Install.cpp:";
  size_t at = file.find(prefix + "nnn");
  ASSERT_NE(at, std::string::npos);
  // 2045 characters of the line, then CR LF (CR CR LF on disk).
  EXPECT_EQ(file.substr(at, 2049), prefix + std::string(2045 - prefix.size(), 'n') + "\r\r\n");
  std::string far_file = machine_.files().FileBytes(std::wstring(kLogFolder) + L"\\TavroPrintInstall_12026_01_02.log");
  EXPECT_NE(far_file.find("\r\n[12026-01-02 03:04:05.006] [Install.cpp:F:6] far\r\n"), std::string::npos);
}

TEST_F(LogTest, DirectWriteOfAnOverlongLineIsCutToFitTheBuffer) {
  LogStart();
  std::string huge(40000, 'h');
  LogWrite(huge.c_str());
  LogWrite(nullptr);
  LogStop();
  std::string file = Today();
  EXPECT_EQ(Count(file, "h"), 32764u);
  EXPECT_EQ(file.substr(file.size() - 4), "h\r\r\n");
}

TEST_F(LogTest, LogFilePathAndEnsureDirectory) {
  char path[512];
  EXPECT_EQ(GetLogFilePath(nullptr, 512), -1);
  EXPECT_EQ(GetLogFilePath(path, 0), -1);
  ASSERT_EQ(GetLogFilePath(path, sizeof(path)), 0);
  EXPECT_STREQ(path, "C:\\Windows\\Temp\\\\TavroPrint\\Log\\TavroPrintInstall_2026_12_07.log");
  EXPECT_EQ(machine_.files().Kind(kLogFolder), platform::PathKind::kDirectory);
  EXPECT_EQ(GetLogFilePath(path, 20), -1);  // a cut path would name another file
  machine_.faults().Fail("GetWindowsDirectoryW", 5, 1);
  EXPECT_EQ(GetLogFilePath(path, sizeof(path)), -1);

  EXPECT_EQ(EnsureDirectory("C:\\A\\B/C\\"), 0);
  EXPECT_EQ(machine_.files().Kind(L"C:\\A\\B\\C"), platform::PathKind::kDirectory);
  EXPECT_EQ(EnsureDirectory("C:\\A\\B\\C"), 0);
  machine_.files().PutFile(L"C:\\A\\file", "x");
  EXPECT_EQ(EnsureDirectory("C:\\A\\file"), -1);
  EXPECT_EQ(EnsureDirectory("C:\\A\\file\\sub"), -1);
  EXPECT_EQ(EnsureDirectory(""), -1);
  EXPECT_EQ(EnsureDirectory(nullptr), -1);
  EXPECT_EQ(EnsureDirectory("Q:\\nodrive"), -1);
  // A folder made by someone else between the test and the mkdir still counts.
  machine_.faults().Fail("_mkdir", platform::err::kAlreadyExists, 1);
  machine_.files().MakeFolders(L"C:\\Raced");
  EXPECT_EQ(EnsureDirectory("C:\\Raced\\"), 0);
  machine_.faults().Fail("_mkdir", platform::err::kAccessDenied, 1);
  EXPECT_EQ(EnsureDirectory("C:\\Denied"), -1);
}

// A caller reads its failing call's code after logging the failure: the log, whose flush opens
// files (the existence test of a new day's file fails with 2), keeps the thread's last error.
TEST_F(LogTest, LoggingKeepsTheCallersLastError) {
  constexpr uint32_t kCode = 1234;
  platform::SetLastErrorCode(kCode);
  LogPrint(kLogUnitInstall, "F", 1, "[ERROR] F - Error=%d\n", 1234);  // starts the facility
  EXPECT_EQ(platform::LastErrorCode(), kCode);
  // The caller's own flush: lines past 16 KiB, the first of them into a day's file not there yet.
  std::string filler(90, 'f');
  int lines = 0;
  while (Today().empty() && lines < 400) {
    LogPrint(kLogUnitInstall, "F", lines, "%s %d\n", filler.c_str(), lines);
    ASSERT_EQ(platform::LastErrorCode(), kCode) << "line " << lines;
    ++lines;
  }
  ASSERT_LT(lines, 400);
  // A flush whose file cannot be opened, and one whose folder cannot be made.
  machine_.faults().ResetCalls();
  machine_.faults().Fail("CreateFileA", platform::err::kAccessDenied, 2);
  platform::SetLastErrorCode(kCode);
  for (int i = 0; i < 200 && machine_.faults().Calls("CreateFileA") < 2; ++i)
    LogPrint(kLogUnitInstall, "F", i, "%s %d\n", filler.c_str(), i);
  EXPECT_EQ(platform::LastErrorCode(), kCode);
  machine_.faults().Fail("_mkdir", platform::err::kAccessDenied, -1);
  machine_.files().RemoveTree(L"C:\\Windows\\Temp\\TavroPrint");
  LogPrint(kLogUnitInstall, "F", 2, "[INFO] F - before the flush\n");
  LogFlush();
  EXPECT_EQ(platform::LastErrorCode(), kCode);
  machine_.faults().Clear("_mkdir");
  // The other calls a caller may make in between: a direct line, a flush, the stop and a restart.
  platform::SetLastErrorCode(0);
  LogWrite("[INFO] F - direct\n");
  LogFlush();
  EXPECT_EQ(platform::LastErrorCode(), 0u);
  platform::SetLastErrorCode(kCode);
  LogPrint(kLogUnitInstall, "F", 3, "[EXIT] F\n");
  LogStop();
  EXPECT_EQ(platform::LastErrorCode(), kCode);
  LogStart();
  LogStop();
  EXPECT_EQ(platform::LastErrorCode(), kCode);
  EXPECT_NE(Today().find("[Install.cpp:F:3] [EXIT] F\r\n"), std::string::npos);
}

TEST_F(LogTest, NothingIsLoggedWithoutAMachine) {
  LogAttachMachine(nullptr);
  LogPrint(kLogUnitInstall, "F", 1, "nowhere\n");
  LogStop();
  LogAttachMachine(&machine_);
  EXPECT_EQ(Today(), "");
}

}  // namespace
}  // namespace logtest
