// A simulated machine for the service: the log bound to it under the service's own file stem
// without banner, the catalog's TR-80 and TL-241, spooler USB ports, product keys as an
// installation writes them, and the spooler's printers in a PrinterPorts of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "service/printer_ports.h"
#include "tests/support/fixture_support.h"

namespace servicetest {

// How often `part` occurs in `text`.
inline int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

constexpr const wchar_t* kServiceLog = L"C:\\Windows\\Temp\\TavroPrint\\Log\\TavroPrintService_2026_12_07.log";

// The spooler's printers, as a test arranges them; SetPort can be told to fail.
class FakePrinterPorts : public PrinterPorts {
 public:
  bool List(std::vector<SpooledPrinter>* out) override {
    if (list_error != 0) {
      platform::SetLastErrorCode(list_error);
      return false;
    }
    *out = printers;
    return true;
  }
  bool SetPort(const std::wstring& name, const std::wstring& port) override {
    ++set_calls;
    if (set_error != 0) {
      platform::SetLastErrorCode(set_error);
      return false;
    }
    for (SpooledPrinter& printer : printers) {
      if (printer.name == name) {
        printer.port = port;
        return true;
      }
    }
    platform::SetLastErrorCode(1801);
    return false;
  }
  std::wstring PortOf(const std::wstring& name) const {
    for (const SpooledPrinter& printer : printers) {
      if (printer.name == name) return printer.port;
    }
    return L"";
  }

  std::vector<SpooledPrinter> printers;
  uint32_t list_error = 0;
  uint32_t set_error = 0;
  int set_calls = 0;
};

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogStop();
    LogSetFileStem("TavroPrintService");
    LogSetBanner(false);
    LogAttachMachine(&machine_);
    tavro_test::ResetSharedTables();
    machine_.files().PutFile(kCatalog,
                             R"([{"MODEL":"Tavro TR-80","RecognizeName":"TR-80"},)"
                             R"({"MODEL":"Tavro TL-241","RecognizeName":"TL-241"}])");
  }
  void TearDown() override {
    tavro_test::BindLog(nullptr);
    LogSetFileStem("TavroPrintInstall");
    LogSetBanner(true);
  }

  // An installation's traces: the product key and the spooler's printer with our driver.
  void InstallPrinter(const std::wstring& name, const std::wstring& port) {
    const std::wstring key = L"SOFTWARE\\" + name;
    auto& reg = machine_.registry();
    ASSERT_TRUE(reg.CreateKey(platform::Hive::kLocalMachine, key, platform::RegView::k64));
    for (auto [value, data] : {std::pair<const wchar_t*, std::wstring>{L"PrinterName", name},
                               {L"PortName", port},
                               {L"PrinterDriver", name + L" Driver"}}) {
      ASSERT_TRUE(reg.SetValue(platform::Hive::kLocalMachine, key, value, platform::RegView::k64,
                               platform::RegValue::Sz(data)));
    }
    ports_.printers.push_back({name, port, name + L" Driver"});
  }
  void AddUsbPort(const std::wstring& port) { ASSERT_TRUE(machine_.spooler().AddPort(platform::sim::SimSpooler::kUsbMonitor, port)); }

  std::string Log() { return tavro_test::ReadLog(machine_); }
  static int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

  static constexpr const wchar_t* kCatalog = L"C:\\Program Files (x86)\\USB Printer\\Tavro TR-80\\Modules.json";
  platform::sim::SimMachine machine_;
  FakePrinterPorts ports_;
};

}  // namespace servicetest
