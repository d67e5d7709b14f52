// Spooler: printers by name. Opening one, its level-2 record, the local list with ports and
// drivers, moving it to another port, purging its queue and deleting it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_info.h"
#include "tests/contract/contract_backend.h"

namespace {

using platform::PrinterInfo2;

const wchar_t kDriver[] = L"Tavro Contract Printers Driver";
const wchar_t kPrinter[] = L"Tavro Contract Printers Printer";
const wchar_t* const kDriverFiles[] = {L"ContractPDrv.dll", L"ContractPGPC.pcd", L"ContractPUI.dll"};

class SpoolerPrintersContract : public ::testing::Test {
 protected:
  platform::Machine& m() { return contract::TheMachine(); }
  platform::Spooler& spooler() { return m().spooler(); }

  // A driver for both environments: Wine's in-process spooler takes the caller's, Windows the
  // server's.
  void RegisterDriver() {
    for (const wchar_t* environment : {platform::kEnvironmentX86, platform::kEnvironmentX64}) {
      std::wstring dir;
      ASSERT_TRUE(spooler().DriverDirectoryW(environment, 256, &dir)) << platform::LastErrorCode();
      for (const wchar_t* name : kDriverFiles) {
        std::unique_ptr<platform::File> file = m().files().OpenW(dir + L"\\" + name, "wb");
        ASSERT_NE(file, nullptr) << platform::LastErrorCode();
        ASSERT_EQ(file->Write("x", 1), 1u);
      }
      platform::DriverInfo driver;
      driver.name = kDriver;
      driver.environment = environment;
      driver.driver_path = kDriverFiles[0];
      driver.data_file = kDriverFiles[1];
      driver.config_file = kDriverFiles[2];
      ASSERT_TRUE(spooler().AddPrinterDriver(driver)) << platform::LastErrorCode();
    }
  }

  void AddPrinter(const std::wstring& port) {
    PrinterInfo2 printer;
    printer.printer_name = kPrinter;
    printer.share_name = kPrinter;
    printer.port_name = port;
    printer.driver_name = kDriver;
    printer.print_processor = L"WinPrint";
    printer.datatype = L"RAW";
    ASSERT_NE(spooler().AddPrinter(printer), nullptr) << platform::LastErrorCode();
  }

  // The local list's record of the printer, or false.
  bool Listed(PrinterInfo2* out) {
    std::vector<PrinterInfo2> printers;
    EXPECT_TRUE(spooler().EnumPrinters2(&printers)) << platform::LastErrorCode();
    auto found = std::find_if(printers.begin(), printers.end(),
                              [](const PrinterInfo2& p) { return p.printer_name == kPrinter; });
    if (found == printers.end()) return false;
    *out = *found;
    return true;
  }

  void CleanUp() {
    contract::RemovePrinter(kPrinter);
    for (const wchar_t* environment : {platform::kEnvironmentX86, platform::kEnvironmentX64}) {
      contract::RemovePrinterDriver(kDriver, environment);
      std::wstring dir;
      if (!spooler().DriverDirectoryW(environment, 256, &dir)) continue;
      for (const wchar_t* name : kDriverFiles) m().files().Remove(dir + L"\\" + name);
    }
  }
  void SetUp() override { CleanUp(); }
  void TearDown() override { CleanUp(); }
};

TEST_F(SpoolerPrintersContract, AnUnknownPrinterDoesNotOpen) {
  EXPECT_EQ(spooler().OpenPrinter(L"Tavro No Such Printer", platform::kPrinterAccessUse), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1801u);
  PrinterInfo2 record;
  EXPECT_FALSE(Listed(&record));
}

TEST_F(SpoolerPrintersContract, AnOpenedPrinterReadsItsRecordAsTheListHasIt) {
  RegisterDriver();
  AddPrinter(L"LPT1:");
  std::unique_ptr<platform::PrinterHandle> printer = spooler().OpenPrinter(kPrinter, platform::kPrinterAccessUse);
  ASSERT_NE(printer, nullptr) << platform::LastErrorCode();
  PrinterInfo2 info;
  ASSERT_TRUE(printer->GetInfo2(&info)) << platform::LastErrorCode();
  EXPECT_EQ(info.printer_name, kPrinter);
  EXPECT_EQ(info.port_name, L"LPT1:");
  EXPECT_EQ(info.driver_name, kDriver);
  EXPECT_EQ(info.jobs, 0u);

  PrinterInfo2 listed;
  ASSERT_TRUE(Listed(&listed));
  EXPECT_EQ(listed.port_name, L"LPT1:");
  EXPECT_EQ(listed.driver_name, kDriver);
}

TEST_F(SpoolerPrintersContract, APrinterMovesToAnotherListedPort) {
  RegisterDriver();
  AddPrinter(L"LPT1:");
  std::unique_ptr<platform::PrinterHandle> printer = spooler().OpenPrinter(kPrinter, platform::kPrinterAllAccess);
  ASSERT_NE(printer, nullptr) << platform::LastErrorCode();
  ASSERT_TRUE(printer->SetPort(L"COM1:")) << platform::LastErrorCode();
  PrinterInfo2 info;
  ASSERT_TRUE(printer->GetInfo2(&info));
  EXPECT_EQ(info.port_name, L"COM1:");
  // The rest of the record stays as it was.
  EXPECT_EQ(info.driver_name, kDriver);
  EXPECT_EQ(info.print_processor, L"WinPrint");
  PrinterInfo2 listed;
  ASSERT_TRUE(Listed(&listed));
  EXPECT_EQ(listed.port_name, L"COM1:");

  const bool moved_to_nowhere = printer->SetPort(L"TAVRONOPORT9:");
  if (contract::RunsOnWine()) return;  // Wine: SetPrinterW does not look the port up
  EXPECT_FALSE(moved_to_nowhere);
  EXPECT_EQ(platform::LastErrorCode(), 1796u);
}

TEST_F(SpoolerPrintersContract, APurgedPrinterIsDeletedAndGone) {
  RegisterDriver();
  AddPrinter(L"LPT1:");
  std::unique_ptr<platform::PrinterHandle> reader = spooler().OpenPrinter(kPrinter, platform::kPrinterAccessUse);
  ASSERT_NE(reader, nullptr);
  // Deleting needs the right to.
  const bool deleted_by_reader = reader->Delete();
  if (!contract::RunsOnWine()) {  // Wine: a handle's rights are not checked
    EXPECT_FALSE(deleted_by_reader);
    EXPECT_EQ(platform::LastErrorCode(), 5u);
  }
  reader.reset();
  if (deleted_by_reader) AddPrinter(L"LPT1:");

  std::unique_ptr<platform::PrinterHandle> printer = spooler().OpenPrinter(kPrinter, platform::kPrinterAllAccess);
  ASSERT_NE(printer, nullptr) << platform::LastErrorCode();
  const bool purged = printer->Purge();
  if (contract::RunsOnWine()) {  // Wine: SetPrinterW has no PRINTER_CONTROL_PURGE (124)
    EXPECT_FALSE(purged);
    EXPECT_EQ(platform::LastErrorCode(), 124u);
  } else {
    EXPECT_TRUE(purged) << platform::LastErrorCode();
  }
  ASSERT_TRUE(printer->Delete()) << platform::LastErrorCode();
  printer.reset();
  PrinterInfo2 listed;
  EXPECT_FALSE(Listed(&listed));
  EXPECT_EQ(spooler().OpenPrinter(kPrinter, platform::kPrinterAccessUse), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1801u);
}

// A driver goes once no printer uses it, for one environment at a time.
TEST_F(SpoolerPrintersContract, ADriverInUseStaysUntilItsPrinterIsGone) {
  RegisterDriver();
  AddPrinter(L"LPT1:");
  const std::wstring server =
      m().system().NativeInfo().processor_architecture == 9 ? platform::kEnvironmentX64 : platform::kEnvironmentX86;
  // Wine: DeletePrinterDriverExW refuses every deletion flag with 87 (the uninstaller asks again
  // without them), and answers 2 for a driver it does not have.
  const uint32_t flags =
      contract::RunsOnWine() ? 0 : platform::kDeleteUnusedFiles | platform::kDeleteSpecificVersion;
  if (contract::RunsOnWine()) {
    EXPECT_FALSE(spooler().DeletePrinterDriverEx(kDriver, server, platform::kDeleteUnusedFiles, 3));
    EXPECT_EQ(platform::LastErrorCode(), 87u);
  }
  const bool deleted_in_use = spooler().DeletePrinterDriverEx(kDriver, server, flags, 3);
  if (!contract::RunsOnWine()) {  // Wine: a driver in use is deleted all the same
    EXPECT_FALSE(deleted_in_use);
    EXPECT_EQ(platform::LastErrorCode(), 2001u);
  }
  contract::RemovePrinter(kPrinter);
  for (const wchar_t* environment : {platform::kEnvironmentX86, platform::kEnvironmentX64}) {
    if (deleted_in_use && environment == server) continue;
    EXPECT_TRUE(spooler().DeletePrinterDriverEx(kDriver, environment, flags, 3)) << platform::LastErrorCode();
    const std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") + environment +
                             L"\\Drivers\\Version-3\\" + kDriver;
    EXPECT_FALSE(m().registry().KeyExists(platform::Hive::kLocalMachine, key, platform::RegView::k64));
  }
  EXPECT_FALSE(spooler().DeletePrinterDriverEx(kDriver, server, flags, 3));
  EXPECT_EQ(platform::LastErrorCode(), contract::RunsOnWine() ? 2u : 1797u);
  EXPECT_FALSE(spooler().DeletePrinterDriverEx(kDriver, L"Windows Bogus", flags, 3));
  EXPECT_EQ(platform::LastErrorCode(), 1805u);
}

TEST_F(SpoolerPrintersContract, AnUnknownMonitorIsNotDeleted) {
  EXPECT_FALSE(spooler().DeleteMonitor(L"Tavro No Such Monitor", L""));
  EXPECT_EQ(platform::LastErrorCode(), 3000u);
}

}  // namespace
