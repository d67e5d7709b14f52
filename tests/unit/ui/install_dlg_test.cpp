// The main dialog's start (template 143) and its hidden wizard panel with the install folder.
#include "ui/install_dlg.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/unit/app/app_fixture.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;

class InstallDlgTest : public app_test::AppTest {};

TEST_F(InstallDlgTest, InitialisationHidesTheWizardAndCancelEnds) {
  CInstallDlg dlg(machine_);
  bool open_after_install = false;
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    open_after_install = !d.Ended();
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), wnd::kIdCancel);
  EXPECT_TRUE(open_after_install);
  auto d = machine_.windows().LastDialog(IDD_INSTALL);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Icon(), IDI_INSTALL);
  EXPECT_FALSE(d->IsControlVisible(IDC_WIZARD_PANEL));
  EXPECT_EQ(d->ParentPanel(IDC_INSTALL_FOLDER), IDC_WIZARD_PANEL);
  EXPECT_EQ(d->GetText(IDC_INSTALL_FOLDER), L"C:\\Program Files (x86)\\USB Printer");
  EXPECT_EQ(d->ProgressHigh(IDC_PROGRESS), 100);
  EXPECT_EQ(d->ProgressPositions(IDC_PROGRESS), std::vector<int>{0});
  EXPECT_EQ(dlg.m_wizard.Page(), 2);
  // The folder stays readable once the dialog is gone.
  EXPECT_EQ(dlg.m_wizard.InstallFolder(), L"C:\\Program Files (x86)\\USB Printer");
}

TEST_F(InstallDlgTest, FolderFieldsLastTextOutlivesTheDialog) {
  CInstallDlg dlg(machine_);
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    d.SetText(IDC_INSTALL_FOLDER, L"D:\\Labels");
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), wnd::kIdCancel);
  EXPECT_EQ(dlg.m_wizard.InstallFolder(), L"D:\\Labels");
}

TEST_F(InstallDlgTest, ExtractionMovesTheProgressBarOnlyWhileItExists) {
  machine_.files().MakeFolders(L"C:\\Out");
  std::vector<uint8_t> stream;
  {
    const std::string bytes = payload_test::Deflate(std::string(1000, 'p'));
    stream.assign(bytes.begin(), bytes.end());
  }
  CInstallDlg dlg(machine_);
  std::vector<int> open_positions;
  std::vector<int> gone_positions;
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    int32_t counter = 0;
    EXPECT_EQ(0, dlg.InflateEntryToFile(stream.data(), static_cast<int32_t>(stream.size()),
                                        "C:\\Out\\a.txt", &counter, 4000));
    open_positions = d.ProgressPositions(IDC_PROGRESS);
    // The window is gone before the dialog hears of it (a worker racing the close): the report
    // must not reach the bar.
    d.End(wnd::kIdCancel);
    d.Destroy();
    EXPECT_EQ(0, dlg.InflateEntryToFile(stream.data(), static_cast<int32_t>(stream.size()),
                                        "C:\\Out\\b.txt", &counter, 4000));
    gone_positions = d.ProgressPositions(IDC_PROGRESS);
  });
  EXPECT_EQ(dlg.DoModal(), wnd::kIdCancel);
  // The position OnInitDialog sets, then 1000 of 4000 bytes.
  EXPECT_EQ(open_positions, (std::vector<int>{0, 25}));
  EXPECT_EQ(gone_positions, open_positions);
  // Once the modal run is over nothing is reported, and the entry is still written.
  int32_t counter = 0;
  EXPECT_EQ(0, dlg.InflateEntryToFile(stream.data(), static_cast<int32_t>(stream.size()),
                                      "C:\\Out\\c.txt", &counter, 4000));
  EXPECT_EQ(File(L"C:\\Out\\c.txt"), std::string(1000, 'p'));
  EXPECT_EQ(machine_.windows().LastDialog(IDD_INSTALL)->ProgressPositions(IDC_PROGRESS),
            open_positions);
}

// Past the bar's end every figure shows the same full bar: only the first of them is sent.
TEST_F(InstallDlgTest, FiguresThatLeaveTheBarWhereItIsAreNotSent) {
  machine_.files().MakeFolders(L"C:\\Out");
  const std::string bytes = payload_test::Deflate(std::string(4 * 16384, 'p'));
  const std::vector<uint8_t> stream(bytes.begin(), bytes.end());
  CInstallDlg dlg(machine_);
  std::vector<int> positions;
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    int32_t counter = 0;
    EXPECT_EQ(0, dlg.InflateEntryToFile(stream.data(), static_cast<int32_t>(stream.size()),
                                        "C:\\Out\\a.txt", &counter, 1000));
    EXPECT_EQ(counter, 4 * 16384);
    positions = d.ProgressPositions(IDC_PROGRESS);
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_EQ(dlg.DoModal(), wnd::kIdCancel);
  // The position OnInitDialog sets, then the first window's figure; the three after it show the
  // same full bar.
  EXPECT_EQ(positions, (std::vector<int>{0, 1638}));
}

TEST_F(InstallDlgTest, WizardFolderPagesAndCurrentFile) {
  const platform::sim::SimTemplate* tmpl = machine_.windows().FindTemplate(IDD_INSTALL);
  ASSERT_NE(tmpl, nullptr);
  // Like the framework's controls object, the owner lives only as long as its modal run.
  auto owner = std::make_unique<SimDialog>(*tmpl, nullptr, nullptr);
  CWizardWnd wizard;
  EXPECT_EQ(wizard.CurrentFile(), L"\u8bf7\u7a0d\u5019...");
  EXPECT_EQ(wizard.InstallFolder(), L"");
  FolderName = L"Tavro Labels";
  const int simplified = kLanguageSimplified;
  SetAppLanguageSource(&simplified);
  ASSERT_EQ(wizard.Create(machine_, *owner), 1);
  SetAppLanguageSource(nullptr);
  EXPECT_EQ(wizard.m_nChinese, 1);
  EXPECT_EQ(wizard.InstallFolder(), L"C:\\Program Files (x86)\\Tavro Labels");

  wizard.SetPage(0);
  EXPECT_FALSE(owner->IsControlVisible(IDC_INSTALL_FOLDER));
  wizard.SetPage(3);
  EXPECT_TRUE(owner->IsControlVisible(IDC_INSTALL_FOLDER));
  wizard.SetCurrentFile(L"Modules.json");
  EXPECT_EQ(wizard.CurrentFile(), L"Modules.json");
  EXPECT_EQ(owner->RedrawCount(IDC_WIZARD_PANEL), 3);

  // A second panel with the same id cannot be made; English for any other language.
  CWizardWnd second;
  EXPECT_EQ(second.Create(machine_, *owner), 0);
  SimDialog other(*tmpl, nullptr, nullptr);
  ASSERT_EQ(second.Create(machine_, other), 1);
  EXPECT_EQ(second.m_nChinese, 0);

  // Once the run is over the owner is gone: detaching must not reach it, and the folder stays.
  owner->TypeText(IDC_INSTALL_FOLDER, L"D:\\Labels");
  EXPECT_EQ(wizard.InstallFolder(), L"D:\\Labels");
  owner.reset();
  wizard.Detach();
  EXPECT_EQ(wizard.InstallFolder(), L"D:\\Labels");
  wizard.SetPage(1);
  wizard.SetCurrentFile(L"after");
  EXPECT_EQ(wizard.Page(), 1);
}

}  // namespace
