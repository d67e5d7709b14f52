#include "service/service_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/unit/service/service_fixture.h"

namespace {

using servicetest::Count;
using servicetest::ServiceTest;

// Signals that answer from a script, so that the run's loop is driven without real time.
class ScriptedSignals : public ServiceSignals {
 public:
  explicit ScriptedSignals(std::vector<ServiceWake> script) : script_(std::move(script)) {}
  ServiceWake Wait(uint32_t timeout_ms) override {
    timeouts.push_back(timeout_ms);
    if (next_ >= script_.size()) return ServiceWake::kStop;
    return script_[next_++];
  }
  std::vector<uint32_t> timeouts;

 private:
  std::vector<ServiceWake> script_;
  size_t next_ = 0;
};

class ServiceLoopTest : public ServiceTest {
 protected:
  ServiceOptions Options() {
    ServiceOptions options;
    options.catalog_path = kCatalog;
    return options;
  }
};

TEST_F(ServiceLoopTest, AQuietDayWritesAFewLines) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  AddUsbPort(L"USB001");
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB001", 0x4a7f, 0x0080);
  // A day of polls every 30 s, with device changes now and then.
  std::vector<ServiceWake> day(2880, ServiceWake::kTimeout);
  for (size_t i = 0; i < day.size(); i += 100) day[i] = ServiceWake::kChanged;
  ScriptedSignals signals(day);
  RunPrinterService(machine_, ports_, signals, Options());
  std::string log = Log();
  EXPECT_LE(ServiceTest::Lines(log), 5) << log;
  EXPECT_NE(log.find("[ENTRY] RunPrinterService - Mavrin Printer Monitor started, poll every 30000 ms"),
            std::string::npos);
  EXPECT_NE(log.find("Watching 1 USB printer(s): Tavro TR-80 on USB001"), std::string::npos);
  EXPECT_NE(log.find("[EXIT] RunPrinterService - Stopped"), std::string::npos);
  EXPECT_EQ(ports_.set_calls, 0);
  EXPECT_EQ(signals.timeouts.front(), 30000u);
}

TEST_F(ServiceLoopTest, ADeviceChangeIsCheckedOnceChangesHaveSettled) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  AddUsbPort(L"USB001");
  AddUsbPort(L"USB002");
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);
  ports_.set_error = 5;  // every move fails, so each check tries it: the tries count the checks
  ScriptedSignals signals({ServiceWake::kChanged, ServiceWake::kChanged, ServiceWake::kTimeout});
  ServiceOptions options = Options();
  options.settle_ms = 1500;
  RunPrinterService(machine_, ports_, signals, options);
  // The check at start; the change, its settling (another change, then quiet), one check; the stop.
  EXPECT_EQ(signals.timeouts, (std::vector<uint32_t>{30000, 1500, 1500, 30000}));
  EXPECT_EQ(ports_.set_calls, 2);
}

TEST_F(ServiceLoopTest, AStopFromAnotherThreadEndsTheRunWithoutKillingIt) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  EventSignals signals;
  ServiceOptions options = Options();
  options.poll_ms = 3600000;  // only the stop can end the wait
  std::thread run([&] { RunPrinterService(machine_, ports_, signals, options); });
  signals.Changed();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto asked = std::chrono::steady_clock::now();
  signals.Stop();
  run.join();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(5));
  EXPECT_EQ(Count(Log(), "[EXIT] RunPrinterService - Stopped"), 1);
}

TEST_F(ServiceLoopTest, EventSignalsReportStopChangeAndTimeout) {
  EventSignals signals;
  EXPECT_EQ(signals.Wait(1), ServiceWake::kTimeout);
  signals.Changed();
  signals.Changed();
  EXPECT_EQ(signals.Wait(1000), ServiceWake::kChanged);
  EXPECT_EQ(signals.Wait(1), ServiceWake::kTimeout);  // two changes are one
  signals.Changed();
  signals.Stop();
  EXPECT_EQ(signals.Wait(1000), ServiceWake::kStop);  // a stop outranks a change
  EXPECT_EQ(signals.Wait(1000), ServiceWake::kStop);
}

TEST(ServiceArgsTest, APollIntervalComesFromTheStartArguments) {
  ServiceOptions options;
  EXPECT_TRUE(ParseServiceArgs({}, &options));
  EXPECT_EQ(options.poll_ms, 30000u);
  EXPECT_TRUE(ParseServiceArgs({L"--poll-ms=500"}, &options));
  EXPECT_EQ(options.poll_ms, 500u);
  for (const wchar_t* bad : {L"--poll-ms=", L"--poll-ms=50", L"--poll-ms=12x", L"--poll-ms=-1", L"--fast"}) {
    ServiceOptions kept;
    EXPECT_FALSE(ParseServiceArgs({bad}, &kept)) << bad;
    EXPECT_EQ(kept.poll_ms, 30000u) << bad;
  }
}

}  // namespace
