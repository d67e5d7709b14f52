// The real service control manager (advapi32).
#pragma once

#include "platform/services.h"

namespace platform::win32 {

class Win32Services : public Services {
 public:
  // OpenSCManagerW(NULL, NULL, SC_MANAGER_ALL_ACCESS); the manager's Create asks for
  // SERVICE_ALL_ACCESS and passes empty texts (group, account) as NULL and the dependency list
  // (names separated by NULs) with its closing double NUL.
  std::unique_ptr<ServiceManager> OpenManager() override;
  bool QueryState(const std::wstring& name, uint32_t* state) override;
  // The manager opened only to connect; the service polled every 100 ms (win32_service_removal.cpp).
  bool StopService(const std::wstring& name, uint32_t wait_ms) override;
  bool DeleteService(const std::wstring& name) override;
  bool BinaryPath(const std::wstring& name, std::wstring* out) override;
  bool SetBinaryPath(const std::wstring& name, const std::wstring& command_line) override;
  bool StartByName(const std::wstring& name) override;
};

}  // namespace platform::win32
