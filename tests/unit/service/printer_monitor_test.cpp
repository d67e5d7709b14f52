#include "service/printer_monitor.h"

#include <gtest/gtest.h>

#include "tests/unit/service/service_fixture.h"

namespace {

using servicetest::Count;
using servicetest::ServiceTest;

class PrinterMonitorTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    AddUsbPort(L"USB001");
    AddUsbPort(L"USB002");
    ASSERT_TRUE(monitor_.LoadCatalog(kCatalog));
  }
  PrinterMonitor monitor_{machine_, ports_};
};

TEST_F(PrinterMonitorTest, APrinterPluggedIntoAnotherSocketIsMovedToItsNewPort) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);

  EXPECT_EQ(monitor_.Check(), 1);
  EXPECT_EQ(ports_.PortOf(L"Tavro TR-80"), L"USB002");
  std::string log = Log();
  EXPECT_NE(log.find("[INFO] Check - Moved printer Tavro TR-80 from USB001 to USB002"), std::string::npos) << log;
  // The pairing's own lines stay out of the service's log.
  EXPECT_EQ(log.find("GetAllPortList"), std::string::npos);
  EXPECT_EQ(log.find("GetPrinterOnline"), std::string::npos);

  // Now in place: the watch list says where it is watched now, once; then nothing more.
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(Count(Log(), "Watching 1 USB printer(s): Tavro TR-80 on USB002"), 1);
  int lines = Lines(Log());
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(Lines(Log()), lines);
  EXPECT_EQ(ports_.set_calls, 1);
}

TEST_F(PrinterMonitorTest, APrinterOnItsDevicesPortStaysAndTheLogSaysOnlyWhatItWatches) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB001", 0x4a7f, 0x0080);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(ports_.set_calls, 0);
  std::string log = Log();
  EXPECT_EQ(Lines(log), 2) << log;  // the catalog and the watch list
  EXPECT_NE(log.find("Watching 1 USB printer(s): Tavro TR-80 on USB001"), std::string::npos) << log;
}

TEST_F(PrinterMonitorTest, APrinterWithAnotherDriverIsNotOursAndIsLeftAlone) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  ports_.printers[0].driver = L"Someone Else's Driver";
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(ports_.PortOf(L"Tavro TR-80"), L"USB001");
  std::string log = Log();
  EXPECT_EQ(servicetest::ServiceTest::Lines(log), 3) << log;  // catalog, refusal once, empty watch list
  EXPECT_NE(log.find("Refused: printer Tavro TR-80 is not ours (driver Someone Else's Driver"), std::string::npos);
}

TEST_F(PrinterMonitorTest, APrinterWithoutProductKeyIsNeverTouched) {
  ports_.printers.push_back({L"Tavro TR-80", L"USB001", L"Tavro TR-80 Driver"});
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(ports_.set_calls, 0);
}

TEST_F(PrinterMonitorTest, DeviceGoneAndAmbiguityAreLoggedOnceEach) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(monitor_.Check(), 0);
  AddUsbPort(L"USB003");
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB003", 0x4a7f, 0x0080);
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(monitor_.Check(), 0);
  std::string log = Log();
  EXPECT_EQ(Count(log, "device gone"), 1) << log;
  EXPECT_EQ(Count(log, "ambiguous (2 devices of its model on free ports)"), 1) << log;
  EXPECT_EQ(ports_.PortOf(L"Tavro TR-80"), L"USB001");
}

TEST_F(PrinterMonitorTest, AFailedMoveIsLoggedWithItsCodeAndTriedAgain) {
  InstallPrinter(L"Tavro TR-80", L"USB001");
  machine_.devices().AddUsbPrinter(L"TAVROTR-80_RECEIPT", L"USB002", 0x4a7f, 0x0080);
  ports_.set_error = 5;
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(monitor_.Check(), 0);
  EXPECT_EQ(ports_.set_calls, 2);
  std::string log = Log();
  EXPECT_EQ(Count(log, "[ERROR] Check - Moving printer Tavro TR-80 from USB001 to USB002 failed, Error=5"), 1)
      << log;
  ports_.set_error = 0;
  EXPECT_EQ(monitor_.Check(), 1);
}

TEST_F(PrinterMonitorTest, ModelsAreTakenFromTheLongestCatalogNameThatBeginsThePrinterName) {
  EXPECT_EQ(ModelOfPrinter(L"Tavro TR-80 (copy 1)"), L"Tavro TR-80");
  EXPECT_EQ(ModelOfPrinter(L"tavro tl-241"), L"Tavro TL-241");
  EXPECT_EQ(ModelOfPrinter(L"Other TR-80"), L"");
}

}  // namespace
