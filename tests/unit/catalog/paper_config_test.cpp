#include "catalog/paper_config.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <vector>
#include <string>

#include "catalog_test_support.h"
#include "platform/last_error.h"

namespace {

using catalog_test::Find;

const std::wstring kConfig = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\\\TavroPrint\\Config";

std::string Papers(const std::string& prefix, int n, int first_width = 100) {
  std::string s = "[";
  for (int i = 0; i < n; ++i) {
    s += std::string(i ? "," : "") + "{\"name\":\"" + prefix + std::to_string(i) +
         "\",\"width\":" + std::to_string(first_width + i) + ",\"height\":" +
         std::to_string(2 * (first_width + i)) + ",\"offsetX\":1,\"offsetY\":2}";
  }
  return s + "]";
}

std::wstring Name(int slot) { return PaperTable[slot].name; }

class PaperConfigTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override { env_.SetAnsiCodePage(GetParam()); }
  void Put(const std::wstring& name, const std::string& json) {
    env_.PutFile(kConfig + L"\\" + name, json);
  }
  int Load(const std::wstring& name, int start = 0) {
    return ParsePaperConfig(env_.machine(), kConfig + L"\\" + name, start);
  }
  std::string Log() { return env_.LogText(); }

  catalog_test::CatalogFixtureBase env_;
};

INSTANTIATE_TEST_SUITE_P(CodePages, PaperConfigTest, ::testing::Values(1252u, 936u));

// The names of a paper file's own "Papers", read independently of the loader.
std::vector<std::wstring> OwnNames(const std::string& json) {
  std::vector<std::wstring> names;
  cJSON* root = cJSON_Parse(json.c_str());
  const cJSON* papers = cJSON_GetObjectItem(root, "Papers");
  for (int i = 0; i < cJSON_GetArraySize(papers); ++i) {
    std::string n = cJSON_GetObjectItem(cJSON_GetArrayItem(papers, i), "name")->valuestring;
    names.emplace_back(n.begin(), n.end());
  }
  cJSON_Delete(root);
  return names;
}

TEST_P(PaperConfigTest, ShippedPaperSizeGivesDefaultPapersThenItsOwn) {
  std::string paper_size = tavro_test::ShippedFile("PaperSize.json");
  std::string default_paper = tavro_test::ShippedFile("DefaultPaper.json");
  ASSERT_FALSE(paper_size.empty());
  ASSERT_FALSE(default_paper.empty());
  Put(L"PaperSize.json", paper_size);
  Put(L"DefaultPaper.json", default_paper);

  EXPECT_EQ(Load(L"PaperSize.json"), 12);
  std::vector<std::wstring> first = OwnNames(default_paper);
  std::vector<std::wstring> second = OwnNames(paper_size);
  ASSERT_EQ(first.size(), 6u);
  ASSERT_EQ(second.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Name(i), first[i]) << i;
    EXPECT_EQ(Name(6 + i), second[i]) << i;
    EXPECT_GT(PaperTable[i].width, 0);
    EXPECT_GT(PaperTable[6 + i].height, 0);
  }
  EXPECT_EQ(Name(12), L"");
  std::string log = Log();
  EXPECT_NE(Find(log, "[INFO] ParsePaperConfig - Importing file[0]: " +
                          std::string(kConfig.begin(), kConfig.end()) + "\\DefaultPaper.json\n"),
            std::string::npos);
  EXPECT_NE(Find(log, "[INFO] ParsePapersFromJson - Found 6 papers, startIndex=6\n"),
            std::string::npos);
  EXPECT_NE(Find(log, "[EXIT] ParsePaperConfig - Total parsed: 12\n"), std::string::npos);
}

TEST_P(PaperConfigTest, ImportsComeDepthFirstBeforeOwnPapers) {
  Put(L"top.json", "{\"Import\":[\"a.json\",\"b.json\"],\"Papers\":" + Papers("T", 2) + "}");
  Put(L"a.json", "{\"Import\":[\"c.json\"],\"Papers\":" + Papers("A", 1) + "}");
  Put(L"b.json", "{\"Papers\":" + Papers("B", 2) + "}");
  Put(L"c.json", "{\"Papers\":" + Papers("C", 3) + "}");
  EXPECT_EQ(Load(L"top.json"), 8);
  const wchar_t* expected[] = {L"C0", L"C1", L"C2", L"A0", L"B0", L"B1", L"T0", L"T1"};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Name(i), expected[i]) << i;
  EXPECT_EQ(PaperTable[6].width, 100);
  EXPECT_EQ(PaperTable[6].height, 200);
  EXPECT_EQ(PaperTable[6].offsetX, 1);
  EXPECT_EQ(PaperTable[6].offsetY, 2);
}

TEST_P(PaperConfigTest, AnImportThatCannotBeOpenedAddsNothing) {
  Put(L"p.json", "{\"Import\":[\"missing.json\",\"b.json\"],\"Papers\":" + Papers("P", 2) + "}");
  Put(L"b.json", "{\"Papers\":" + Papers("B", 3) + "}");
  EXPECT_EQ(Load(L"p.json"), 5);
  EXPECT_EQ(Name(0), L"B0");  // b.json starts where missing.json would have begun
  EXPECT_EQ(Name(3), L"P0");
  std::string log = Log();
  EXPECT_NE(Find(log, "[ERROR] ParsePaperConfig - Failed to open file: "), std::string::npos);
  EXPECT_NE(Find(log, "missing.json, errno=2\n"), std::string::npos);
  EXPECT_NE(Find(log, "[INFO] ParsePaperConfig - GetFileAttributes returned: 4294967295\n"),
            std::string::npos);
}

TEST_P(PaperConfigTest, MissingKeysAndMissingPapers) {
  Put(L"p.json", R"({"Papers":[{"name":"N","height":50},{"width":10}]})");
  EXPECT_EQ(Load(L"p.json"), 2);
  EXPECT_EQ(PaperTable[0].width, 0);
  EXPECT_EQ(PaperTable[0].height, 50);
  EXPECT_EQ(PaperTable[0].offsetX, 0);
  EXPECT_EQ(PaperTable[0].offsetY, 0);
  EXPECT_EQ(Name(1), L"");
  EXPECT_EQ(PaperTable[1].width, 10);
  EXPECT_NE(Find(Log(), "[INFO] ParsePaperConfig - No Import field found or not an array\n"),
            std::string::npos);

  Put(L"q.json", "{\"Import\":[\"p.json\"],\"papers\":{}}");
  EXPECT_EQ(Load(L"q.json"), 2);  // the import's papers, none of its own
  EXPECT_NE(Find(Log(), "[WARN] ParsePapersFromJson - No Papers array found or not an array\n"),
            std::string::npos);
}

TEST_P(PaperConfigTest, StartNear255StopsAtTheLastSlot) {
  Put(L"p.json", "{\"Papers\":" + Papers("P", 10) + "}");
  PaperTable[0].width = 77;  // a load that does not start at 0 leaves the other slots alone
  EXPECT_EQ(Load(L"p.json", 250), 6);
  EXPECT_EQ(Name(250), L"P0");
  EXPECT_EQ(Name(255), L"P5");
  EXPECT_EQ(PaperTable[0].width, 77);
  EXPECT_NE(Find(Log(), "[WARN] ParsePapersFromJson - PaperTable full (256 >= 256), skipping 4"),
            std::string::npos);
  EXPECT_EQ(Load(L"p.json", 256), 0);
  EXPECT_EQ(Load(L"p.json", -3), 0);
  EXPECT_EQ(PaperTable[0].width, 77);
}

TEST_P(PaperConfigTest, ImportIsRelativeToTheImportingFilesFolder) {
  env_.machine().files().AddDrive(L"D:");
  env_.PutFile(L"D:\\x\\p.json", R"({"Import":["sub\\a.json"]})");
  env_.PutFile(L"D:\\x\\sub\\a.json", R"({"Import":["b.json"],"Papers":[{"name":"A"}]})");
  env_.PutFile(L"D:\\x\\sub\\b.json", R"({"Papers":[{"name":"B"}]})");
  EXPECT_EQ(ParsePaperConfig(env_.machine(), L"D:\\x\\p.json", 0), 2);
  EXPECT_EQ(Name(0), L"B");
  EXPECT_EQ(Name(1), L"A");
  std::string log = Log();
  EXPECT_NE(Find(log, "Importing file[0]: D:\\x\\sub\\a.json\n"), std::string::npos);
  EXPECT_NE(Find(log, "Importing file[0]: D:\\x\\sub\\b.json\n"), std::string::npos);
}

TEST_P(PaperConfigTest, ImportLoopsAreStoppedAndNamed) {
  Put(L"self.json", "{\"Import\":[\"self.json\"],\"Papers\":" + Papers("S", 1) + "}");
  EXPECT_EQ(Load(L"self.json"), 1);
  std::string self = std::string(kConfig.begin(), kConfig.end()) + "\\self.json";
  EXPECT_NE(Find(Log(), "[ERROR] ParsePaperConfig - Import loop: " + self +
                            " is already being loaded, skipping\n"),
            std::string::npos);

  // Through another file and another spelling of the same path.
  Put(L"a.json", "{\"Import\":[\"b.json\"],\"Papers\":" + Papers("A", 1) + "}");
  Put(L"b.json", "{\"Import\":[\".\\\\A.JSON\"],\"Papers\":" + Papers("B", 1) + "}");
  EXPECT_EQ(Load(L"a.json"), 2);
  EXPECT_EQ(Name(0), L"B0");
  EXPECT_EQ(Name(1), L"A0");
  EXPECT_NE(Find(Log(), "A.JSON is already being loaded"), std::string::npos);
}

TEST_P(PaperConfigTest, AFileImportedTwiceSideBySideIsNoLoop) {
  Put(L"top.json", R"({"Import":["l.json","r.json"]})");
  Put(L"l.json", R"({"Import":["d.json"]})");
  Put(L"r.json", R"({"Import":["d.json"]})");
  Put(L"d.json", "{\"Papers\":" + Papers("D", 2) + "}");
  EXPECT_EQ(Load(L"top.json"), 4);
  EXPECT_EQ(Name(2), L"D0");
  EXPECT_EQ(Find(Log(), "Import loop"), std::string::npos);
}

TEST_P(PaperConfigTest, OverlongNamesAndImportPathsAreCut) {
  Put(L"p.json", "{\"Papers\":[{\"name\":\"" + std::string(100, 'n') + "\",\"width\":5}]}");
  EXPECT_EQ(Load(L"p.json"), 1);
  EXPECT_EQ(Name(0), std::wstring(63, L'n'));
  EXPECT_EQ(PaperTable[0].width, 5);

  Put(L"i.json", "{\"Import\":[\"" + std::string(400, 'i') + "\"]}");
  EXPECT_EQ(Load(L"i.json"), 0);
  std::string folder(kConfig.begin(), kConfig.end());
  std::string cut = folder + "\\" + std::string(259 - folder.size() - 1, 'i');
  EXPECT_NE(Find(Log(), "Importing file[0]: " + cut + "\n"), std::string::npos);
  EXPECT_EQ(Find(Log(), cut + "i"), std::string::npos);
}

TEST_P(PaperConfigTest, ALoadFromSlotZeroEmptiesTheTableFirst) {
  Put(L"big.json", "{\"Papers\":" + Papers("Big", 12) + "}");
  Put(L"small.json", "{\"Papers\":" + Papers("Small", 2) + "}");
  EXPECT_EQ(Load(L"big.json"), 12);
  EXPECT_EQ(Load(L"small.json"), 2);
  EXPECT_EQ(Name(1), L"Small1");
  EXPECT_EQ(Name(2), L"");
  EXPECT_EQ(PaperTable[11].width, 0);
}

TEST_P(PaperConfigTest, BrokenJsonYieldsNothingWithAClearLine) {
  Put(L"bad.json", R"({"Papers":[{"name":"A",}]})");
  EXPECT_EQ(Load(L"bad.json"), 0);
  EXPECT_NE(Find(Log(), "[ERROR] ParsePaperConfig - cJSON Parse error: ]}\n"), std::string::npos);
  Put(L"empty.json", "");
  EXPECT_EQ(Load(L"empty.json"), 0);
  EXPECT_NE(Find(Log(), "[INFO] ParsePaperConfig - File size: 0 bytes\n"), std::string::npos);
}

TEST_P(PaperConfigTest, NamesAreConvertedWithTheAnsiCodePage) {
  Put(L"p.json", "{\"Papers\":[{\"name\":\"\xD6\xBD 80mm\"}]}");
  EXPECT_EQ(Load(L"p.json"), 1);
  EXPECT_EQ(Name(0), GetParam() == 936 ? L"\u7eb8 80mm" : L"\u00d6\u00bd 80mm");
}

TEST_P(PaperConfigTest, NullRootIsRefused) {
  EXPECT_EQ(ParsePapersFromJson(env_.machine(), nullptr, 0), 0);
  EXPECT_NE(Find(Log(), "[ERROR] ParsePapersFromJson - root is NULL\n"), std::string::npos);
}

TEST(PaperConfigPath, FormedFromTheTempFolder) {
  EXPECT_EQ(BuildPaperConfigPath(L"C:\\L\\Temp\\", L"PaperSize.json"),
            L"C:\\L\\Temp\\\\TavroPrint\\Config\\PaperSize.json");
}

// Every file of a load, the imports included, comes through the reader given, asked by the path
// the loader forms (and logs); what lies on disk under those paths is not read.
TEST_P(PaperConfigTest, EveryFileIsReadThroughTheReaderGiven) {
  Put(L"PaperSize.json", "{\"Papers\":" + Papers("Disk", 3) + "}");
  const std::wstring base = kConfig + L"\\PaperSize.json";
  std::vector<std::wstring> asked;
  ConfigReader read = [&](const std::wstring& path, std::string* bytes) {
    asked.push_back(path);
    if (path == base) {
      *bytes = "{\"Import\":[\"DefaultPaper.json\",\"gone.json\"],\"Papers\":" + Papers("Own", 1) + "}";
      return true;
    }
    if (path == kConfig + L"\\DefaultPaper.json") {
      *bytes = "{\"Papers\":" + Papers("Default", 2) + "}";
      return true;
    }
    platform::SetLastErrorCode(2);
    return false;
  };
  EXPECT_EQ(ParsePaperConfig(env_.machine(), base, 0, read), 3);
  EXPECT_EQ(asked, (std::vector<std::wstring>{base, kConfig + L"\\DefaultPaper.json", kConfig + L"\\gone.json"}));
  EXPECT_EQ(Name(0), L"Default0");
  EXPECT_EQ(Name(1), L"Default1");
  EXPECT_EQ(Name(2), L"Own0");
  EXPECT_EQ(Name(3), L"");
  // A file the reader lacks is logged as a file that cannot be opened.
  const std::string gone = std::string(kConfig.begin(), kConfig.end()) + "\\gone.json";
  EXPECT_NE(Find(Log(), "[ERROR] ParsePaperConfig - Failed to open file: " + gone + ", errno=2\n"),
            std::string::npos);

  // A reader out of memory gives the allocation line, not an open failure.
  ConfigReader no_memory = [](const std::wstring&, std::string*) {
    platform::SetLastErrorCode(8);
    return false;
  };
  EXPECT_EQ(ParsePaperConfig(env_.machine(), base, 0, no_memory), 0);
  EXPECT_NE(Find(Log(), "[ERROR] ParsePaperConfig - Failed to allocate memory\n"), std::string::npos);
}

}  // namespace
