// The service control manager: the background service the installer registers and starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// SERVICE_STATUS.dwCurrentState values.
namespace servicestate {
constexpr uint32_t kStopped = 1;
constexpr uint32_t kStartPending = 2;
constexpr uint32_t kRunning = 4;
}  // namespace servicestate

// CreateServiceW's arguments as the installer fills them.
struct ServiceConfig {
  std::wstring name;
  std::wstring display_name;
  uint32_t service_type = 0;   // SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS = 0x110
  uint32_t start_type = 0;     // SERVICE_AUTO_START = 2
  uint32_t error_control = 0;  // SERVICE_ERROR_NORMAL = 1
  std::wstring binary_path;
  std::wstring load_order_group;  // empty: none
  std::wstring dependencies;      // empty list
  std::wstring account;           // empty: LocalSystem
};

// An open service; the destructor closes its handle (CloseServiceHandle).
class Service {
 public:
  virtual ~Service() = default;
  // ChangeServiceConfig2W with SERVICE_CONFIG_DESCRIPTION.
  virtual bool SetDescription(const std::wstring& description) = 0;
  // StartServiceW with no arguments (2 when the binary is missing, 1056 when it runs already).
  virtual bool Start() = 0;
};

// An open service control manager; the destructor closes it.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // CreateServiceW with full access: null with the code (1073 when the service exists).
  virtual std::unique_ptr<Service> Create(const ServiceConfig& config) = 0;
};

class Services {
 public:
  virtual ~Services() = default;
  // OpenSCManagerW of the local machine with full access; null with the code.
  virtual std::unique_ptr<ServiceManager> OpenManager() = 0;
  // The named service's current state (servicestate values), asked with the least rights: the
  // manager opened only to connect, the service only to query its status. False with the code
  // (1060 when there is no such service).
  virtual bool QueryState(const std::wstring& name, uint32_t* state) = 0;
  // Asks the named service to stop (ControlService SERVICE_CONTROL_STOP, the service opened with
  // SERVICE_STOP | SERVICE_QUERY_STATUS) and waits up to `wait_ms` for it to report stopped. True
  // once it is stopped, also when it was not running; false with the code (1060 when there is no
  // such service, 1053 when it did not stop in time).
  virtual bool StopService(const std::wstring& name, uint32_t wait_ms) = 0;
  // DeleteService (opened with DELETE): the service is marked for deletion and goes once it has
  // stopped and no one holds it open. False with the code (1060 when there is no such service,
  // 1072 when it is marked already).
  virtual bool DeleteService(const std::wstring& name) = 0;
  // QueryServiceConfigW: the named service's command line (its binary path as registered). False
  // with the code (1060 when there is no such service).
  virtual bool BinaryPath(const std::wstring& name, std::wstring* out) = 0;
  // ChangeServiceConfigW with only the binary path changed: the service's next start runs
  // `command_line`. False with the code (1060 when there is no such service).
  virtual bool SetBinaryPath(const std::wstring& name, const std::wstring& command_line) = 0;
  // StartServiceW of the named service with no arguments. False with the code (1060, 1056 when it
  // runs already, 2 when its binary is missing).
  virtual bool StartByName(const std::wstring& name) = 0;
};

}  // namespace platform
