#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/unit/log/log_fixture.h"

namespace logtest {
namespace {

constexpr int kLinesPerThread = 100000;

void Writer(int thread) {
  for (int i = 0; i < kLinesPerThread; ++i)
    LogPrint(kLogUnitInstall, "Worker", thread, "[INFO] Worker - thread=%d seq=%06d payload=%ws\n", thread, i,
             L"abcdefghij");
}

TEST_F(LogTest, TwoThreadsLoseNoLineAndTearNone) {
  LogPrint(kLogUnitInstall, "Main", 0, "[INFO] Main - start\n");  // the first line comes from the main thread
  std::thread a(Writer, 1);
  std::thread b(Writer, 2);
  a.join();
  b.join();
  LogStop();

  std::string file = Today();
  size_t banner_end = file.find(std::string(kRule) + "\r\n\r\n");
  ASSERT_NE(banner_end, std::string::npos);
  int next[3] = {0, 0, 0};
  size_t pos = file.find("\r\n\r\n", banner_end) + 4;
  size_t lines = 0;
  while (pos < file.size()) {
    size_t end = file.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos);
    std::string line = file.substr(pos, end - pos);
    pos = end + 2;
    ++lines;
    if (line.find("Main - start") != std::string::npos) continue;
    int thread = 0;
    int seq = 0;
    int tail = 0;
    char payload[16] = "";
    ASSERT_EQ(std::sscanf(line.c_str(),
                          "[2026-12-07 10:00:00.000] [Install.cpp:Worker:%*d] [INFO] Worker - thread=%d seq=%d "
                          "payload=%10s%n",
                          &thread, &seq, payload, &tail),
              3)
        << line;
    ASSERT_EQ(static_cast<size_t>(tail), line.size()) << line;
    ASSERT_STREQ(payload, "abcdefghij");
    ASSERT_TRUE(thread == 1 || thread == 2) << line;
    ASSERT_EQ(seq, next[thread]) << "thread " << thread << " lost or reordered a line";
    ++next[thread];
  }
  EXPECT_EQ(next[1], kLinesPerThread);
  EXPECT_EQ(next[2], kLinesPerThread);
  EXPECT_EQ(lines, 2u * kLinesPerThread + 1);
}

}  // namespace
}  // namespace logtest
