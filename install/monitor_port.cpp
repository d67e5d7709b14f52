#include "install/monitor_port.h"

#include <vector>

#include "install/install_target.h"
#include "log/log.h"
#include "platform/codepage.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/spooler.h"

namespace {
constexpr uint32_t kMonitorAlreadyInstalled = 3006;  // ERROR_PRINTER_MONITOR_ALREADY_INSTALLED
constexpr uint32_t kModNotFound = 126;               // ERROR_MOD_NOT_FOUND
}  // namespace

bool IsPortValid(platform::Machine& machine, const std::wstring& port) {
  std::vector<platform::PortInfo> ports;
  if (!machine.spooler().EnumPorts(&ports)) return false;
  for (const platform::PortInfo& listed : ports) {
    if (listed.name == port) return true;
    // The name without its colon is compared whole, however long it is.
    const std::wstring& name = listed.name;
    if (name.size() > 1 && name.back() == L':' && name.compare(0, name.size() - 1, port) == 0) return true;
  }
  return false;
}

bool AddPrinterMonitor(platform::Machine& machine, const std::wstring& dll) {
  const wchar_t* monitor = InstallTarget.MonitorName;
  const wchar_t* environment = platform::kEnvironmentX86;
  LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__, "[ENTRY] AddPrinterMonitor - pszMonitorName=%ws\n",
           dll.c_str());
  LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__,
           "[INFO] AddPrinterMonitor - pName=%ws, pDLLName=%ws, pEnvironment=%ws\n", monitor, dll.c_str(),
           environment);
  if (machine.spooler().AddMonitor(monitor, environment, dll)) {
    LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__, "[EXIT] AddPrinterMonitor - Success\n");
    return true;
  }
  uint32_t code = platform::LastErrorCode();
  if (code == kMonitorAlreadyInstalled) {
    LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__,
             "[INFO] AddPrinterMonitor - Monitor already exists (ERROR_PRINTER_MONITOR_ALREADY_INSTALLED)\n");
    return true;
  }
  LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__, "[ERROR] AddPrinterMonitor - AddMonitor failed, Error=%d\r\n",
           static_cast<int>(code));
  if (code == kModNotFound) {
    LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__,
             "[ERROR] AddPrinterMonitor - Error 126: The specified module could not be found. DLL=%ws\n", dll.c_str());
  } else if (code == platform::err::kFileNotFound) {
    LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__,
             "[ERROR] AddPrinterMonitor - Error 2: The system cannot find the file specified.\n");
  } else if (code == platform::err::kAccessDenied) {
    LogPrint(kLogUnitInstall, "AddPrinterMonitor", __LINE__, "[ERROR] AddPrinterMonitor - Error 5: Access is denied.\n");
  }
  platform::SetLastErrorCode(code);
  return false;
}

bool AddPortW(platform::Machine& machine) {
  if (machine.spooler().AddPortEx(InstallTarget.MonitorName, InstallTarget.PortName)) return true;
  uint32_t code = platform::LastErrorCode();
  // The line prints the port name as 8-bit text.
  std::string port = machine.codepage().ToAnsi(InstallTarget.PortName);
  LogPrint(kLogUnitInstall, "AddPortW", __LINE__, "AddPortEx = %d PortName=%s\r\n", static_cast<int>(code),
           port.c_str());
  platform::SetLastErrorCode(code);
  return false;
}
