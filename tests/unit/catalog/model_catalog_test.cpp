#include "catalog/model_catalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog_test_support.h"

namespace {

using catalog_test::Find;

const wchar_t kCatalogPath[] = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\\\TavroPrint\\Config\\Modules.json";

// The catalog tests run once with the Western and once with the Simplified Chinese code page.
class ModelCatalogTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    env_.SetAnsiCodePage(GetParam());
  }

  // The caller's list, as the main dialog keeps it: "please select" first, then each model taken.
  void Load(const std::string& json) {
    env_.PutFile(kCatalogPath, json);
    LoadInto(kCatalogPath);
  }
  void LoadInto(const std::wstring& path) {
    LoadModelCatalog(env_.machine(), path, [this](const std::wstring& model) {
      list_.push_back(model);
      return true;
    });
  }
  std::vector<std::wstring> Combo() { return list_; }
  std::string Log() { return env_.LogText(); }

  catalog_test::CatalogFixtureBase env_;
  std::vector<std::wstring> list_{L"please select"};
};

INSTANTIATE_TEST_SUITE_P(CodePages, ModelCatalogTest, ::testing::Values(1252u, 936u));

const char kTwoModels[] = R"([
  {"MODEL": "TP-80", "USB": {"vid": "1fc9", "pid": "2016"}, "DPI": 203,
   "Command": ["TSPL", "CPCL", "ESC", "ZPL"], "Cutter": true, "DefaultCommand": "TSPL",
   "PrinterWidth": 576, "HardwareID": "USB\\VID_1FC9", "Direction": 1,
   "IsSupperMultiColor": false, "IsOpenMultiColor": 0, "IsSupportsDistanceMeasurement": true,
   "OffsetX": "3", "OffsetY": "2", "DefaultVerticalFeed": "0", "Paper": "PaperSize.json",
   "RecognizeName": "TP80", "PrintMode": 2, "Media": 1},
  {"MODEL": "TP-58", "DPI": 180}
])";

TEST_P(ModelCatalogTest, FillsRecordsAndComboInFileOrder) {
  Load(kTwoModels);
  EXPECT_EQ(Combo(), (std::vector<std::wstring>{L"please select", L"TP-80", L"TP-58"}));
  const ModelRecord& r = PrinterInfo[0];
  EXPECT_EQ(std::wstring(r.MODEL), L"TP-80");
  EXPECT_EQ(std::wstring(r.VidAndPid), L"VID_1fc9&PID_2016");  // digits kept as written
  EXPECT_EQ(r.DPI, 203);
  EXPECT_EQ(std::wstring(r.Command), L"TSPL,CPCL,ESC,ZPL");
  EXPECT_EQ(r.Cutter, 1);
  EXPECT_EQ(std::wstring(r.DefaultCommand), L"TSPL");
  EXPECT_EQ(r.PrinterWidth, 576);
  EXPECT_EQ(std::wstring(r.HardwareID), L"USB\\VID_1FC9");
  EXPECT_EQ(r.Direction, 1);
  EXPECT_EQ(r.IsSupperMultiColor, 0);
  EXPECT_EQ(r.IsSupportsDistanceMeasurement, 1);
  EXPECT_EQ(std::wstring(r.OffsetX), L"3");
  EXPECT_EQ(std::wstring(r.OffsetY), L"2");
  EXPECT_EQ(std::wstring(r.DefaultVerticalFeed), L"0");
  EXPECT_EQ(std::wstring(r.Paper), L"PaperSize.json");
  EXPECT_EQ(std::wstring(r.RecognizeName), L"TP80");
  EXPECT_EQ(r.PrintMode, 2);
  EXPECT_EQ(r.Media, 1);
  // The second model: only what it names, and the default paper file.
  const ModelRecord& s = PrinterInfo[1];
  EXPECT_EQ(std::wstring(s.MODEL), L"TP-58");
  EXPECT_EQ(s.DPI, 180);
  EXPECT_EQ(std::wstring(s.Paper), L"DefaultPaper.json");
  EXPECT_EQ(std::wstring(s.VidAndPid), L"");
  EXPECT_EQ(s.Cutter, 0);
  EXPECT_EQ(PrinterInfo[2].MODEL[0], L'\0');
  EXPECT_EQ(CountCatalogModels(), 2);
}

TEST_P(ModelCatalogTest, LogLinesComeOutInKeyOrderAsWritten) {
  Load(kTwoModels);
  std::string log = Log();
  // Untagged lines, two without a line feed of their own.
  const std::vector<std::string> lines = {
      "Module Name: name=TP-80", "Module USB: vid=1fc9, pid=2016\n", "Module DPI: 203\n",
      "Paper config: PaperSize.json\n", "HardwareID config: USB\\VID_1FC9\n",
      "DefaultCommand config: TSPL\n", "Direction config: 1\n",
      "IsSupperMultiColor config: 0\n", "IsOpenMultiColor config: 0\n",
      "IsSupportsDistanceMeasurement config: 1\n", "OffsetX config: 0\n",
      "OffsetY config: 0\n", "DefaultVerticalFeed config: 0\n", "RecognizeName: name=TP80",
      "PrintMode config: 2\n", "media config: 1\n", "printerWidth config: 576\n",
      "Cutter config: 1\n", "Module Name: name=TP-58", "Module DPI: 180\n"};
  size_t at = 0;
  for (const std::string& line : lines) {
    size_t found = Find(log, line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
    at = found + line.size();
  }
  EXPECT_EQ(Find(log, "Module Name: name=TP-80\n"), std::string::npos);
  EXPECT_EQ(Find(log, "[INFO]"), std::string::npos);
  // No paper line for the model that lacks "Paper".
  EXPECT_EQ(Find(log, "Paper config: DefaultPaper.json"), std::string::npos);
}

TEST_P(ModelCatalogTest, CommandJoinsByArrayPosition) {
  Load(R"([{"MODEL":"A","Command":["TSPL","CPCL","ESC"]},
           {"MODEL":"B","Command":[]},
           {"MODEL":"C","Command":[7,"ESC"]},
           {"MODEL":"D","Command":["TSPL",null,"ZPL"]},
           {"MODEL":"E","Command":"TSPL"}])");
  EXPECT_EQ(std::wstring(PrinterInfo[0].Command), L"TSPL,CPCL,ESC");
  EXPECT_EQ(std::wstring(PrinterInfo[1].Command), L"");
  EXPECT_EQ(std::wstring(PrinterInfo[2].Command), L",ESC");
  EXPECT_EQ(std::wstring(PrinterInfo[3].Command), L"TSPL,ZPL");
  EXPECT_EQ(std::wstring(PrinterInfo[4].Command), L"");  // not an array: missing
}

TEST_P(ModelCatalogTest, KeysAreFoundInAnyLetterCase) {
  Load(R"([{"model":"Lower","usb":{"Vid":"ABCD","pId":"ef01"},"dpi":300,"cutter":true,
            "paper":"x.json","recognizename":"LW","offsetx":"5"}])");
  ASSERT_EQ(Combo().size(), 2u);
  EXPECT_EQ(std::wstring(PrinterInfo[0].MODEL), L"Lower");
  EXPECT_EQ(std::wstring(PrinterInfo[0].VidAndPid), L"VID_ABCD&PID_ef01");
  EXPECT_EQ(PrinterInfo[0].DPI, 300);
  EXPECT_EQ(PrinterInfo[0].Cutter, 1);
  EXPECT_EQ(std::wstring(PrinterInfo[0].Paper), L"x.json");
  EXPECT_EQ(std::wstring(PrinterInfo[0].RecognizeName), L"LW");
  EXPECT_EQ(std::wstring(PrinterInfo[0].OffsetX), L"5");
}

TEST_P(ModelCatalogTest, IncompleteUsbAndNonStringTextKeysCountAsMissing) {
  Load(R"([{"MODEL":"A","USB":{"vid":"1234"},"Paper":5,"HardwareID":7,"DefaultCommand":[],
            "OffsetX":3,"OffsetY":null,"DefaultVerticalFeed":{},"RecognizeName":true,
            "DPI":"300","PrinterWidth":true},
           {"MODEL":"B","USB":"VID_1234&PID_5678"}])");
  const ModelRecord& r = PrinterInfo[0];
  EXPECT_EQ(std::wstring(r.VidAndPid), L"");
  EXPECT_EQ(std::wstring(r.Paper), L"DefaultPaper.json");
  EXPECT_EQ(std::wstring(r.HardwareID), L"");
  EXPECT_EQ(std::wstring(r.DefaultCommand), L"");
  EXPECT_EQ(std::wstring(r.OffsetX), L"");
  EXPECT_EQ(std::wstring(r.OffsetY), L"");
  EXPECT_EQ(std::wstring(r.DefaultVerticalFeed), L"");
  EXPECT_EQ(std::wstring(r.RecognizeName), L"");
  // Number keys take the item's integer value whatever its type.
  EXPECT_EQ(r.DPI, 0);
  EXPECT_EQ(r.PrinterWidth, 1);
  EXPECT_EQ(std::wstring(PrinterInfo[1].VidAndPid), L"");
  std::string log = Log();
  EXPECT_EQ(Find(log, "Module USB:"), std::string::npos);
  EXPECT_EQ(Find(log, "Paper config:"), std::string::npos);
  EXPECT_EQ(Find(log, "HardwareID config:"), std::string::npos);
  EXPECT_EQ(Find(log, "OffsetX config:"), std::string::npos);
  EXPECT_NE(Find(log, "Module DPI: 0\n"), std::string::npos);
}

TEST_P(ModelCatalogTest, OverlongValuesAreCutToTheirFields) {
  const std::string name100(100, 'M');
  const std::string long40(40, 'x');
  const std::string paper300(300, 'p');
  const std::string cmd31(31, 'c');
  std::string commands = "[";
  for (int i = 0; i < 6; ++i) commands += std::string(i ? "," : "") + "\"" + cmd31 + "zz\"";
  commands += "]";
  Load("[{\"MODEL\":\"" + name100 + "\",\"RecognizeName\":\"" + long40 + "\",\"USB\":{\"vid\":\"" +
       long40 + "\",\"pid\":\"" + long40 + "\"},\"Command\":" + commands +
       ",\"DefaultCommand\":\"" + long40 + "\",\"HardwareID\":\"" + long40 + "\",\"Paper\":\"" +
       paper300 + "\",\"OffsetX\":\"" + long40 + "\",\"OffsetY\":\"" + long40 +
       "\",\"DefaultVerticalFeed\":\"" + long40 + "\",\"DPI\":203,\"PrinterWidth\":576," +
       "\"PrintMode\":4,\"Media\":5}]");
  const ModelRecord& r = PrinterInfo[0];
  EXPECT_EQ(std::wstring(r.MODEL), std::wstring(63, L'M'));
  EXPECT_EQ(Combo()[1], std::wstring(63, L'M'));
  EXPECT_EQ(std::wstring(r.RecognizeName), std::wstring(31, L'x'));
  EXPECT_EQ(std::wstring(r.VidAndPid), (L"VID_" + std::wstring(31, L'x') + L"&PID_" +
                                        std::wstring(63 - 4 - 31 - 5, L'x')));
  // Each name is cut to 31 bytes before joining; the joined text to 63 characters.
  std::wstring joined = std::wstring(31, L'c') + L"," + std::wstring(31, L'c');
  EXPECT_EQ(std::wstring(r.Command), joined);
  EXPECT_EQ(std::wstring(r.DefaultCommand), std::wstring(31, L'x'));
  EXPECT_EQ(std::wstring(r.HardwareID), std::wstring(31, L'x'));
  EXPECT_EQ(std::wstring(r.Paper), std::wstring(255, L'p'));
  EXPECT_EQ(std::wstring(r.OffsetX), std::wstring(31, L'x'));
  EXPECT_EQ(std::wstring(r.OffsetY), std::wstring(31, L'x'));
  EXPECT_EQ(std::wstring(r.DefaultVerticalFeed), std::wstring(31, L'x'));
  // The numbers beside the text fields are untouched by the long texts.
  EXPECT_EQ(r.DPI, 203);
  EXPECT_EQ(r.PrinterWidth, 576);
  EXPECT_EQ(r.PrintMode, 4);
  EXPECT_EQ(r.Media, 5);
}

TEST_P(ModelCatalogTest, ElementsWithoutModelNameTakeNoRecord) {
  Load(R"([{"MODEL":"A"}, {"DPI":300}, 42, {"MODEL":""}, {"MODEL":7}, {"MODEL":"B","DPI":200}])");
  EXPECT_EQ(Combo(), (std::vector<std::wstring>{L"please select", L"A", L"B"}));
  // Combo entry k addresses record k - 1.
  EXPECT_EQ(std::wstring(PrinterInfo[2 - 1].MODEL), L"B");
  EXPECT_EQ(PrinterInfo[1].DPI, 200);
  EXPECT_EQ(PrinterInfo[2].MODEL[0], L'\0');
  EXPECT_EQ(PrinterInfo[2].Paper[0], L'\0');
  std::string log = Log();
  EXPECT_NE(Find(log, "[WARN] CInstallDlg::OnInitDialog - Catalog element 1 has no MODEL"),
            std::string::npos);
  EXPECT_NE(Find(log, "Catalog element 4 has no MODEL"), std::string::npos);
  EXPECT_EQ(Find(log, "Module DPI: 300"), std::string::npos);
}

TEST_P(ModelCatalogTest, SurplusBeyondTheTableIsIgnoredWithAWarning) {
  std::string json = "[";
  for (int i = 0; i < 300; ++i) json += std::string(i ? "," : "") + "{\"MODEL\":\"M" + std::to_string(i) + "\"}";
  json += "]";
  Load(json);
  EXPECT_EQ(Combo().size(), 256u);
  EXPECT_EQ(std::wstring(PrinterInfo[254].MODEL), L"M254");
  EXPECT_EQ(Combo()[255], L"M254");
  EXPECT_EQ(CountCatalogModels(), 255);
  EXPECT_NE(Find(Log(), "[WARN] CInstallDlg::OnInitDialog - PrinterInfo array full (255 >= 255), "
                        "ignoring catalog elements 255 to 299\n"),
            std::string::npos);
  EXPECT_EQ(Find(Log(), "name=M255"), std::string::npos);
}

TEST_P(ModelCatalogTest, BrokenJsonIsLoggedAndLeavesTheTableEmpty) {
  Load(kTwoModels);  // an earlier run's models must not survive a failed load
  Load(R"([{"MODEL":"A"}, {"MODEL": })");
  EXPECT_EQ(PrinterInfo[0].MODEL[0], L'\0');
  EXPECT_NE(Find(Log(), "cJSON Parse error: }"), std::string::npos);
}

TEST_P(ModelCatalogTest, MissingFileAndEmptyArrayGiveOnlyThePleaseSelectEntry) {
  LoadInto(L"C:\\nowhere\\Modules.json");
  EXPECT_EQ(Combo().size(), 1u);
  EXPECT_EQ(Log(), "");
  Load("[]");
  EXPECT_EQ(Combo().size(), 1u);
  EXPECT_EQ(CountCatalogModels(), 0);
}

TEST_P(ModelCatalogTest, ARootThatIsNotAnArrayIsRefused) {
  Load(R"({"x": {"MODEL":"Hidden"}})");
  EXPECT_EQ(Combo().size(), 1u);
  EXPECT_NE(Find(Log(), "[ERROR] CInstallDlg::OnInitDialog - Model catalog is not a JSON array"),
            std::string::npos);
}

TEST_P(ModelCatalogTest, AModelTheCallerRefusesTakesNoRecord) {
  env_.PutFile(kCatalogPath, R"([{"MODEL":"A"},{"MODEL":"B","DPI":9},{"MODEL":"C"}])");
  std::vector<std::wstring> offered;
  std::vector<std::wstring> taken;
  LoadModelCatalog(env_.machine(), kCatalogPath, [&](const std::wstring& model) {
    offered.push_back(model);
    if (offered.size() == 2) return false;  // a combo box out of memory, say
    taken.push_back(model);
    return true;
  });
  EXPECT_EQ(offered, (std::vector<std::wstring>{L"A", L"B", L"C"}));
  EXPECT_EQ(taken, (std::vector<std::wstring>{L"A", L"C"}));
  // The list and the table stay parallel: C takes B's place, with none of B's keys.
  EXPECT_EQ(std::wstring(PrinterInfo[1].MODEL), L"C");
  EXPECT_EQ(PrinterInfo[1].DPI, 0);
  EXPECT_EQ(PrinterInfo[2].MODEL[0], L'\0');
  EXPECT_EQ(CountCatalogModels(), 2);
  const std::string log = Log();
  EXPECT_NE(Find(log, "[ERROR] CInstallDlg::OnInitDialog - Adding model B to the model list "
                      "failed, skipping it\n"),
            std::string::npos);
  EXPECT_EQ(Find(log, "Module DPI: 9"), std::string::npos);
}

TEST_P(ModelCatalogTest, WithoutACallbackEveryModelIsKept) {
  env_.PutFile(kCatalogPath, R"([{"MODEL":"A"},{"MODEL":"B","DPI":9}])");
  LoadModelCatalog(env_.machine(), kCatalogPath, nullptr);
  EXPECT_EQ(CountCatalogModels(), 2);
  EXPECT_EQ(PrinterInfo[1].DPI, 9);
  EXPECT_EQ(Find(Log(), "[ERROR]"), std::string::npos);
}

TEST_P(ModelCatalogTest, TextIsConvertedWithTheAnsiCodePage) {
  // "测试" in code page 936; in 1252 the same bytes are four Latin letters.
  Load("[{\"MODEL\":\"\xB2\xE2\xCA\xD4\",\"Paper\":\"\xD6\xBD.json\"}]");
  if (GetParam() == 936) {
    EXPECT_EQ(std::wstring(PrinterInfo[0].MODEL), L"\u6d4b\u8bd5");
    EXPECT_EQ(std::wstring(PrinterInfo[0].Paper), L"\u7eb8.json");
  } else {
    EXPECT_EQ(std::wstring(PrinterInfo[0].MODEL), L"\u00b2\u00e2\u00ca\u00d4");
    EXPECT_EQ(std::wstring(PrinterInfo[0].Paper), L"\u00d6\u00bd.json");
  }
  EXPECT_EQ(Combo()[1], std::wstring(PrinterInfo[0].MODEL));
}

TEST_P(ModelCatalogTest, ShippedCatalogListsItsModelsInOrder) {
  std::string json = tavro_test::ShippedFile("Modules.json");
  ASSERT_FALSE(json.empty());
  Load(json);
  // The combo and the table stay parallel, and every shipped model names its paper file.
  std::vector<std::wstring> combo = Combo();
  ASSERT_EQ(combo.size(), 7u);
  for (int k = 1; k < 7; ++k) {
    EXPECT_EQ(combo[k], std::wstring(PrinterInfo[k - 1].MODEL));
    EXPECT_EQ(std::wstring(PrinterInfo[k - 1].Paper), L"PaperSize.json");
    EXPECT_EQ(std::wstring(PrinterInfo[k - 1].VidAndPid).substr(0, 4), L"VID_");
  }
  EXPECT_EQ(combo[1], L"Tavro TL-241");
  EXPECT_EQ(std::wstring(PrinterInfo[0].Command), L"TSPL,CPCL,ESC,ZPL");
  EXPECT_EQ(std::wstring(PrinterInfo[0].VidAndPid), L"VID_4a7f&PID_0241");
  EXPECT_EQ(std::wstring(PrinterInfo[0].RecognizeName), L"TL-241");
  EXPECT_EQ(std::wstring(PrinterInfo[0].DefaultVerticalFeed), L"2");
  EXPECT_EQ(PrinterInfo[0].PrinterWidth, 832);
  EXPECT_EQ(PrinterInfo[2].Cutter, 1);
  EXPECT_EQ(CountCatalogModels(), 6);
}

TEST(ModelCatalogPath, FormedFromLocalAppDataWithTheDoubledBackslash) {
  EXPECT_EQ(BuildModelCatalogPath(L"C:\\Users\\Admin\\AppData\\Local"),
            L"C:\\Users\\Admin\\AppData\\Local\\Temp\\\\TavroPrint\\Config\\Modules.json");
  EXPECT_EQ(BuildModelCatalogPath(L""), L"\\Temp\\\\TavroPrint\\Config\\Modules.json");
}

// A model name the installation would turn into a path outside its folder is never offered; the
// list and the table stay parallel, and later models keep their records.
TEST_P(ModelCatalogTest, UnsafeModelNamesAreSkippedWithAWarning) {
  Load(R"([{"MODEL":"..\\..\\Windows\\System32\\x","DPI":1},{"MODEL":"A","DPI":2},)"
       R"({"MODEL":"a/b"},{"MODEL":"C:x"},{"MODEL":"x..y"},{"MODEL":"CON"},{"MODEL":"tab\tname"},)"
       R"({"MODEL":"B","DPI":3}])");
  EXPECT_EQ(Combo(), (std::vector<std::wstring>{L"please select", L"A", L"B"}));
  EXPECT_EQ(CountCatalogModels(), 2);
  EXPECT_EQ(PrinterInfo[0].DPI, 2);
  EXPECT_EQ(PrinterInfo[1].DPI, 3);
  const std::string log = Log();
  EXPECT_NE(Find(log, "[WARN] CInstallDlg::OnInitDialog - Catalog element 0: model name "
                      "..\\..\\Windows\\System32\\x refused (the name holds a \\ or /), skipping\n"),
            std::string::npos) << log;
  for (const char* line : {"Catalog element 2: model name a/b refused", "Catalog element 3: model name C:x refused",
                           "Catalog element 4: model name x..y refused", "Catalog element 5: model name CON refused",
                           "Catalog element 6: model name tab"}) {
    EXPECT_NE(Find(log, line), std::string::npos) << line;
  }
  EXPECT_EQ(Find(log, "Module DPI: 1"), std::string::npos) << "a refused element's keys are not read";
}

// The catalog comes from the reader given, whatever lies on disk under its path.
TEST_P(ModelCatalogTest, TheCatalogIsReadThroughTheReaderGiven) {
  env_.PutFile(kCatalogPath, R"([{"MODEL":"Swapped"}])");
  std::vector<std::wstring> asked;
  LoadModelCatalog(
      env_.machine(), kCatalogPath, [this](const std::wstring& model) { list_.push_back(model); return true; },
      [&asked](const std::wstring& path, std::string* bytes) {
        asked.push_back(path);
        *bytes = R"([{"MODEL":"FromPayload","DPI":300}])";
        return true;
      });
  EXPECT_EQ(asked, std::vector<std::wstring>{kCatalogPath});
  EXPECT_EQ(Combo(), (std::vector<std::wstring>{L"please select", L"FromPayload"}));
  EXPECT_EQ(PrinterInfo[0].DPI, 300);

  // A reader without the file leaves the table empty, as a missing file does.
  LoadModelCatalog(env_.machine(), kCatalogPath, nullptr, [](const std::wstring&, std::string*) { return false; });
  EXPECT_EQ(CountCatalogModels(), 0);
}

}  // namespace
