// A simulated machine bound to the log facility for the duration of one test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "tests/support/fixture_support.h"

namespace logtest {

constexpr const wchar_t* kLogFolder = L"C:\\Windows\\Temp\\TavroPrint\\Log";
constexpr const wchar_t* kTodayFile = L"C:\\Windows\\Temp\\TavroPrint\\Log\\TavroPrintInstall_2026_12_07.log";
constexpr const char* kRule =
    "=======================================================================================================";

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tavro_test::BindLog(&machine_);
  }
  void TearDown() override {
    tavro_test::BindLog(nullptr);
  }
  std::string Today() { return machine_.files().FileBytes(kTodayFile); }

  platform::sim::SimMachine machine_;
};

// How often `needle` occurs in `text`.
inline size_t Count(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
  return count;
}

}  // namespace logtest
