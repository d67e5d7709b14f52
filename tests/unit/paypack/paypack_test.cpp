// paypack's commands on real files of the build host: a pack, list and extract round trip, and
// the names it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "payload/payload_archive.h"
#include "tools/paypack/paypack_commands.h"

namespace {

namespace fs = std::filesystem;

class PaypackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("paypack_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    err_ = std::tmpfile();
    out_ = std::tmpfile();
  }
  void TearDown() override {
    std::fclose(err_);
    std::fclose(out_);
    fs::remove_all(dir_);
  }

  std::string Put(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  static std::string Text(FILE* f) {
    std::rewind(f);
    std::string text;
    char chunk[512];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) text.append(chunk, n);
    return text;
  }
  static std::string Bytes(const fs::path& path) {
    std::vector<uint8_t> bytes;
    if (!paypack::ReadWholeFile(path.string(), &bytes)) return "<missing>";
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path dir_;
  FILE* err_ = nullptr;
  FILE* out_ = nullptr;
};

TEST_F(PaypackTest, PackListExtractRoundTrip) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += static_cast<char>((i * 7) % 251);
  const std::string a = Put("a.json", "[{\"MODEL\": \"Tavro\"}]");
  const std::string b = Put("b.bin", big);
  const std::string c = Put("c.txt", "");
  const std::string archive = (dir_ / "out.bin").string();
  ASSERT_EQ(0, paypack::Pack(archive, {"Modules.json=" + a, "sub\\big.bin=" + b, "Empty.txt=" + c},
                             err_))
      << Text(err_);

  // Ascending byte order: upper case before lower case, "E" < "M" < "s".
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(paypack::ReadWholeFile(archive, &bytes));
  payload::PayloadReader reader(bytes.data(), bytes.size());
  ASSERT_EQ(reader.Count(), 3u);
  std::vector<std::string> names;
  payload::EntryView entry;
  while (reader.Next(&entry) == payload::ReadResult::kEntry) {
    names.push_back(entry.name);
    EXPECT_EQ(entry.data[0], 0x78);  // zlib header at the default level
    EXPECT_EQ(entry.data[1], 0x9C);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Empty.txt", "Modules.json", "sub\\big.bin"}));

  ASSERT_EQ(0, paypack::List(archive, out_, err_)) << Text(err_);
  const std::string listing = Text(out_);
  EXPECT_NE(listing.find("Modules.json\t"), std::string::npos);
  EXPECT_NE(listing.find("\t100000\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Empty.txt\t8\t0\n"), std::string::npos) << listing;

  ASSERT_EQ(0, paypack::Extract(archive, (dir_ / "x").string(), err_)) << Text(err_);
  EXPECT_EQ(Bytes(dir_ / "x" / "Modules.json"), "[{\"MODEL\": \"Tavro\"}]");
  EXPECT_EQ(Bytes(dir_ / "x" / "sub" / "big.bin"), big);
  EXPECT_EQ(Bytes(dir_ / "x" / "Empty.txt"), "");
}

TEST_F(PaypackTest, RefusesBadNamesAndWritesNothing) {
  const std::string file = Put("f.txt", "x");
  const std::string archive = (dir_ / "out.bin").string();
  const std::vector<std::string> refused = {
      "=" + file,                              // empty
      std::string(256, 'n') + "=" + file,      // 256 bytes
      "..\\evil.dll=" + file,                  // leaves the folder
      "C:\\Windows\\evil.dll=" + file,         // absolute
      "nameonly",                              // no file
  };
  for (const std::string& arg : refused) {
    EXPECT_EQ(1, paypack::Pack(archive, {arg}, err_)) << arg;
    EXPECT_FALSE(fs::exists(archive)) << arg;
  }
  const std::string messages = Text(err_);
  EXPECT_NE(messages.find("the name is empty"), std::string::npos) << messages;
  EXPECT_NE(messages.find("256 bytes or longer"), std::string::npos) << messages;
  EXPECT_NE(messages.find("absolute or leaves its folder"), std::string::npos) << messages;
  EXPECT_NE(messages.find("is not NAME=FILE"), std::string::npos) << messages;

  // A 255-byte name is the longest accepted; a duplicate is refused.
  EXPECT_EQ(0, paypack::Pack(archive, {std::string(255, 'n') + "=" + file}, err_));
  EXPECT_EQ(1, paypack::Pack(archive, {"a=" + file, "a=" + file}, err_));
}

TEST_F(PaypackTest, LibraryRefusesANameHoldingNul) {
  std::vector<payload::PackInput> inputs(1);
  inputs[0].name = std::string("ab\0cd", 5);
  inputs[0].content = {1, 2, 3};
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_FALSE(payload::BuildArchive(inputs, &out, &error));
  EXPECT_NE(error.find("NUL"), std::string::npos) << error;
}

TEST_F(PaypackTest, ListAndExtractReportATruncatedArchive) {
  const std::string file = Put("f.txt", std::string(5000, 'q'));
  const std::string archive = (dir_ / "out.bin").string();
  ASSERT_EQ(0, paypack::Pack(archive, {"a.txt=" + file, "b.txt=" + file}, err_));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(paypack::ReadWholeFile(archive, &bytes));
  bytes.resize(bytes.size() - 3);  // the second entry's data runs past the end
  const std::string cut = Put("cut.bin", std::string(bytes.begin(), bytes.end()));

  EXPECT_EQ(1, paypack::List(cut, out_, err_));
  EXPECT_NE(Text(out_).find("a.txt\t"), std::string::npos);
  EXPECT_EQ(Text(out_).find("b.txt"), std::string::npos);
  EXPECT_NE(Text(err_).find("truncated: entry 1 of 2"), std::string::npos) << Text(err_);

  EXPECT_EQ(1, paypack::Extract(cut, (dir_ / "x").string(), err_));
  EXPECT_EQ(Bytes(dir_ / "x" / "a.txt"), std::string(5000, 'q'));
  EXPECT_FALSE(fs::exists(dir_ / "x" / "b.txt"));
}

// Device names are refused like names leaving the folder: packing them, and an archive made by
// other means is not extracted under them (the host's "CON" is a plain file, Windows' is not).
TEST_F(PaypackTest, RefusesDeviceNamesWhenPackingAndExtracting) {
  const std::string file = Put("f.txt", "x");
  const std::string archive = (dir_ / "out.bin").string();
  for (const char* name : {"CON", "prn.txt", "sub\\Aux", "NUL .json", "com1", "LPT9.log.", "conout$"}) {
    EXPECT_EQ(1, paypack::Pack(archive, {std::string(name) + "=" + file}, err_)) << name;
    EXPECT_FALSE(fs::exists(archive)) << name;
  }
  EXPECT_NE(Text(err_).find("one Windows opens as a device"), std::string::npos) << Text(err_);
  // Names that only look alike are packed.
  EXPECT_EQ(0, paypack::Pack(archive, {"console=" + file, "com10=" + file, "lpt=" + file, "xcon=" + file}, err_));

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(paypack::ReadWholeFile(archive, &bytes));
  // Rename "console" (the first entry) to "CON.txt" in place: same length, so the walk stays whole.
  const std::string raw(bytes.begin(), bytes.end());
  const size_t at = raw.find("console");
  ASSERT_NE(at, std::string::npos);
  std::memcpy(&bytes[at], "CON.txt", 7);
  const std::string planted = Put("planted.bin", std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(1, paypack::Extract(planted, (dir_ / "y").string(), err_));
  EXPECT_FALSE(fs::exists(dir_ / "y" / "CON.txt"));
  EXPECT_TRUE(fs::exists(dir_ / "y" / "com10"));
  EXPECT_NE(Text(err_).find("(\"CON.txt\") skipped: the name is one Windows opens as a device"), std::string::npos)
      << Text(err_);
}

}  // namespace
