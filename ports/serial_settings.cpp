#include "ports/serial_settings.h"

#include "log/log.h"
#include "platform/last_error.h"
#include "platform/registry.h"

namespace {
constexpr wchar_t kPortsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr const char* kFn = "SetCommPort";
// RegCreateKeyExW's dispositions.
constexpr unsigned long kCreatedNewKey = 1;
constexpr unsigned long kOpenedExistingKey = 2;
}  // namespace

std::wstring CommSettingsString(int baud_rate, int data_bits, int parity, int stop_bits, int flow_control) {
  // Space parity has a letter of its own in Windows' mode strings; writing "n" for it would
  // silently turn the user's choice into no parity.
  static const wchar_t* const kParity[] = {L"e", L"o", L"n", L"m", L"s"};
  static const wchar_t* const kStop[] = {L"1", L"1.5", L"2"};
  static const wchar_t* const kFlow[] = {L"x", L"p", L""};
  const wchar_t* letter = parity >= 0 && parity <= kParitySpace ? kParity[parity] : L"n";
  const wchar_t* stop = stop_bits >= 0 && stop_bits <= kStopBitsTwo ? kStop[stop_bits] : L"1";
  const wchar_t* flow = flow_control >= 0 && flow_control <= kFlowNone ? kFlow[flow_control] : L"";
  return std::to_wstring(baud_rate) + L"," + letter + L"," + std::to_wstring(data_bits) + L"," + stop +
         L"," + flow;
}

void SetCommPort(platform::Registry& registry, const std::wstring& port, int baud_rate, int data_bits,
                 int parity, int stop_bits, int flow_control) {
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
           "[ENTRY] SetCommPort - Port=%ws, BaudRate=%d, DataBits=%d, Parity=%d, StopBits=%d, "
           "FlowControl=%d\n",
           port.c_str(), baud_rate, data_bits, parity, stop_bits, flow_control);
  std::wstring settings = CommSettingsString(baud_rate, data_bits, parity, stop_bits, flow_control);
  bool existed = registry.KeyExists(platform::Hive::kLocalMachine, kPortsKey, platform::RegView::k64);
  if (!registry.CreateKey(platform::Hive::kLocalMachine, kPortsKey, platform::RegView::k64)) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[ERROR] SetCommPort - RegCreateKeyEx failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
    return;
  }
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
           "[INFO] SetCommPort - Registry key opened/created, dwDisposition=%lu\n",
           existed ? kOpenedExistingKey : kCreatedNewKey);
  if (!registry.SetValue(platform::Hive::kLocalMachine, kPortsKey, port, platform::RegView::k64,
                         platform::RegValue::Sz(settings))) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[ERROR] SetCommPort - RegSetValueEx failed, Error=%d\n",
             static_cast<int>(platform::LastErrorCode()));
  } else {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
             "[INFO] SetCommPort - Port settings saved to registry: %ws=%ws\n", port.c_str(),
             settings.c_str());
  }
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "[EXIT] SetCommPort\n");
}
