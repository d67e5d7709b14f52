// InflateEntryToFile on the simulated machine: complete, truncated, corrupt and dictionary
// streams, file failures, and the progress positions it sends.
#include "payload/inflate_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "tests/unit/payload/payload_fixture.h"

namespace {

using payload_test::Deflate;
using payload_test::Noise;

class InflateEntryTest : public payload_test::PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    machine_.files().MakeFolders(L"C:\\Out");
  }
  int Inflate(const std::string& stream, const std::string& path, int32_t* counter,
              int32_t total = 1000, const ProgressCallback& on_progress = nullptr) {
    // An exact-size copy: a read past the entry's bytes is an AddressSanitizer report.
    std::vector<uint8_t> bytes(stream.begin(), stream.end());
    return InflateEntryToFile(machine_, on_progress, bytes.data(),
                              static_cast<int32_t>(bytes.size()), path, counter, total);
  }
};

TEST_F(InflateEntryTest, WholeStreamsOverManyWindows) {
  // Noise crosses the 16 KiB input window; text crosses the output window many times over.
  const std::string noise = Noise(70000);
  const std::string text(300000, 'T');
  int32_t counter = 0;
  EXPECT_EQ(0, Inflate(Deflate(noise), "C:\\Out\\noise.bin", &counter));
  EXPECT_EQ(0, Inflate(Deflate(text), "C:\\Out\\text.txt", &counter));
  EXPECT_EQ(File(L"C:\\Out\\noise.bin"), noise);
  EXPECT_EQ(File(L"C:\\Out\\text.txt"), text);
  EXPECT_EQ(counter, 370000);  // the counter runs on across entries
}

TEST_F(InflateEntryTest, StreamCutShortByItsLengthIsAcceptedAndBytesAfterTheEndIgnored) {
  const std::string content = Noise(40000, 7);
  const std::string stream = Deflate(content);
  int32_t counter = 0;
  EXPECT_EQ(0, Inflate(stream.substr(0, stream.size() / 2), "C:\\Out\\half.bin", &counter));
  const std::string half = File(L"C:\\Out\\half.bin");
  EXPECT_FALSE(half.empty());
  EXPECT_LT(half.size(), content.size());
  EXPECT_EQ(half, content.substr(0, half.size()));

  EXPECT_EQ(0, Inflate(stream + std::string(20000, 'J'), "C:\\Out\\tail.bin", &counter));
  EXPECT_EQ(File(L"C:\\Out\\tail.bin"), content);
}

TEST_F(InflateEntryTest, CorruptStreamGivesMinus3AndKeepsThePartialFile) {
  // Text compresses into Huffman-coded blocks, where damage is found where it lies.
  std::string content;
  for (int i = 0; content.size() < 400000; ++i) content += "line " + std::to_string(i * 7919 % 100003) + "\n";
  std::string stream = Deflate(content);
  ASSERT_GT(stream.size(), 60100u);
  for (size_t i = 60000; i < 60100; ++i) stream[i] = static_cast<char>(~stream[i]);
  int32_t counter = 0;
  EXPECT_EQ(-3, Inflate(stream, "C:\\Out\\bad.bin", &counter));
  const std::string partial = File(L"C:\\Out\\bad.bin");
  EXPECT_GE(partial.size(), 16384u);  // what came before the damage was written
  EXPECT_LT(partial.size(), content.size());
  EXPECT_TRUE(partial.compare(0, 16384, content, 0, 16384) == 0);

  EXPECT_EQ(-3, Inflate("not zlib at all", "C:\\Out\\junk.bin", &counter));
  EXPECT_TRUE(Exists(L"C:\\Out\\junk.bin"));
}

TEST_F(InflateEntryTest, PresetDictionaryGivesMinus3) {
  z_stream stream{};
  ASSERT_EQ(Z_OK, deflateInit(&stream, Z_DEFAULT_COMPRESSION));
  const char dictionary[] = "tavro tavro tavro";
  deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary), sizeof(dictionary));
  std::string input = "tavro tavro", out(200, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(&input[0]);
  stream.avail_in = static_cast<uInt>(input.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  ASSERT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
  out.resize(stream.total_out);
  deflateEnd(&stream);
  int32_t counter = 0;
  EXPECT_EQ(-3, Inflate(out, "C:\\Out\\dict.bin", &counter));
}

TEST_F(InflateEntryTest, FileFailuresGiveMinus1) {
  int32_t counter = 0;
  // The folder is missing.
  EXPECT_EQ(-1, Inflate(Deflate("abc"), "C:\\Missing\\x.txt", &counter));
  // The first write fails: the file, created by then, stays.
  machine_.faults().Fail("fwrite", 29, 1);
  EXPECT_EQ(-1, Inflate(Deflate(Noise(50000)), "C:\\Out\\w.bin", &counter));
  EXPECT_TRUE(Exists(L"C:\\Out\\w.bin"));
  // The file is closed on the failure path: it can be written again at once.
  EXPECT_EQ(0, Inflate(Deflate("again"), "C:\\Out\\w.bin", &counter));
  EXPECT_EQ(File(L"C:\\Out\\w.bin"), "again");
}

TEST_F(InflateEntryTest, ProgressFollowsTheCounterAndGoesAbove100) {
  std::vector<int> positions;
  int32_t counter = 0;
  // 100000 decompressed bytes against a total of 20000: positions up to 500.
  EXPECT_EQ(0, Inflate(Deflate(std::string(100000, 'p')), "C:\\Out\\p.txt", &counter, 20000,
                       [&](int position) { positions.push_back(position); }));
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), 16384 * 100 / 20000);  // one output window
  EXPECT_EQ(positions.back(), 500);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));

  // The counter carries on from the caller's value: 100000 + 1 bytes now.
  positions.clear();
  EXPECT_EQ(0, Inflate(Deflate("x"), "C:\\Out\\q.txt", &counter, 20000,
                       [&](int position) { positions.push_back(position); }));
  EXPECT_EQ(positions, std::vector<int>{500});
  EXPECT_EQ(counter, 100001);
  // Without a callback the entry is still written.
  EXPECT_EQ(0, Inflate(Deflate("y"), "C:\\Out\\r.txt", &counter, 20000));
  EXPECT_EQ(File(L"C:\\Out\\r.txt"), "y");
}

TEST(ProgressPositionTest, TruncatesAndStaysInRange) {
  EXPECT_EQ(ProgressPosition(1, 3), 33);
  EXPECT_EQ(ProgressPosition(2, 3), 66);
  EXPECT_EQ(ProgressPosition(5, 0), 0);
  EXPECT_EQ(ProgressPosition(2147483647.0, 1), INT_MAX);
}

}  // namespace
