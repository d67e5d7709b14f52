// The GPC file's bytes against a reference laid out independently here (packed structs in the
// file's own field order), and the paper names cut to their 32-byte field in both code pages.
#include "install/gpc_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "catalog/model_catalog.h"
#include "tests/unit/install/install_fixture.h"

namespace {

#pragma pack(push, 1)
struct RefHeader {
  char magic[4];
  uint32_t version;
  uint16_t header_size;
  uint16_t data_size;
  char device[32];
  int32_t device_size[2];
  int32_t margins[4];
  uint32_t flags;
  uint32_t resolution[2];
  uint16_t raster[2];
  uint16_t misc[6];
  int32_t minus_one[2];
  int32_t calibration[30];
  uint32_t zero224;
  int32_t minus_one228;
  uint8_t zero232[8];
  uint16_t form_count;
  uint16_t form_size;
  uint32_t form_offset;
  uint16_t pen_count;
  uint16_t pen_size;
  uint32_t pen_offset;
};
struct RefForm {
  char name[32];
  uint32_t width;
  uint32_t height;
  uint32_t zero[4];
};
struct RefFile {
  RefHeader header;
  uint16_t pens[2];
  RefForm forms[256];
};
#pragma pack(pop)
static_assert(sizeof(RefHeader) == 256, "header layout");
static_assert(sizeof(RefForm) == 56, "form layout");
static_assert(sizeof(RefFile) == 14596, "file layout");

// The reference file for a model, as the format describes it field by field.
std::vector<uint8_t> Reference(bool colour, int32_t dpi, const std::vector<std::pair<std::string, int>>& papers) {
  RefFile f;
  std::memset(&f, 0, sizeof(f));
  std::memcpy(f.header.magic, "Plot", 4);
  f.header.version = 266;
  f.header.header_size = 256;
  f.header.data_size = 14340;
  std::strcpy(f.header.device, "Tavro Printer Driver");
  f.header.device_size[0] = 215900;
  f.header.device_size[1] = 5000000;
  f.header.flags = colour ? 3 : 1;
  f.header.resolution[0] = f.header.resolution[1] = static_cast<uint32_t>(dpi);
  f.header.raster[0] = f.header.raster[1] = static_cast<uint16_t>(dpi);
  const uint16_t misc[6] = {0, 100, 8, 9999, 128, 4};
  std::memcpy(f.header.misc, misc, sizeof(misc));
  f.header.minus_one[0] = f.header.minus_one[1] = -1;
  const int32_t cal[30] = {6810, 3050, 0, 2260, 6550, 0, 1810, 500, 0, 2000, 2450, 0, 5210, 2100, 0,
                           4750, 5100, 0, 3324, 3474, 10000, 10000, 10000, 10000, 1422, 952, 787, 495, 324, 248};
  std::memcpy(f.header.calibration, cal, sizeof(cal));
  f.header.minus_one228 = -1;
  f.header.form_count = 256;
  f.header.form_size = 56;
  f.header.form_offset = 260;
  f.header.pen_count = 2;
  f.header.pen_size = 2;
  f.header.pen_offset = 256;
  f.pens[0] = 0;
  f.pens[1] = 1;
  for (size_t i = 0; i < papers.size(); ++i) {
    std::memcpy(f.forms[i].name, papers[i].first.data(), papers[i].first.size());
    f.forms[i].width = papers[i].second * 100;
    f.forms[i].height = papers[i].second * 200;
  }
  std::vector<uint8_t> bytes(sizeof(f));
  std::memcpy(bytes.data(), &f, sizeof(f));
  return bytes;
}

GpcInput Input(bool colour, int32_t dpi, const std::vector<std::pair<std::string, int>>& papers) {
  GpcInput input;
  input.colour = colour;
  input.dpi = dpi;
  for (size_t i = 0; i < papers.size(); ++i) {
    input.forms[i].ansi_name = papers[i].first;
    input.forms[i].width = papers[i].second;
    input.forms[i].height = papers[i].second * 2;
  }
  return input;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

size_t FormAt(int slot) { return 260 + 56 * slot; }

TEST(GpcBytes, MatchTheReferenceForColourAndBlackAndWhite) {
  const std::vector<std::pair<std::string, int>> papers = {{"Custom(80mm x 40mm)", 800}, {"A6", 1050}, {"58x30", 580}};
  for (bool colour : {true, false}) {
    for (int32_t dpi : {203, 300, 600}) {
      std::vector<uint8_t> bytes = BuildGpcBytes(Input(colour, dpi, papers));
      ASSERT_EQ(bytes.size(), 14596u);
      EXPECT_EQ(bytes, Reference(colour, dpi, papers)) << "colour " << colour << " dpi " << dpi;
    }
  }
}

TEST(GpcBytes, ThreeFilledSlotsLeaveTheOther253RecordsZero) {
  std::vector<uint8_t> bytes = BuildGpcBytes(Input(false, 203, {{"a", 1}, {"b", 2}, {"c", 3}}));
  ASSERT_EQ(bytes.size(), kGpcFileBytes);
  EXPECT_NE(U32At(bytes, FormAt(2) + 32), 0u);
  for (size_t at = FormAt(3); at < bytes.size(); ++at) ASSERT_EQ(bytes[at], 0) << "offset " << at;
}

TEST(GpcBytes, WidthOf80MillimetresIsWrittenAs80000) {
  std::vector<uint8_t> bytes = BuildGpcBytes(Input(false, 203, {{"x", 800}}));
  EXPECT_EQ(U32At(bytes, FormAt(0) + 32), 80000u);
  EXPECT_EQ(U32At(bytes, FormAt(0) + 36), 160000u);
}

TEST(GpcBytes, RasterResolutionKeepsTheLow16BitsOfTheDpi) {
  std::vector<uint8_t> bytes = BuildGpcBytes(Input(false, 70000, {}));
  EXPECT_EQ(U32At(bytes, 72), 70000u);
  EXPECT_EQ(bytes[80] | (bytes[81] << 8), 70000 & 0xFFFF);
}

TEST(GpcBytes, ANameLongerThan31BytesNeverRunsIntoTheSizes) {
  std::vector<uint8_t> bytes = BuildGpcBytes(Input(false, 203, {{std::string(40, 'N'), 500}}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[FormAt(0)]), 31), std::string(31, 'N'));
  EXPECT_EQ(bytes[FormAt(0) + 31], 0);
  EXPECT_EQ(U32At(bytes, FormAt(0) + 32), 50000u);
}

// Colour comes from IsSupperMultiColor being exactly 1; IsOpenMultiColor plays no part.
TEST(GpcInputFor, ColourFollowsIsSupperMultiColorOnly) {
  platform::sim::SimMachine machine;
  static PaperRecord papers[kPaperTableCount];
  ModelRecord model = {};
  model.DPI = 300;
  model.IsSupperMultiColor = 1;
  model.IsOpenMultiColor = 0;
  EXPECT_EQ(U32At(BuildGpcBytes(GpcInputFor(machine.codepage(), model, papers)), 68), 3u);
  model.IsSupperMultiColor = 0;
  model.IsOpenMultiColor = 1;
  EXPECT_EQ(U32At(BuildGpcBytes(GpcInputFor(machine.codepage(), model, papers)), 68), 1u);
  model.IsSupperMultiColor = 2;
  EXPECT_EQ(U32At(BuildGpcBytes(GpcInputFor(machine.codepage(), model, papers)), 68), 1u);
}

class GpcFormNameTest : public ::testing::Test {
 protected:
  std::string Name(uint32_t code_page, const std::wstring& name) {
    machine_.codepage().SetAnsiCodePage(code_page);
    return GpcFormName(machine_.codepage(), name);
  }
  platform::sim::SimMachine machine_;
};

TEST_F(GpcFormNameTest, ShortNamesAreConvertedWhole) {
  EXPECT_EQ(Name(1252, L"Custom(80mm x 40mm)"), "Custom(80mm x 40mm)");
  EXPECT_EQ(Name(936, L"\u6807\u7b7e 80x40"), "\xB1\xEA\xC7\xA9 80x40");  // 标签 80x40
  EXPECT_EQ(Name(1252, L""), "");
}

TEST_F(GpcFormNameTest, Code1252CutsAt31Bytes) {
  EXPECT_EQ(Name(1252, std::wstring(40, L'W')), std::string(31, 'W'));
  EXPECT_EQ(Name(1252, L"\u00e9" + std::wstring(40, L'x')), "\xE9" + std::string(30, 'x'));
}

// Two bytes a character in 936: 15 whole characters (30 bytes) fit, the 16th would be split.
TEST_F(GpcFormNameTest, Code936NeverKeepsHalfACharacter) {
  std::wstring chinese(20, L'\u7eb8');  // 纸
  std::string cut = Name(936, chinese);
  EXPECT_EQ(cut.size(), 30u);
  EXPECT_EQ(machine_.codepage().FromAnsi(cut), std::wstring(15, L'\u7eb8'));
  // After one single-byte character, 15 double-byte ones make exactly 31 bytes.
  std::string mixed = Name(936, L"A" + chinese);
  EXPECT_EQ(mixed.size(), 31u);
  EXPECT_EQ(machine_.codepage().FromAnsi(mixed), L"A" + std::wstring(15, L'\u7eb8'));
}

TEST_F(GpcFormNameTest, GpcInputForCutsEachSlotsName) {
  machine_.codepage().SetAnsiCodePage(936);
  static PaperRecord papers[kPaperTableCount];
  std::memset(papers, 0, sizeof(papers));
  std::wstring long_name(40, L'\u7eb8');
  for (size_t i = 0; i < long_name.size(); ++i) papers[3].name[i] = long_name[i];
  papers[3].width = 580;
  ModelRecord model = {};
  GpcInput input = GpcInputFor(machine_.codepage(), model, papers);
  EXPECT_EQ(input.forms[3].ansi_name.size(), 30u);
  EXPECT_EQ(input.forms[3].width, 580);
  EXPECT_TRUE(input.forms[0].ansi_name.empty());
}

}  // namespace
