// Start-up and shutdown on the simulated machine: payload, configuration folder, language
// dialog, installer text file, main dialog, and the log lines of each step.
#include "app/install_app.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/select_language_dlg.h"
#include "tests/unit/app/app_fixture.h"
#include "ui/install_dlg.h"

namespace {

namespace wnd = platform::wnd;
using app_test::InOrder;
using app_test::kConfig;
using platform::sim::SimDialog;

const std::string kLine = "[INFO] CInstallApp::InitInstance - ";
const char* const kSuffix[] = {"cn", "tw", "en"};  // per language row
const int kValue[] = {1, 2, 0};

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class InstallAppTest : public app_test::AppTest {
 protected:
  // The payload resource: a catalog and one installer text file per language, with the values
  // "T-cn", "P-cn", "D-cn", "M-cn", "Port-cn", "F-cn" (and "-tw", "-en").
  void AddPayload() {
    payload_test::RawArchive archive(4);
    for (const std::string s : kSuffix) {
      const std::string v = "T-" + s + "\r\nP-" + s + "\r\nD-" + s + "\r\nM-" + s + "\r\nPort-" + s +
                            "\r\nF-" + s + "\r\n";
      archive.Add("InstallConfig_" + s + ".txt",
                  app_test::Utf16File(app_test::SixBlocks(std::u16string(v.begin(), v.end()))));
    }
    const std::string& bytes = archive.Add("Modules.json", "[]").bytes();
    payload_size_ = bytes.size();
    machine_.resources().Add(142, L"INSTALL", std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
  // InitInstance with the language dialog answered by row `row` and OK (-1: Cancel), and the main
  // dialog by its Cancel button (wnd::kIdCancel), by ending with `main_result`, or (-1) by
  // failing to be made.
  bool Start(int row, int main_result = wnd::kIdCancel) { return StartApp(app_, row, main_result); }
  bool StartApp(CInstallApp& app, int row, int main_result) {
    machine_.windows().Script(IDD_SELECT_LANGUAGE, [=](SimDialog& d) {
      files_seen_by_language_dialog_ = machine_.files().List(kConfig);
      if (row < 0) {
        d.Click(wnd::kIdCancel);
        return;
      }
      d.ClickRow(IDC_LANGUAGE_LIST, row);
      d.Click(wnd::kIdOk);
      if (main_result == -1) machine_.faults().Fail("DialogBoxParamW", 1814, 1);
    });
    machine_.windows().Script(IDD_INSTALL, [=](SimDialog& d) {
      if (main_result == wnd::kIdCancel) {
        d.Click(IDC_INSTALL_CANCEL);
      } else {
        d.End(main_result);
      }
    });
    return app.InitInstance();
  }
  std::wstring TextFile(const char* suffix) {
    return std::wstring(kConfig) + L"\\InstallConfig_" + Wide(suffix) + L".txt";
  }
  CInstallApp app_{machine_};
  size_t payload_size_ = 0;
  std::vector<std::wstring> files_seen_by_language_dialog_;
};

TEST_F(InstallAppTest, WithoutThePayloadNothingIsShown) {
  EXPECT_FALSE(app_.InitInstance());
  EXPECT_TRUE(machine_.windows().Dialogs().empty());
  EXPECT_TRUE(machine_.windows().ControlContainerEnabled());
  const std::string log = LogText();
  EXPECT_TRUE(InOrder(log, {"[ENTRY] CInstallApp::InitInstance\r\n",
                            kLine + "Trying to load data from resource IDR_INSTALL\r\n",
                            "[ENTRY] LoadData - ResID=142, Key=INSTALL",
                            "[ERROR] LoadData - FindResource failed, ResID=142, Error=",
                            "[ERROR] CInstallApp::InitInstance - LoadDataFromFile(IDR_INSTALL) "
                            "failed, falling back to IDR_DATA\r\n"}));
  EXPECT_EQ(log.find("LoadDataFromFile success"), std::string::npos);
  EXPECT_EQ(log.find("Local AppData"), std::string::npos);
  EXPECT_FALSE(Exists(kConfig));
}

TEST_F(InstallAppTest, CancelledLanguageEndsBeforeAnyTextFile) {
  AddPayload();
  machine_.files().PutFile(std::wstring(kConfig) + L"Logo.bmp", "left by an earlier run");
  EXPECT_FALSE(Start(-1));
  // Extracted before the language dialog ran, the stale logo gone first.
  EXPECT_EQ(files_seen_by_language_dialog_,
            (std::vector<std::wstring>{L"InstallConfig_cn.txt", L"InstallConfig_en.txt",
                                       L"InstallConfig_tw.txt", L"Modules.json"}));
  for (const char* s : kSuffix) EXPECT_TRUE(Exists(TextFile(s))) << s;
  EXPECT_EQ(app_.m_nLanguage, 0);
  EXPECT_EQ(ProgramName, L"");
  EXPECT_EQ(machine_.windows().LastDialog(IDD_INSTALL), nullptr);
  const std::string log = LogText();
  EXPECT_TRUE(InOrder(log, {kLine + "LoadDataFromFile success, m_nBufLen=" +
                                std::to_string(payload_size_) + "\r\n",
                            kLine + "Local AppData path: C:\\Users\\Admin\\AppData\\Local\r\n",
                            kLine + "Language selection cancelled, exiting\r\n"}));
  EXPECT_EQ(log.find("Config file"), std::string::npos);
  EXPECT_EQ(log.find("Starting main dialog"), std::string::npos);
}

class InstallAppRowTest : public InstallAppTest, public ::testing::WithParamInterface<int> {};

TEST_P(InstallAppRowTest, FullRunReadsAndDeletesTheChosenTextFile) {
  const int row = GetParam();
  const std::string s = kSuffix[row];
  const std::string value = std::to_string(kValue[row]);
  AddPayload();
  EXPECT_FALSE(Start(row));
  EXPECT_EQ(app_.m_nLanguage, kValue[row]);
  EXPECT_EQ(AppLanguage(), kValue[row]);
  for (const char* other : kSuffix) EXPECT_EQ(Exists(TextFile(other)), other != s) << other;
  EXPECT_EQ(Title + L"|" + Monitor + L"|" + FolderName,
            Wide("T-" + s + "|M-" + s + "|F-" + s));
  auto main = machine_.windows().LastDialog(IDD_INSTALL);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->GetText(IDC_INSTALL_FOLDER), Wide("C:\\Program Files (x86)\\F-" + s));
  const std::string log = LogText();
  EXPECT_TRUE(InOrder(
      log, {kLine + "Language selected: " + value + "\r\n",
            kLine + "Config file path: C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config"
                    "\\\\InstallConfig_" + s + ".txt, Language=" + value + "\r\n",
            kLine + "Config file opened successfully\r\n",
            kLine + "Config loaded: Title=T-" + s + ", ProgramName=P-" + s + ", Driver=D-" + s,
            kLine + "Starting main dialog\r\n", "[ENTRY] CInstallDlg::OnInitDialog",
            kLine + "Dialog dismissed with Cancel\r\n",
            "[EXIT] CInstallApp::InitInstance - Exiting application\r\n"}));
  EXPECT_EQ(log.find("Dialog dismissed with OK"), std::string::npos);
  EXPECT_EQ(machine_.windows().UnscriptedRuns(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, InstallAppRowTest, ::testing::Values(0, 1, 2));

TEST_F(InstallAppTest, OtherMainDialogResultsStillEndWithTheExitLine) {
  AddPayload();
  for (int result : {wnd::kIdOk, 7, -1}) {
    const size_t before = LogText().size();
    CInstallApp app(machine_);
    EXPECT_FALSE(StartApp(app, 0, result));
    const std::string log = LogText().substr(before);
    EXPECT_EQ(log.find("Dialog dismissed with OK") != std::string::npos, result == wnd::kIdOk)
        << result;
    EXPECT_EQ(log.find("Dialog dismissed with Cancel"), std::string::npos) << result;
    EXPECT_TRUE(InOrder(log, {kLine + "Starting main dialog\r\n",
                              "[EXIT] CInstallApp::InitInstance - Exiting application\r\n"}));
  }
}

TEST_F(InstallAppTest, WithoutLocalAppDataStartUpGoesOnWithTheDefaults) {
  AddPayload();
  machine_.faults().Fail("SHGetSpecialFolderPathW", 5);
  // What an empty configuration folder would name: the root of the current drive.
  for (const wchar_t* decoy : {L"C:\\InstallConfig_cn.txt", L"C:\\Logo.bmp"}) {
    machine_.files().PutFile(decoy, app_test::Utf16File(app_test::SixBlocks(u"Decoy\r\n")));
  }
  EXPECT_FALSE(Start(0));
  EXPECT_TRUE(Exists(L"C:\\InstallConfig_cn.txt"));
  EXPECT_TRUE(Exists(L"C:\\Logo.bmp"));
  EXPECT_FALSE(Exists(kConfig));
  EXPECT_EQ(Title, L"");
  EXPECT_EQ(ProgramName, L"USB Printer");
  EXPECT_EQ(PortPrefix, L"USB PRINTER PORT:");
  const std::string log = LogText();
  EXPECT_EQ(log.find("Local AppData path:"), std::string::npos);
  EXPECT_TRUE(InOrder(log, {"[ERROR] CInstallApp::InitInstance - Failed to get Local AppData path\r\n",
                            kLine + "Language selected: 1\r\n",
                            "[WARN] CInstallApp::InitInstance - Config file not found, using "
                            "default values\r\n",
                            kLine + "Dialog dismissed with Cancel\r\n"}));
  EXPECT_EQ(log.find("Config file opened"), std::string::npos);
}

TEST_F(InstallAppTest, ExitInstanceLeavesItsLastLineOnDisk) {
  AddPayload();
  Start(2);
  EXPECT_EQ(app_.ExitInstance(), kExitCancelled) << "the main dialog was cancelled";
  // The file as it is on disk: no flush of the facility first.
  char path[260] = {};
  ASSERT_EQ(GetLogFilePath(path, sizeof(path)), 0);
  const std::string disk = File(machine_.codepage().FromAnsi(path));
  const std::string last = "[EXIT] CInstallApp::ExitInstance\r\n";
  EXPECT_TRUE(InOrder(disk, {"[EXIT] CInstallApp::InitInstance - Exiting application\r\n",
                             "[ENTRY] CInstallApp::ExitInstance - Cleaning up\r\n", last}));
  ASSERT_GE(disk.size(), last.size());
  EXPECT_EQ(disk.substr(disk.size() - last.size()), last);
}

// ---- What the elevated installer trusts --------------------------------------------------------

using tavro_test::ShippedFile;

// Any program of the user may swap the extracted files while the language dialog is open: the
// installer takes the catalog and the texts from its payload and never parses what lies there.
TEST_F(InstallAppTest, FilesSwappedAfterExtractionAreNotRead) {
  payload_test::RawArchive archive(2);
  archive.Add("InstallConfig_en.txt", app_test::Utf16File(app_test::SixBlocks(u"Payload Title\r\nP\r\nD\r\n")));
  const std::string& bytes = archive.Add("Modules.json", R"([{"MODEL":"Tavro TR-80"}])").bytes();
  machine_.resources().Add(142, L"INSTALL", std::vector<uint8_t>(bytes.begin(), bytes.end()));
  machine_.windows().Script(IDD_SELECT_LANGUAGE, [&](SimDialog& d) {
    machine_.files().PutFile(std::wstring(kConfig) + L"Modules.json",
                             R"([{"MODEL":"Planted"},{"MODEL":"Tavro TR-80"}])");
    machine_.files().PutFile(TextFile("en"), app_test::Utf16File(app_test::SixBlocks(
                                                 u"Planted Title\r\nP\r\nD\r\nM\r\nPort\r\nPlanted Folder\r\n")));
    d.ClickRow(IDC_LANGUAGE_LIST, 2);
    d.Click(wnd::kIdOk);
  });
  std::vector<std::wstring> models;
  std::wstring caption;
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    models = d.ComboItems(IDC_MODEL_COMBO);
    caption = d.GetCaption();
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_FALSE(app_.InitInstance());
  EXPECT_EQ(models, (std::vector<std::wstring>{L"Please select model", L"Tavro TR-80"}));
  EXPECT_EQ(caption, L"Payload Title");
  EXPECT_EQ(FolderName, L"");
  // The swapped text file is not read, but the file at that place still goes, as after a read.
  EXPECT_FALSE(Exists(TextFile("en")));
  EXPECT_EQ(LogText().find("Planted"), std::string::npos);
}

class InstallRefusalTest : public InstallAppTest, public ::testing::WithParamInterface<int> {};

// A folder name that would leave Program Files is refused at Install, in the user's language,
// before anything is named, loaded or started.
TEST_P(InstallRefusalTest, AnUnsafeFolderNameIsRefusedAtInstall) {
  payload_test::RawArchive archive(3);
  for (const char* name : {"Modules.json", "PaperSize.json"}) archive.Add(name, ShippedFile(name));
  const std::string& bytes = archive.Add("DefaultPaper.json", ShippedFile("DefaultPaper.json")).bytes();
  machine_.resources().Add(142, L"INSTALL", std::vector<uint8_t>(bytes.begin(), bytes.end()));
  auto ids = machine_.devices().AddUsbPrinter(L"TavroTR-80", L"USB001", 0x28e9, 0x0289);
  machine_.spooler().AddUsbPort(L"USB001", ids.printer);
  machine_.windows().Script(IDD_SELECT_LANGUAGE, [&](SimDialog& d) {
    d.ClickRow(IDC_LANGUAGE_LIST, GetParam());
    d.Click(wnd::kIdOk);
  });
  bool install_enabled_after = false;
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    ASSERT_GT(d.ComboGetCurSel(IDC_MODEL_COMBO), 0) << "the plugged-in TR-80 is chosen";
    FolderName = L"..\\..\\Windows";  // what a text file may not bring any more
    d.Click(wnd::kIdOk);
    install_enabled_after = d.IsControlEnabled(wnd::kIdOk);
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_FALSE(app_.InitInstance());
  EXPECT_TRUE(install_enabled_after);
  const auto boxes = machine_.windows().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  const wchar_t* const captions[] = {L"打印机驱动安装", L"打印機驅動安裝", L"Printer Driver Installation"};
  const wchar_t* const starts[] = {L"名称“..\\..\\Windows”", L"名稱「..\\..\\Windows」", L"The name \"..\\..\\Windows\""};
  EXPECT_EQ(boxes[0].caption, captions[GetParam()]);
  EXPECT_EQ(boxes[0].text.rfind(starts[GetParam()], 0), 0u) << ::testing::PrintToString(boxes[0].text);
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconError);
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] CInstallDlg::OnOK - FolderName ..\\..\\Windows refused: the name holds a \\ or /\r\n"),
            std::string::npos)
      << log;
  // Nothing named, no papers loaded, no worker, no printer.
  EXPECT_EQ(log.find("ParsePaperConfig"), std::string::npos);
  EXPECT_EQ(log.find("RetractFileThread"), std::string::npos);
  std::vector<std::wstring> printers;
  uint32_t needed = 0;
  EXPECT_TRUE(machine_.spooler().EnumPrinters(6, &printers, &needed));
  EXPECT_TRUE(printers.empty());
}

INSTANTIATE_TEST_SUITE_P(EachLanguage, InstallRefusalTest, ::testing::Values(0, 1, 2));

}  // namespace
