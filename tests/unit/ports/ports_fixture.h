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

namespace portstest {

inline int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class PortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogStop();
    LogAttachMachine(&machine_);
    std::memset(PrinterInfo, 0, sizeof(PrinterInfo));
    std::memset(UsbInfo, 0, sizeof(UsbInfo));
    std::memset(UsbMonitor, 0, sizeof(UsbMonitor));
    ClearUsbPortRows();
    ClearAllPorts();
  }
  void TearDown() override {
    LogStop();
    LogAttachMachine(nullptr);
  }

  void AddModel(const wchar_t* model, const wchar_t* recognize = L"") {
    int i = CountCatalogModels();
    std::wcsncpy(PrinterInfo[i].MODEL, model, kModelNameChars - 1);
    std::wcsncpy(PrinterInfo[i].RecognizeName, recognize, kModelNameChars - 1);
  }

  // The day's log file as the facility wrote it, with LF line ends.
  std::string Log() {
    LogFlush();
    char path[600] = {};
    if (GetLogFilePath(path, sizeof(path)) != 0) return "";
    auto file = machine_.files().Open(path, "rb");
    if (!file) return "";
    std::string text;
    char buffer[4096];
    for (size_t n; (n = file->Read(buffer, sizeof(buffer))) > 0;) text.append(buffer, n);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  platform::sim::SimMachine machine_;
};

}  // namespace portstest
