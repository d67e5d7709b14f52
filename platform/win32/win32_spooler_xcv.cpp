// The Standard TCP/IP Port monitor's commands through the spooler's transceive channel (XcvData):
// a port made without the monitor's dialogs.
#include <windows.h>
#include <winspool.h>

#include <cstring>

#include "platform/last_error.h"
#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_spooler.h"

namespace platform::win32 {

namespace {

// tcpxcv.h's PORT_DATA_1 (the Windows SDK's; MinGW-w64 does not carry the header).
constexpr int kMaxPortName = 64;
constexpr int kMaxNetworkName = 49;
constexpr int kMaxSnmpCommunity = 33;
constexpr int kMaxQueueName = 33;
constexpr int kMaxIpAddress = 16;
constexpr DWORD kProtocolRawTcp = 1;
struct PortData1 {
  WCHAR sztPortName[kMaxPortName];
  DWORD dwVersion;
  DWORD dwProtocol;
  DWORD cbSize;
  DWORD dwReserved;
  WCHAR sztHostAddress[kMaxNetworkName];
  WCHAR sztSNMPCommunity[kMaxSnmpCommunity];
  DWORD dwDoubleSpool;
  WCHAR sztQueue[kMaxQueueName];
  WCHAR sztIPAddress[kMaxIpAddress];
  BYTE Reserved[540];
  DWORD dwPortNumber;
  DWORD dwSNMPEnabled;
  DWORD dwSNMPDevIndex;
};
static_assert(sizeof(PortData1) == 964, "PORT_DATA_1 as tcpxcv.h lays it out");

using OpenPrinterFn = BOOL(WINAPI*)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
using XcvDataFn = BOOL(WINAPI*)(HANDLE, PCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD, PDWORD);

}  // namespace

bool Win32Spooler::AddStandardTcpIpPort(const std::wstring& port, const std::wstring& host, uint32_t port_number) {
  if (port.empty() || host.empty() || port.size() >= kMaxPortName || host.size() >= kMaxNetworkName) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return false;
  }
  auto open = WinspoolLibrary().Entry<OpenPrinterFn>("OpenPrinterW");
  auto xcv_data = WinspoolLibrary().Entry<XcvDataFn>("XcvDataW");
  if (open == nullptr || xcv_data == nullptr) {
    SetLastErrorCode(::GetLastError());
    return false;
  }
  wchar_t monitor[] = L",XcvMonitor Standard TCP/IP Port";
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE raw = nullptr;
  if (!open(monitor, &raw, &defaults)) {
    SetLastErrorCode(::GetLastError());
    return false;
  }
  unique_hprinter xcv(raw);

  PortData1 data;
  std::memset(&data, 0, sizeof(data));
  std::memcpy(data.sztPortName, port.c_str(), port.size() * sizeof(WCHAR));
  std::memcpy(data.sztHostAddress, host.c_str(), host.size() * sizeof(WCHAR));
  data.dwVersion = 1;
  data.dwProtocol = kProtocolRawTcp;
  data.cbSize = sizeof(data);
  data.dwPortNumber = port_number;
  std::memcpy(data.sztSNMPCommunity, L"public", sizeof(L"public"));
  data.dwSNMPDevIndex = 1;

  DWORD needed = 0;
  DWORD status = ERROR_SUCCESS;
  if (!xcv_data(xcv.get(), L"AddPort", reinterpret_cast<PBYTE>(&data), sizeof(data), nullptr, 0, &needed,
                &status)) {
    SetLastErrorCode(::GetLastError());
    return false;
  }
  if (status != ERROR_SUCCESS) {
    SetLastErrorCode(status);
    return false;
  }
  return true;
}

}  // namespace platform::win32
