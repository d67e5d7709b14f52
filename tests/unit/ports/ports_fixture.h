// A simulated machine bound to the log facility, with an empty catalog and empty port tables,
// for the port list tests; the day's log is read back as text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/sim/sim_machine.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "tests/support/fixture_support.h"

namespace portstest {

using tavro_test::CountOf;

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class PortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tavro_test::BindLog(&machine_);
    tavro_test::ResetSharedTables();
  }
  void TearDown() override { tavro_test::BindLog(nullptr); }

  void AddModel(const wchar_t* model, const wchar_t* recognize = L"") {
    int i = CountCatalogModels();
    std::wcsncpy(PrinterInfo[i].MODEL, model, kModelNameChars - 1);
    std::wcsncpy(PrinterInfo[i].RecognizeName, recognize, kModelNameChars - 1);
  }

  // The day's log file as the facility wrote it, with LF line ends.
  std::string Log() { return tavro_test::ReadLog(machine_); }

  platform::sim::SimMachine machine_;
};

}  // namespace portstest
