#include "tests/support/log_capture.h"

#include <cstring>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"

namespace tavro_test {

void BindLog(platform::sim::SimMachine* machine) {
  LogStop();
  LogAttachMachine(machine);
}

std::string ReadLog(platform::sim::SimMachine& machine, bool lf_only) {
  LogFlush();
  char path[600] = {};
  if (GetLogFilePath(path, sizeof(path)) != 0) return std::string();
  std::string bytes = machine.files().FileBytes(machine.codepage().FromAnsi(path));
  if (!lf_only) return bytes;
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  return text;
}

int CountOf(const std::string& text, const std::string& part) {
  if (part.empty()) return 0;
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& needles) {
  size_t at = 0;
  for (const std::string& needle : needles) {
    at = text.find(needle, at);
    if (at == std::string::npos) {
      return ::testing::AssertionFailure() << "missing or out of order: \"" << needle << "\"\n" << text;
    }
    at += needle.size();
  }
  return ::testing::AssertionSuccess();
}

void ResetSharedTables() {
  std::memset(PrinterInfo, 0, sizeof(PrinterInfo));
  std::memset(UsbInfo, 0, sizeof(UsbInfo));
  std::memset(UsbMonitor, 0, sizeof(UsbMonitor));
  ClearUsbPortRows();
  ClearAllPorts();
}

}  // namespace tavro_test
