// The simulated spooler's print queue where the contract cases cannot arrange jobs: a printer
// deleted with jobs waits for them, a purged one goes at once, and a deleted default printer is
// no longer the user's default.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

constexpr const wchar_t* kDriver = L"Tavro Driver";
constexpr const wchar_t* kPrinter = L"Tavro Queue";

class SimPrinterQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring dir = sim_.system().WindowsPath() + L"\\system32\\spool\\drivers\\x64";
    for (const wchar_t* name : {L"TavroDrv.dll", L"TavroGPC.pcd", L"TavroUI.dll"}) {
      sim_.files().PutFile(dir + L"\\" + name, "driver file");
    }
    DriverInfo driver;
    driver.name = kDriver;
    driver.environment = kEnvironmentX64;
    driver.driver_path = L"TavroDrv.dll";
    driver.data_file = L"TavroGPC.pcd";
    driver.config_file = L"TavroUI.dll";
    ASSERT_TRUE(sim_.spooler().AddPrinterDriver(driver));
    PrinterInfo2 printer;
    printer.printer_name = kPrinter;
    printer.port_name = L"LPT1:";
    printer.driver_name = kDriver;
    ASSERT_NE(sim_.spooler().AddPrinter(printer), nullptr) << LastErrorCode();
  }
  bool Listed() {
    std::vector<PrinterInfo2> printers;
    EXPECT_TRUE(sim_.spooler().EnumPrinters2(&printers));
    for (const PrinterInfo2& p : printers) {
      if (p.printer_name == kPrinter) return true;
    }
    return false;
  }

  SimMachine sim_;
};

TEST_F(SimPrinterQueue, APrinterDeletedWithJobsWaitsForThem) {
  sim_.spooler().QueueJobs(kPrinter, 2);
  std::unique_ptr<PrinterHandle> printer = sim_.spooler().OpenPrinter(L"TAVRO QUEUE", kPrinterAllAccess);
  ASSERT_NE(printer, nullptr);
  PrinterInfo2 info;
  ASSERT_TRUE(printer->GetInfo2(&info));
  EXPECT_EQ(info.printer_name, kPrinter);  // the name as the spooler has it
  EXPECT_EQ(info.jobs, 2u);

  ASSERT_TRUE(printer->Delete());
  EXPECT_TRUE(Listed());
  ASSERT_TRUE(printer->GetInfo2(&info));
  EXPECT_EQ(info.status & kPrinterStatusPendingDeletion, kPrinterStatusPendingDeletion);
  sim_.spooler().FinishJobs(kPrinter);
  EXPECT_FALSE(Listed());
  EXPECT_FALSE(printer->GetInfo2(&info));
  EXPECT_EQ(LastErrorCode(), 1905u);
}

TEST_F(SimPrinterQueue, APurgedPrinterGoesAtOnceAndTakesTheDefaultWithIt) {
  ASSERT_TRUE(sim_.spooler().SetDefaultPrinter(kPrinter));
  sim_.spooler().QueueJobs(kPrinter, 3);
  std::unique_ptr<PrinterHandle> reader = sim_.spooler().OpenPrinter(kPrinter, kPrinterAccessUse);
  ASSERT_NE(reader, nullptr);
  EXPECT_FALSE(reader->Purge());
  EXPECT_EQ(LastErrorCode(), 5u);
  EXPECT_EQ(sim_.spooler().Jobs(kPrinter), 3u);

  std::unique_ptr<PrinterHandle> printer = sim_.spooler().OpenPrinter(kPrinter, kPrinterAllAccess);
  ASSERT_TRUE(printer->Purge());
  EXPECT_EQ(sim_.spooler().Jobs(kPrinter), 0u);
  ASSERT_TRUE(printer->Delete());
  EXPECT_FALSE(Listed());
  RegValue device;
  EXPECT_FALSE(sim_.registry().Get(Hive::kCurrentUser, SimSpooler::kWindowsKey, L"Device", RegView::kDefault, &device));
}

TEST_F(SimPrinterQueue, FaultsFailTheirCall) {
  sim_.faults().Fail("OpenPrinterW", 1722, 1);
  EXPECT_EQ(sim_.spooler().OpenPrinter(kPrinter, kPrinterAccessUse), nullptr);
  EXPECT_EQ(LastErrorCode(), 1722u);
  std::unique_ptr<PrinterHandle> printer = sim_.spooler().OpenPrinter(kPrinter, kPrinterAllAccess);
  sim_.faults().Fail("DeletePrinter", 5, 1);
  EXPECT_FALSE(printer->Delete());
  EXPECT_TRUE(Listed());
}

}  // namespace
}  // namespace platform::sim
