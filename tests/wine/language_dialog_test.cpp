// The installer as a user meets it: the real TavroPrintSetup.exe is started, its language dialog
// is driven from this process with window messages (tests/wine/installer_driver.h), and what the
// run leaves behind is read back: the configuration folder, the installer text files and the
// day's log. The main dialog that follows is only reached and cancelled here; main_dialog_test
// drives it.
//
// LanguageDialogShots.DISABLED_EachRow, run with --gtest_also_run_disabled_tests and
// TAVRO_SHOT_DIR set to a folder, selects each row in turn and waits for a screenshot of each
// (scripts/screenshots.sh).
#include "tests/wine/installer_driver.h"

#include <string>
#include <vector>

namespace {

using namespace driver;

// An installer text file (UTF-16 LE with its mark): six page texts, then Title, ProgramName and
// Driver naming the language `tag`.
std::string InstallText(const char* tag) {
  std::string text;
  for (int page = 1; page <= 6; ++page) text += "Page " + std::to_string(page) + "\r\n====================\r\n";
  text += std::string("Tavro Setup ") + tag + "\r\nTavro " + tag + "\r\nTavro " + tag + " Driver\r\n";
  std::string bytes = "\xFF\xFE";
  for (char c : text) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

struct Row {
  const wchar_t* text;
  int value;
  const char* tag;  // the installer text file's suffix
  const wchar_t* caption;
  const wchar_t* ok;
  const wchar_t* cancel;
};

const Row kRows[] = {
    {L"\u7b80\u4f53\u4e2d\u6587", 1, "cn", L"\u8bed\u8a00", L"\u4e0b\u4e00\u6b65", L"\u53d6\u6d88"},
    {L"\u7e41\u9ad4\u4e2d\u6587", 2, "tw", L"\u8a9e\u8a00", L"\u4e0b\u4e00\u6b65", L"\u53d6\u6d88"},
    {L"English", 0, "en", L"Language", L"Next", L"Cancel"},
};

void ExpectTexts(HWND dialog, const Row& row) {
  EXPECT_EQ(TextOf(dialog), row.caption);
  EXPECT_EQ(ItemText(dialog, IDOK), row.ok);
  EXPECT_EQ(ItemText(dialog, IDCANCEL), row.cancel);
}

class LanguageDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring local = LocalAppData();
    ASSERT_FALSE(local.empty()) << "no LocalAppData folder";
    local_app_data_ = local;
    config_ = local + L"\\Temp\\TavroPrint\\Config\\";
    SHCreateDirectoryExW(nullptr, config_.c_str(), nullptr);
    // What the installer must write again, and a logo that an earlier run left behind.
    for (const wchar_t* name : {L"Modules.json", L"PaperSize.json", L"DefaultPaper.json"})
      DeleteFileW((config_ + name).c_str());
    ASSERT_TRUE(WriteBytes(config_ + L"Logo.bmp", "BM stale"));
    RemoveTextFiles();
    log_ = LogWatch();
  }

  void TearDown() override { RemoveTextFiles(); }

  void RemoveTextFiles() {
    for (const Row& row : kRows) DeleteFileW(TextFile(row).c_str());
  }

  std::wstring TextFile(const Row& row) const {
    return config_ + L"InstallConfig_" + std::wstring(row.tag, row.tag + 2) + L".txt";
  }

  // The lines the installer logged since this test started.
  std::string RunLog() const { return log_.Since(); }

  // Starts the installer and waits for its language dialog, which comes after the extraction.
  HWND StartToLanguageDialog() {
    if (!installer_.Start()) return nullptr;
    HWND dialog = installer_.WaitFor(Kind::kLanguage);
    EXPECT_NE(dialog, nullptr) << "the language dialog did not appear";
    return dialog;
  }

  void ExpectConfigFolderFilled() {
    for (const wchar_t* name : {L"Modules.json", L"PaperSize.json", L"DefaultPaper.json"})
      EXPECT_TRUE(FileExists(config_ + name)) << Narrow(config_ + name);
    EXPECT_FALSE(FileExists(config_ + L"Logo.bmp")) << "the earlier run's logo was not removed";
  }

  void PlantTextFiles() {
    for (const Row& row : kRows) ASSERT_TRUE(WriteBytes(TextFile(row), InstallText(row.tag)));
  }

  // From the main dialog: checks that it is the main dialog and its caption (its other texts are
  // main_dialog_test's), presses its Cancel button and waits for the process to end with code 1602.
  void CancelMainDialog(const std::wstring& caption) {
    HWND main = installer_.WaitFor(Kind::kMain);
    ASSERT_NE(main, nullptr) << "the main dialog did not appear";
    EXPECT_EQ(ClassOf(GetDlgItem(main, 1058)), WC_LISTVIEWW);
    EXPECT_EQ(ClassOf(GetDlgItem(main, 1025)), L"ComboBox");
    EXPECT_EQ(TextOf(main), caption);
    Click(main, 1007);
    EXPECT_EQ(installer_.WaitExit(), 1602);
  }

  Installer installer_;
  std::wstring local_app_data_;
  std::wstring config_;
  LogWatch log_;
};

TEST_F(LanguageDialogTest, TextsFollowTheSelectedRowAndOkWantsARow) {
  HWND dialog = StartToLanguageDialog();
  ASSERT_NE(dialog, nullptr);
  ExpectConfigFolderFilled();
  RemoveTextFiles();  // whatever the payload held: this run reads none

  RemoteList list(installer_.process(), GetDlgItem(dialog, kLanguageList));
  ASSERT_TRUE(list.ok());
  ASSERT_EQ(list.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Text(i), kRows[i].text) << "row " << i;
  EXPECT_EQ(list.Selected(), 0);
  ExpectTexts(dialog, kRows[0]);

  for (int i : {1, 2, 0, 2, 1}) {
    list.SetSelected(i, true);
    EXPECT_EQ(list.Selected(), i);
    SCOPED_TRACE(i);
    ExpectTexts(dialog, kRows[i]);
  }

  // No row: the texts stay, and OK asks for one in Simplified Chinese (the chosen value is
  // still the initial 1) and leaves the dialog open.
  list.SetSelected(-1, false);
  EXPECT_EQ(list.Selected(), -1);
  ExpectTexts(dialog, kRows[1]);
  Click(dialog, IDOK);
  HWND box = installer_.WaitFor(Kind::kMessageBox);
  ASSERT_NE(box, nullptr) << "no message box for OK without a row";
  EXPECT_EQ(TextOf(box), L"\u63d0\u793a");
  EXPECT_EQ(ItemText(box, kMessageBoxText), L"\u8bf7\u9009\u62e9\u8bed\u8a00");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(installer_.WaitFor(Kind::kMain, 300), nullptr);

  list.SetSelected(2, true);
  ExpectTexts(dialog, kRows[2]);
  Click(dialog, IDOK);
  // No installer text file: the English caption of its own.
  CancelMainDialog(L"USB printer driver installation Wizard");

  ExpectInOrder(RunLog(), {
      "[ENTRY] CInstallApp::InitInstance",
      "Language selected: 0",
      "Config file path: " + Narrow(config_) + "\\InstallConfig_en.txt, Language=0",
      "[WARN] CInstallApp::InitInstance - Config file not found, using default values",
      "Starting main dialog",
      "Dialog dismissed with Cancel",
  });
}

class ChosenLanguageTest : public LanguageDialogTest, public ::testing::WithParamInterface<int> {};

// A text file planted in the configuration folder after the extraction (any program of the user
// can write there) is not what the elevated installer reads: its texts come from its payload,
// which holds none, so the built-in texts show and the planted files stay unread.
TEST_P(ChosenLanguageTest, IgnoresAPlantedTextFileAndRunsTheMainDialog) {
  const Row& row = kRows[GetParam()];
  HWND dialog = StartToLanguageDialog();
  ASSERT_NE(dialog, nullptr);
  ExpectConfigFolderFilled();
  PlantTextFiles();

  RemoteList list(installer_.process(), GetDlgItem(dialog, kLanguageList));
  ASSERT_TRUE(list.ok());
  // Row 0 is selected from the start: OK at once chooses Simplified Chinese.
  if (GetParam() != 0) list.SetSelected(GetParam(), true);
  ExpectTexts(dialog, row);
  Click(dialog, IDOK);
  const wchar_t* const builtin[] = {L"USB printer driver installation Wizard", L"USB\u6253\u5370\u673a\u9a71\u52a8\u5b89\u88c5",
                                    L"USB\u6253\u5370\u6a5f\u9a45\u52d5\u5b89\u88dd"};
  CancelMainDialog(builtin[row.value]);

  const std::string n = std::to_string(row.value);
  const std::string tag = row.tag;
  const std::string log = RunLog();
  ExpectInOrder(log, {
      "[ENTRY] CInstallApp::InitInstance",
      "LoadDataFromFile success, m_nBufLen=",
      "Local AppData path: " + Narrow(local_app_data_) + "\r\n",
      "Language selected: " + n + "\r\n",
      "Config file path: " + Narrow(config_) + "\\InstallConfig_" + tag + ".txt, Language=" + n + "\r\n",
      "[WARN] CInstallApp::InitInstance - Config file not found, using default values",
      "Starting main dialog",
      "Dialog dismissed with Cancel",
      "[EXIT] CInstallApp::InitInstance - Exiting application",
      "[ENTRY] CInstallApp::ExitInstance - Cleaning up",
      "[EXIT] CInstallApp::ExitInstance",
  });
  EXPECT_EQ(log.find("Tavro Setup"), std::string::npos) << "a planted text was read";
  for (const Row& other : kRows) EXPECT_TRUE(FileExists(TextFile(other))) << Narrow(TextFile(other));
}

INSTANTIATE_TEST_SUITE_P(EachRow, ChosenLanguageTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(kRows[info.param].tag); });

TEST_F(LanguageDialogTest, CancelEndsTheProgramBeforeTheMainDialog) {
  HWND dialog = StartToLanguageDialog();
  ASSERT_NE(dialog, nullptr);
  PlantTextFiles();
  Click(dialog, IDCANCEL);
  EXPECT_EQ(installer_.WaitExit(), 1602);

  std::string log = RunLog();
  ExpectInOrder(log, {
      "[ENTRY] CInstallApp::InitInstance",
      "Language selection cancelled, exiting",
      "[ENTRY] CInstallApp::ExitInstance - Cleaning up",
      "[EXIT] CInstallApp::ExitInstance",
  });
  EXPECT_EQ(log.find("Language selected"), std::string::npos);
  EXPECT_EQ(log.find("Starting main dialog"), std::string::npos);
  // No installer text file was opened, so none was deleted.
  for (const Row& row : kRows) EXPECT_TRUE(FileExists(TextFile(row))) << Narrow(TextFile(row));
}

// For scripts/screenshots.sh: each row selected in turn and a shot taken of each (see AwaitShot),
// then the dialog cancelled.
TEST(LanguageDialogShots, DISABLED_EachRow) {
  const std::wstring dir = ShotDir();
  if (dir.empty()) GTEST_SKIP() << "TAVRO_SHOT_DIR is not set";
  Installer installer;
  ASSERT_TRUE(installer.Start());
  HWND dialog = installer.WaitFor(Kind::kLanguage);
  ASSERT_NE(dialog, nullptr);
  RemoteList list(installer.process(), GetDlgItem(dialog, kLanguageList));
  ASSERT_TRUE(list.ok());
  for (int i = 0; i < 3; ++i) {
    list.SetSelected(i, true);
    ExpectTexts(dialog, kRows[i]);
    AwaitShot(dir.c_str(), std::wstring(kRows[i].tag, kRows[i].tag + 2).c_str(), dialog);
  }
  Click(dialog, IDCANCEL);
  EXPECT_EQ(installer.WaitExit(), 1602);
}

}  // namespace
