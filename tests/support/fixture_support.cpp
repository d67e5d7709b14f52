#include "tests/support/fixture_support.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
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
  std::memset(PaperTable, 0, sizeof(PaperTable));
  InstallTarget = {};
  std::memset(UsbInfo, 0, sizeof(UsbInfo));
  std::memset(UsbMonitor, 0, sizeof(UsbMonitor));
  ClearUsbPortRows();
  ClearAllPorts();
}

std::string ShippedFile(const std::string& name) {
  std::ifstream in(std::string(TAVRO_SOURCE_DIR) + "/data/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace tavro_test
