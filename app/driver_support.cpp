#include "app/driver_support.h"

#include "install/install_texts.h"
#include "log/log.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace {

constexpr const char* kFn = "CheckDriverSupport";
constexpr const wchar_t* kWppPolicyKey = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
constexpr const wchar_t* kWppValues[] = {L"WindowsProtectedPrintGroupPolicyState", L"WindowsProtectedPrintMode"};

}  // namespace

DriverSupport CheckDriverSupport(platform::Machine& machine) {
  for (const wchar_t* name : kWppValues) {
    platform::RegValue value;
    if (machine.registry().QueryValue(platform::Hive::kLocalMachine, kWppPolicyKey, name, platform::RegView::k64,
                                      &value) &&
        value.type == platform::regtype::kDword && value.AsDword() == 1) {
      LogPrint(kLogUnitInstall, kFn, __LINE__,
               "[ERROR] CheckDriverSupport - Windows protected print mode is on (%ws=1): no third-party printer "
               "driver can be installed, Error=%d\n",
               name, 1633);
      return DriverSupport::kProtectedPrint;
    }
  }
  uint16_t native = platform::machinetype::kUnknown;
  if (!machine.system().NativeMachine(&native)) {
    LogPrint(kLogUnitInstall, kFn, __LINE__, "[WARN] CheckDriverSupport - Native machine unknown, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
    return DriverSupport::kSupported;
  }
  LogPrint(kLogUnitInstall, kFn, __LINE__, "[INFO] CheckDriverSupport - Native machine 0x%04X\n",
           static_cast<unsigned>(native));
  // The payload's drivers are built for x86 and x64 only.
  if (native == platform::machinetype::kArm64) {
    LogPrint(kLogUnitInstall, kFn, __LINE__,
             "[ERROR] CheckDriverSupport - ARM64 Windows: the payload carries no ARM64 printer driver, Error=%d\n",
             1633);
    return DriverSupport::kArm64;
  }
  return DriverSupport::kSupported;
}

const wchar_t* DriverSupportText(DriverSupport support, int language) {
  if (support == DriverSupport::kProtectedPrint) {
    return TextFor(language,
                   L"Windows protected print mode is turned on. In this mode Windows accepts no printer drivers "
                   L"from printer makers, so this printer driver cannot be installed. Nothing was changed.",
                   L"Windows 受保护的打印模式已开启。此模式下 Windows 不接受打印机厂商的驱动程序，"
                   L"因此无法安装此打印机驱动。未做任何更改。",
                   L"Windows 受保護的列印模式已開啟。此模式下 Windows 不接受印表機廠商的驅動程式，"
                   L"因此無法安裝此印表機驅動。未做任何變更。");
  }
  return TextFor(language,
                 L"This is Windows on ARM. This installer carries printer drivers for x86 and x64 Windows only, "
                 L"so the printer driver cannot be installed here. Nothing was changed.",
                 L"这是 ARM 版 Windows。本安装程序只带有 x86 和 x64 Windows 的打印机驱动，"
                 L"因此无法在此安装。未做任何更改。",
                 L"這是 ARM 版 Windows。本安裝程式只帶有 x86 和 x64 Windows 的印表機驅動，"
                 L"因此無法在此安裝。未做任何變更。");
}
