// Stopping, deleting, moving and starting a service through the real service control manager.
#include <windows.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_services.h"

namespace platform::win32 {

namespace {

constexpr DWORD kPollMs = 100;

unique_schandle OpenNamed(const std::wstring& name, DWORD access) {
  unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return unique_schandle();
  return unique_schandle(::OpenServiceW(manager.get(), name.c_str(), access));
}

}  // namespace

bool Win32Services::StopService(const std::wstring& name, uint32_t wait_ms) {
  unique_schandle service = OpenNamed(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return false;
  SERVICE_STATUS status = {};
  if (!::QueryServiceStatus(service.get(), &status)) return false;
  if (status.dwCurrentState == SERVICE_STOPPED) {
    ::SetLastError(ERROR_SUCCESS);
    return true;
  }
  if (!::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) &&
      ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
    return false;
  }
  for (uint32_t waited = 0;; waited += kPollMs) {
    if (!::QueryServiceStatus(service.get(), &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) {
      ::SetLastError(ERROR_SUCCESS);
      return true;
    }
    if (waited >= wait_ms) break;
    ::Sleep(kPollMs);
  }
  ::SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
  return false;
}

bool Win32Services::DeleteService(const std::wstring& name) {
  unique_schandle service = OpenNamed(name, DELETE);
  if (!service) return false;
  return ::DeleteService(service.get()) != FALSE;
}

bool Win32Services::BinaryPath(const std::wstring& name, std::wstring* out) {
  unique_schandle service = OpenNamed(name, SERVICE_QUERY_CONFIG);
  if (!service) return false;
  DWORD needed = 0;
  ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return false;
  std::vector<BYTE> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!::QueryServiceConfigW(service.get(), config, needed, &needed)) return false;
  *out = config->lpBinaryPathName != nullptr ? config->lpBinaryPathName : L"";
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

bool Win32Services::SetBinaryPath(const std::wstring& name, const std::wstring& command_line) {
  unique_schandle service = OpenNamed(name, SERVICE_CHANGE_CONFIG);
  if (!service) return false;
  return ::ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                command_line.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr) != FALSE;
}

bool Win32Services::StartByName(const std::wstring& name) {
  unique_schandle service = OpenNamed(name, SERVICE_START);
  if (!service) return false;
  return ::StartServiceW(service.get(), 0, nullptr) != FALSE;
}

}  // namespace platform::win32
