// The names under which one installation registers printer, driver, monitor and port, and the
// chosen model: process-wide, filled by the install command before the worker starts and read by
// the engine. The main dialog also keeps ModelIndex current as the model choice changes. Once
// AddPrinterW has succeeded, PrinterName holds the name the printer was added under (the
// registration's own conflict pass may have changed it); FileStem keeps the install command's.
#pragma once

#include <cstdint>

constexpr int kInstallTargetChars = 256;  // each text field, terminator included

struct InstallTargetRecord {
  wchar_t PrinterName[kInstallTargetChars];
  wchar_t DriverName[kInstallTargetChars];
  wchar_t MonitorName[kInstallTargetChars];
  wchar_t PortName[kInstallTargetChars];
  wchar_t FileStem[kInstallTargetChars];
  wchar_t DevicePath[kInstallTargetChars];
  int32_t ModelIndex;  // the model combo box's index: record ModelIndex - 1 of PrinterInfo
};

extern InstallTargetRecord InstallTarget;
