// The archive reader on well-formed and broken archives; every buffer is exactly the archive's
// size, so AddressSanitizer reports any read past its end.
#include "payload/payload_archive.h"

#include <gtest/gtest.h>

#include "tests/unit/payload/payload_fixture.h"

namespace {

using payload::EntryProblem;
using payload::EntryView;
using payload::PayloadReader;
using payload::ReadResult;
using payload_test::RawArchive;

struct Walked {
  std::vector<EntryView> entries;
  ReadResult last;
};

Walked WalkAll(const std::vector<uint8_t>& buffer) {
  PayloadReader reader(buffer.data(), buffer.size());
  Walked walked;
  EntryView entry;
  while ((walked.last = reader.Next(&entry)) == ReadResult::kEntry) walked.entries.push_back(entry);
  return walked;
}

TEST(PayloadReaderTest, CountZeroAndShortBuffers) {
  const std::vector<uint8_t> empty = RawArchive(0).Buffer();
  PayloadReader reader(empty.data(), empty.size());
  EXPECT_TRUE(reader.HasCount());
  EntryView entry;
  EXPECT_EQ(reader.Next(&entry), ReadResult::kEnd);

  const std::vector<uint8_t> three = {1, 0, 0};
  PayloadReader short_reader(three.data(), three.size());
  EXPECT_FALSE(short_reader.HasCount());
  EXPECT_EQ(short_reader.Next(&entry), ReadResult::kEnd);  // no count: nothing to read
}

TEST(PayloadReaderTest, NameOf255BytesIsKeptAndTheWalkGoesOn) {
  const std::string name(255, 'N');
  const auto buffer = RawArchive(2).Add(name, "first").Add("next.txt", "second").Buffer();
  const Walked walked = WalkAll(buffer);
  ASSERT_EQ(walked.entries.size(), 2u);
  EXPECT_EQ(walked.last, ReadResult::kEnd);
  EXPECT_EQ(walked.entries[0].name, name);
  EXPECT_EQ(walked.entries[0].problem, EntryProblem::kNone);
  EXPECT_EQ(walked.entries[1].name, "next.txt");
  EXPECT_EQ(walked.entries[1].problem, EntryProblem::kNone);
  EXPECT_EQ(walked.entries[1].offset, 4 + 8 + 255 + payload_test::Deflate("first").size());
}

TEST(PayloadReaderTest, BadEntriesAreMarkedAndSkippedOver) {
  const std::string data = payload_test::Deflate("x");
  const auto buffer = RawArchive(6)
                          .AddRaw(256, std::string(256, 'L'), data)       // too long
                          .AddRaw(5, std::string("ab\0cd", 5), data)      // NUL inside
                          .AddRaw(0, "", data)                            // empty name
                          .AddRaw(4, "zero", "")                          // length 0
                          .Add("..\\up.dll", "x")                         // leaves the folder
                          .Add("good.txt", "x")
                          .Buffer();
  const Walked walked = WalkAll(buffer);
  ASSERT_EQ(walked.entries.size(), 6u);
  EXPECT_EQ(walked.last, ReadResult::kEnd);
  EXPECT_EQ(walked.entries[0].problem, EntryProblem::kNameTooLong);
  EXPECT_EQ(walked.entries[0].name.size(), 255u);
  EXPECT_EQ(walked.entries[1].problem, EntryProblem::kNameHoldsNul);
  EXPECT_EQ(walked.entries[2].problem, EntryProblem::kEmptyName);
  EXPECT_EQ(walked.entries[3].problem, EntryProblem::kBadLength);
  EXPECT_EQ(walked.entries[4].problem, EntryProblem::kUnsafeName);
  EXPECT_EQ(walked.entries[5].problem, EntryProblem::kNone);
  EXPECT_EQ(walked.entries[5].name, "good.txt");
}

TEST(PayloadReaderTest, NegativeLengthEndsTheWalk) {
  const auto buffer =
      RawArchive(2).AddRaw(4, 0x80000000u, "neg!", "").Add("after.txt", "x").Buffer();
  const Walked walked = WalkAll(buffer);
  ASSERT_EQ(walked.entries.size(), 1u);
  EXPECT_EQ(walked.entries[0].problem, EntryProblem::kBadLength);
  EXPECT_EQ(walked.entries[0].compressed_length, INT32_MIN);
  EXPECT_EQ(walked.last, ReadResult::kTruncated);
}

TEST(PayloadReaderTest, TruncationIsFoundInHeaderNameAndData) {
  const std::string full = RawArchive(2).Add("a.txt", "aaaa").Add("b.txt", "bbbb").bytes();
  const size_t second = 4 + 8 + 5 + payload_test::Deflate("aaaa").size();
  // Cut inside the second header, inside its name, inside its data.
  for (size_t cut : {second + 3, second + 10, full.size() - 1}) {
    const std::vector<uint8_t> buffer(full.begin(), full.begin() + cut);
    const Walked walked = WalkAll(buffer);
    ASSERT_EQ(walked.entries.size(), 1u) << cut;
    EXPECT_EQ(walked.entries[0].name, "a.txt");
    EXPECT_EQ(walked.last, ReadResult::kTruncated) << cut;
  }
  // A count promising more entries than the buffer holds, and lengths near 4 GiB.
  EXPECT_EQ(WalkAll(RawArchive(3).Add("a.txt", "a").Buffer()).last, ReadResult::kTruncated);
  EXPECT_EQ(WalkAll(RawArchive(1).AddRaw(0xfffffff0u, 0x7ffffff0u, "x", "").Buffer()).last,
            ReadResult::kTruncated);
  // Bytes after the last counted entry are not read.
  const Walked trailing = WalkAll(RawArchive(1).Add("a.txt", "a").Append("garbage").Buffer());
  EXPECT_EQ(trailing.entries.size(), 1u);
  EXPECT_EQ(trailing.last, ReadResult::kEnd);
}

TEST(PayloadNameTest, UnsafeNames) {
  for (const char* name : {"\\Windows\\x.dll", "/etc/x", "C:\\x.dll", "C:x.dll", "..", "..\\x",
                           "a\\..\\..\\x", "a/../x", "a\\..", "file.txt:stream", "a\\...\\b", ".. \\x"}) {
    EXPECT_FALSE(payload::IsSafeEntryName(name)) << name;
  }
  for (const char* name : {"Modules.json", "sub\\dir\\x.dll", "..x", "x..", "a\\.\\b",
                           "tavrodrv.dll.x64"}) {
    EXPECT_TRUE(payload::IsSafeEntryName(name)) << name;
  }
}

TEST(PayloadNameTest, DeviceNamesInAnyComponentCaseAndTrailingForm) {
  for (const char* name : {"CON", "con", "Prn.txt", "AUX.tar.gz", "nul", "NUL ", "CON .", "con..",
                           "COM1", "com9.log", "LPT1", "lpt5 .txt", "COM0", "LPT\xb9", "COM\xb2.x",
                           "sub\\CON", "a/nul.txt/b", "drivers\\COM3\\x.dll", "CONIN$", "conout$.txt"}) {
    EXPECT_TRUE(payload::HoldsDeviceName(name)) << name;
    EXPECT_FALSE(payload::IsSafeEntryName(name)) << name;
    EXPECT_EQ(payload::CheckEntryName(name), EntryProblem::kDeviceName) << name;
  }
  for (const char* name : {"CONSOLE", "icon", "COM10", "COM", "LPT", "COMA", "nul_x", "a.con", "x\\econ.txt",
                           "NULL.txt", "AUXILIARY"}) {
    EXPECT_FALSE(payload::HoldsDeviceName(name)) << name;
    EXPECT_TRUE(payload::IsSafeEntryName(name)) << name;
    EXPECT_EQ(payload::CheckEntryName(name), EntryProblem::kNone) << name;
  }
  // Leaving the folder is named first when a name does both.
  EXPECT_EQ(payload::CheckEntryName("..\\CON"), EntryProblem::kUnsafeName);
}

TEST(PayloadNameTest, TheWalkSkipsDeviceNamedEntries) {
  const std::vector<uint8_t> buffer =
      RawArchive(3).Add("lpt1.dll", "x").Add("sub\\AUX", "x").Add("fine.dll", "x").Buffer();
  const Walked walked = WalkAll(buffer);
  ASSERT_EQ(walked.entries.size(), 3u);
  EXPECT_EQ(walked.entries[0].problem, EntryProblem::kDeviceName);
  EXPECT_EQ(walked.entries[1].problem, EntryProblem::kDeviceName);
  EXPECT_EQ(walked.entries[2].problem, EntryProblem::kNone);
  EXPECT_EQ(walked.last, ReadResult::kEnd);
}

}  // namespace
