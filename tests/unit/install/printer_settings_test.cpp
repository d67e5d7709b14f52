// The settings the driver reads after a successful installation, and the outcome message.
#include "install/printer_settings.h"

#include <gtest/gtest.h>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/text_fit.h"
#include "tests/unit/install/install_fixture.h"
#include "text/fixed_field.h"

namespace {

using install_test::DwordBytes;
using install_test::InstallTest;
using install_test::SzBytes;

const std::wstring kDsDriver = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\R710\\DsDriver";
const std::wstring kDriverData = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\R710\\PrinterDriverData";

class SettingsTest : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    ArrangeModel();
    ArrangeTarget(L"R710", L"USB001");
  }
  void Paper(int slot, const std::wstring& name) {
    CopyToFieldAtBoundary(PaperTable[slot].name, kPaperNameChars, name);
    PaperTable[slot].width = 800;
  }
  ModelRecord& Model() { return PrinterInfo[0]; }
  uint32_t Dword(const std::wstring& name) {
    platform::RegValue v = Value(kDriverData, name);
    EXPECT_EQ(v.type, 4u) << testing::PrintToString(name);
    return v.AsDword();
  }
  std::vector<std::wstring> DriverDataNames() {
    std::vector<std::wstring> names;
    sim_.registry().EnumValues(platform::Hive::kLocalMachine, kDriverData, platform::RegView::kDefault, &names);
    return names;
  }
};

TEST_F(SettingsTest, EveryValueIsWrittenInOrderWithItsLine) {
  Model().IsSupperMultiColor = 1;
  Model().IsOpenMultiColor = 0;
  Model().Direction = 1;
  Model().PrintMode = 3;
  Model().Media = 2;
  Model().IsSupportsDistanceMeasurement = 1;
  CopyToFieldAtBoundary(Model().OffsetX, kModelShortChars, L"3");
  CopyToFieldAtBoundary(Model().OffsetY, kModelShortChars, L"4");
  CopyToFieldAtBoundary(Model().DefaultVerticalFeed, kModelShortChars, L"2");
  Paper(0, L"A");
  Paper(1, L"B");
  WritePrinterSettings(machine_);
  EXPECT_EQ(DriverDataNames(),
            (std::vector<std::wstring>{L"IsSupperMultiColor", L"IsOpenMultiColor", L"Direction", L"DefaultPaperCount",
                                       L"OffsetX", L"OffsetY", L"DefaultVerticalFeed", L"Resolution", L"PrintMode",
                                       L"Media", L"IsSupportsDistanceMeasurement", L"CommandType"}));
  EXPECT_EQ(Dword(L"IsSupperMultiColor"), 1u);
  EXPECT_EQ(Dword(L"Direction"), 1u);
  EXPECT_EQ(Dword(L"DefaultPaperCount"), 2u);
  EXPECT_EQ(Value(kDriverData, L"OffsetX").type, 1u);
  EXPECT_EQ(Value(kDriverData, L"OffsetX").data, SzBytes(L"3"));
  EXPECT_EQ(Value(kDriverData, L"DefaultVerticalFeed").data, SzBytes(L"2"));
  EXPECT_EQ(Dword(L"PrintMode"), 3u);
  EXPECT_EQ(Dword(L"Media"), 2u);
  EXPECT_EQ(Dword(L"IsSupportsDistanceMeasurement"), 1u);
  EXPECT_EQ(Dword(L"CommandType"), 0u);  // TSPL
  EXPECT_TRUE(LogInOrder({"[InstallDlg.cpp:CInstallDlg::OnInstallFinished:",
                          "[INFO] OnInstallFinished - Writing printMediaReady to registry: " +
                              sim_.codepage().ToAnsi(kDsDriver) + "\n",
                          "[INFO] OnInstallFinished - Successfully wrote printMediaReady (2 papers) to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote IsSupperMultiColor=1 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote IsOpenMultiColor=0 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote direction=1 to registry\n",
                          "[INFO] OnInstallFinished - DefaultPaperCount=2\n",
                          "[INFO] OnInstallFinished - Successfully wrote DefaultPaperCount=2 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote OffsetX=3 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote OffsetY=4 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote DefaultVerticalFeed=2 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote dwResolutionIndex=0 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote printMode=3 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote nMedia=2 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote IsSupportsDistanceMeasurement=1 to registry\n",
                          "[INFO] OnInstallFinished - Successfully wrote CommandType=0 to registry\n"}));
  EXPECT_EQ(LogText().find("ESC paper"), std::string::npos);
}

class ResolutionTest : public SettingsTest, public ::testing::WithParamInterface<std::pair<int, uint32_t>> {};

TEST_P(ResolutionTest, DpiGivesTheResolutionIndex) {
  Model().DPI = GetParam().first;
  WritePrinterSettings(machine_);
  EXPECT_EQ(Dword(L"Resolution"), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Dpi, ResolutionTest,
                         ::testing::Values(std::make_pair(203, 0u), std::make_pair(300, 1u), std::make_pair(600, 2u),
                                           std::make_pair(0, 0u), std::make_pair(1200, 0u)));

TEST(CommandTypeOf, ExactCaseSensitiveNames) {
  EXPECT_EQ(CommandType(L"ESC"), 2u);
  EXPECT_EQ(CommandType(L"CPCL"), 1u);
  EXPECT_EQ(CommandType(L"esc"), 0u);
  EXPECT_EQ(CommandType(L"ESC "), 0u);
  EXPECT_EQ(CommandType(L"TSPL"), 0u);
  EXPECT_EQ(CommandType(L""), 0u);
}

TEST_F(SettingsTest, LowerCaseEscIsNoEscModel) {
  CopyToFieldAtBoundary(Model().DefaultCommand, kModelShortChars, L"esc");
  WritePrinterSettings(machine_);
  EXPECT_EQ(Dword(L"CommandType"), 0u);
  EXPECT_FALSE(HasValue(kDriverData, L"DefaultPaperName"));
  EXPECT_FALSE(HasValue(kDriverData, L"DefaultPaperWidth"));
}

TEST_F(SettingsTest, CpclModelGetsCommandType1AndNoEscValues) {
  CopyToFieldAtBoundary(Model().DefaultCommand, kModelShortChars, L"CPCL");
  WritePrinterSettings(machine_);
  EXPECT_EQ(Dword(L"CommandType"), 1u);
  EXPECT_FALSE(HasValue(kDriverData, L"DefaultPaperName"));
}

TEST_F(SettingsTest, EscModelOf640DotsGets80MillimetrePaper) {
  CopyToFieldAtBoundary(Model().DefaultCommand, kModelShortChars, L"ESC");
  Model().PrinterWidth = 640;
  WritePrinterSettings(machine_);
  EXPECT_EQ(Dword(L"CommandType"), 2u);
  EXPECT_EQ(Value(kDriverData, L"DefaultPaperName").data, SzBytes(L"Custom(80mm x 1000mm)"));
  EXPECT_EQ(Dword(L"DefaultPaperSize"), 256u);
  EXPECT_EQ(Dword(L"DefaultPaperWidth"), 800u);
  EXPECT_EQ(Dword(L"DefaultPaperLength"), 10000u);
  EXPECT_FALSE(HasValue(kDriverData, L"MediaHandlingMode"));
  EXPECT_TRUE(LogInOrder({"[INFO] OnInstallFinished - Successfully wrote CommandType=2 to registry\n",
                          "[INFO] OnInstallFinished - ESC paper selection, PrintWidth=640\n",
                          "[INFO] OnInstallFinished - ESC paper set: Custom(80mm x 1000mm) (W=800 L=10000)\n"}));
}

TEST_F(SettingsTest, EscModelOf576DotsGets58MillimetrePaperAndItsCutter) {
  CopyToFieldAtBoundary(Model().DefaultCommand, kModelShortChars, L"ESC");
  Model().PrinterWidth = 576;
  Model().Cutter = 1;
  WritePrinterSettings(machine_);
  EXPECT_EQ(Value(kDriverData, L"DefaultPaperName").data, SzBytes(L"Custom(58mm x 1000mm)"));
  EXPECT_EQ(Dword(L"DefaultPaperWidth"), 580u);
  EXPECT_EQ(Dword(L"DefaultPaperLength"), 10000u);
  EXPECT_EQ(Dword(L"MediaHandlingMode"), 2u);
  EXPECT_TRUE(LogInOrder({"[INFO] OnInstallFinished - ESC paper set: Custom(58mm x 1000mm) (W=580 L=10000)\n",
                          "[INFO] OnInstallFinished - Successfully wrote MediaHandlingMode=2 to registry\n"}));
}

// Slot 2 is empty: the count stops there, the list skips it.
TEST_F(SettingsTest, APaperGapEndsTheCountButNotTheList) {
  Paper(0, L"First");
  Paper(1, L"Second");
  Paper(3, L"Fourth");
  WritePrinterSettings(machine_);
  EXPECT_EQ(Dword(L"DefaultPaperCount"), 2u);
  platform::RegValue media = Value(kDsDriver, L"printMediaReady");
  EXPECT_EQ(media.type, 7u);
  std::vector<uint8_t> expected;
  for (const wchar_t* name : {L"First", L"Second", L"Fourth"}) {
    std::vector<uint8_t> one = SzBytes(name);
    expected.insert(expected.end(), one.begin(), one.end());
  }
  expected.push_back(0);
  expected.push_back(0);
  EXPECT_EQ(media.data, expected);
  EXPECT_TRUE(LogInOrder({"Successfully wrote printMediaReady (3 papers) to registry\n"}));
}

TEST_F(SettingsTest, AnEmptyPaperTableGivesAnEmptyList) {
  WritePrinterSettings(machine_);
  EXPECT_EQ(Value(kDsDriver, L"printMediaReady").data, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(Dword(L"DefaultPaperCount"), 0u);
}

// 256 names of 63 characters need 16,640 units; the 16,384-unit buffer takes 255 of them.
TEST_F(SettingsTest, AFullMediaBufferStopsWithAWarning) {
  for (int slot = 0; slot < kPaperTableCount; ++slot) {
    std::wstring name = L"P" + std::to_wstring(slot);
    Paper(slot, name + std::wstring(63 - name.size(), L'x'));
  }
  WritePrinterSettings(machine_);
  EXPECT_EQ(Value(kDsDriver, L"printMediaReady").data.size(), 2u * (255 * 64) + 2);
  EXPECT_EQ(Dword(L"DefaultPaperCount"), 256u);
  EXPECT_TRUE(LogInOrder({"[WARN] OnInstallFinished - printMediaReady buffer full at paper 255\n",
                          "Successfully wrote printMediaReady (255 papers) to registry\n"}));
}

TEST_F(SettingsTest, EmptyTextsAreNotWrittenAndEarlierValuesStay) {
  sim_.registry().SetValue(platform::Hive::kLocalMachine, kDriverData, L"OffsetX", platform::RegView::kDefault,
                           platform::RegValue::Sz(L"7"));
  CopyToFieldAtBoundary(Model().OffsetY, kModelShortChars, L"1");
  WritePrinterSettings(machine_);
  EXPECT_EQ(Value(kDriverData, L"OffsetX").data, SzBytes(L"7"));
  EXPECT_EQ(Value(kDriverData, L"OffsetY").data, SzBytes(L"1"));
  EXPECT_FALSE(HasValue(kDriverData, L"DefaultVerticalFeed"));
  EXPECT_EQ(LogText().find("wrote OffsetX"), std::string::npos);
}

TEST_F(SettingsTest, UnopenableKeysAreLoggedAndNothingIsWritten) {
  sim_.faults().Fail("RegCreateKeyExW", 5);
  WritePrinterSettings(machine_);
  EXPECT_FALSE(HasValue(kDsDriver, L"printMediaReady"));
  EXPECT_FALSE(HasValue(kDriverData, L"CommandType"));
  EXPECT_TRUE(LogInOrder({"[ERROR] OnInstallFinished - Failed to open/create registry key, Error=5\n",
                          "[ERROR] OnInstallFinished - Failed to open/create PrinterDriverData registry key, Error=5\n"}));
}

TEST_F(SettingsTest, AFailedDsDriverKeyStillLeavesTheDriverData) {
  sim_.faults().Fail("RegCreateKeyExW", 5, 1);
  WritePrinterSettings(machine_);
  EXPECT_FALSE(HasValue(kDsDriver, L"printMediaReady"));
  EXPECT_TRUE(HasValue(kDriverData, L"CommandType"));
}

// The first two value writes fail (printMediaReady, IsSupperMultiColor); the rest go on.
TEST_F(SettingsTest, AFailedValueIsLoggedAndTheNextIsWritten) {
  sim_.faults().Fail("RegSetValueExW", 1009, 2);
  WritePrinterSettings(machine_);
  EXPECT_FALSE(HasValue(kDsDriver, L"printMediaReady"));
  EXPECT_FALSE(HasValue(kDriverData, L"IsSupperMultiColor"));
  EXPECT_TRUE(HasValue(kDriverData, L"IsOpenMultiColor"));
  EXPECT_TRUE(HasValue(kDriverData, L"CommandType"));
  EXPECT_TRUE(LogInOrder({"[ERROR] OnInstallFinished - Failed to write printMediaReady, Error=1009\n",
                          "[ERROR] OnInstallFinished  - Failed to write IsSupperMultiColor, Error=1009\n",
                          "[INFO] OnInstallFinished - Successfully wrote IsOpenMultiColor=0 to registry\n"}));
}

TEST_F(SettingsTest, EveryFailedValueHasItsLine) {
  CopyToFieldAtBoundary(Model().DefaultCommand, kModelShortChars, L"ESC");
  CopyToFieldAtBoundary(Model().OffsetX, kModelShortChars, L"1");
  Model().Cutter = 1;
  sim_.faults().Fail("RegSetValueExW", 5);
  WritePrinterSettings(machine_);
  EXPECT_TRUE(LogInOrder({"Failed to write IsOpenMultiColor, Error=5\n", "Failed to write direction, Error=5\n",
                          "Failed to write DefaultPaperCount, Error=5\n", "Failed to write OffsetX, Error=5\n",
                          "Failed to write dwResolutionIndex, Error=5\n", "Failed to write printMode, Error=5\n",
                          "Failed to write nMedia, Error=5\n", "Failed to write IsSupportsDistanceMeasurement, Error=5\n",
                          "Failed to write CommandType, Error=5\n", "Failed to write DefaultPaperName, Error=5\n",
                          "Failed to write DefaultPaperLength, Error=5\n", "Failed to write MediaHandlingMode, Error=5\n"}));
}

class OutcomeTest : public InstallTest {};

TEST_F(OutcomeTest, SuccessTextsByLanguage) {
  InstallOutcome en = InstallOutcomeText(kLanguageEnglish, true, 0, L"");
  EXPECT_EQ(en.caption, L"Printer driver installation");
  EXPECT_EQ(en.text, L"Installation complete.");
  EXPECT_FALSE(en.error);
  InstallOutcome cn = InstallOutcomeText(kLanguageSimplified, true, 0, L"");
  EXPECT_EQ(cn.caption, L"\u6253\u5370\u673a\u9a71\u52a8\u5b89\u88c5");
  EXPECT_EQ(cn.text, L"\u5b89\u88c5\u5b8c\u6210\u3002");
  InstallOutcome tw = InstallOutcomeText(kLanguageTraditional, true, 0, L"");
  EXPECT_EQ(tw.caption, L"\u6253\u5370\u6a5f\u9a45\u52d5\u5b89\u88dd");
  EXPECT_EQ(tw.text, L"\u5b89\u88dd\u5b8c\u6210\u3002");
  EXPECT_EQ(InstallOutcomeText(7, true, 0, L"").text, L"Installation complete.");
}

TEST_F(OutcomeTest, FailureWithAndWithoutAReason) {
  InstallOutcome with = InstallOutcomeText(kLanguageEnglish, false, 5, L"Access is denied.");
  EXPECT_TRUE(with.error);
  EXPECT_EQ(with.text, L"Installation failed.\r\nFailure reason:Access is denied.\r\n(Error=5)");
  EXPECT_EQ(InstallOutcomeText(kLanguageEnglish, false, 4294967295u, L"").text,
            L"Installation failed.\r\n(Error=4294967295)");
  EXPECT_EQ(InstallOutcomeText(kLanguageSimplified, false, 5, L"R").text,
            L"\u5b89\u88c5\u5931\u8d25\u3002\r\n\u5931\u8d25\u539f\u56e0\uff1aR\r\n(\u9519\u8bef\u7801=5)");
  EXPECT_EQ(InstallOutcomeText(kLanguageSimplified, false, 5, L"").text,
            L"\u5b89\u88c5\u5931\u8d25\u3002\r\n(\u9519\u8bef\u7801=5)");
  EXPECT_EQ(InstallOutcomeText(kLanguageTraditional, false, 31, L"R").text,
            L"\u5b89\u88dd\u5931\u6557\u3002\r\n\u5931\u6557\u539f\u56e0\uff1aR\r\n(\u932f\u8aa4\u78bc=31)");
  EXPECT_EQ(InstallOutcomeText(kLanguageTraditional, false, 31, L"").text,
            L"\u5b89\u88dd\u5931\u6557\u3002\r\n(\u932f\u8aa4\u78bc=31)");
}

TEST_F(OutcomeTest, TheSystemTextLosesItsTrailingLineBreaks) {
  std::wstring raw;
  ASSERT_TRUE(sim_.system().ErrorMessageText(5, &raw));
  std::wstring text = SystemErrorText(machine_, 5);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  EXPECT_EQ(raw.compare(0, text.size(), text), 0);
  EXPECT_EQ(InstallOutcomeText(kLanguageEnglish, false, 5, text).text,
            L"Installation failed.\r\nFailure reason:" + text + L"\r\n(Error=5)");
}

TEST_F(OutcomeTest, NoCodeOrNoTextGivesNoReason) {
  EXPECT_EQ(SystemErrorText(machine_, 0), L"");
  sim_.faults().Fail("FormatMessageW", 317);
  EXPECT_EQ(SystemErrorText(machine_, 5), L"");
}

}  // namespace
