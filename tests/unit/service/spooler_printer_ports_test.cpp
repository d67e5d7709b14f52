// The monitor over the simulated spooler itself: our printer is found by its record and moved
// with SetPrinter level 2.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/spooler.h"
#include "service/printer_monitor.h"
#include "tests/unit/service/service_fixture.h"

namespace {

using servicetest::ServiceTest;

class SpoolerPrinterPortsTest : public ServiceTest {
 protected:
  platform::Spooler& spooler() { return machine_.spooler(); }
  platform::sim::SimSpooler& spooler_sim() { return machine_.spooler(); }

  // The driver "<name> Driver" with its files, and the printer on `port`, as the installer adds them.
  void AddSpooledPrinter(const std::wstring& name, const std::wstring& port) {
    platform::DriverInfo driver;
    driver.version = 3;
    driver.name = name + L" Driver";
    driver.environment = spooler_sim().ServerEnvironment();
    driver.driver_path = L"TavroDrv.dll";
    driver.data_file = L"TavroGPC.pcd";
    driver.config_file = L"TavroUI.dll";
    std::wstring dir;
    ASSERT_TRUE(spooler().DriverDirectoryW(driver.environment, 256, &dir));
    for (const std::wstring& file : {driver.driver_path, driver.data_file, driver.config_file}) {
      machine_.files().PutFile(dir + L"\\" + file, "x");
    }
    ASSERT_TRUE(spooler().AddPrinterDriver(driver)) << platform::LastErrorCode();
    platform::PrinterInfo2 printer;
    printer.printer_name = name;
    printer.port_name = port;
    printer.driver_name = driver.name;
    printer.print_processor = L"WinPrint";
    printer.datatype = L"RAW";
    ASSERT_NE(spooler().AddPrinter(printer), nullptr) << platform::LastErrorCode();
  }
  std::wstring PortOf(const std::wstring& name) {
    std::unique_ptr<platform::PrinterHandle> printer = spooler().OpenPrinter(name, platform::kPrinterAccessUse);
    platform::PrinterInfo2 info;
    return printer && printer->GetInfo2(&info) ? info.port_name : L"";
  }
};

TEST_F(SpoolerPrinterPortsTest, OurPrinterFollowsItsDeviceThroughTheSpooler) {
  AddUsbPort(L"USB001");
  AddUsbPort(L"USB002");
  AddSpooledPrinter(L"Tavro TR-80", L"USB001");
  InstallPrinter(L"Tavro TR-80", L"USB001");  // the product key (the fake's list is not used here)
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);

  std::unique_ptr<PrinterPorts> ports = MakeSpoolerPrinterPorts(spooler());
  PrinterMonitor monitor(machine_, *ports);
  ASSERT_TRUE(monitor.LoadCatalog(kCatalog));
  EXPECT_EQ(monitor.Check(), 1);
  EXPECT_EQ(PortOf(L"Tavro TR-80"), L"USB002");
  EXPECT_EQ(monitor.Check(), 0);
}

TEST_F(SpoolerPrinterPortsTest, AFailingSpoolerIsLoggedOnceAndTouchesNothing) {
  AddUsbPort(L"USB001");
  AddSpooledPrinter(L"Tavro TR-80", L"USB001");
  InstallPrinter(L"Tavro TR-80", L"USB001");
  machine_.faults().Fail("EnumPrintersW", 1722);
  std::unique_ptr<PrinterPorts> ports = MakeSpoolerPrinterPorts(spooler());
  PrinterMonitor monitor(machine_, *ports);
  EXPECT_EQ(monitor.Check(), 0);
  EXPECT_EQ(monitor.Check(), 0);
  EXPECT_EQ(servicetest::Count(Log(), "[ERROR] Check - EnumPrinters failed, Error=1722"), 1) << Log();
}

}  // namespace
