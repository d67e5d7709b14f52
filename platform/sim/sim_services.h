// The simulated service control manager. Services live where Windows keeps them, in
// HKLM\SYSTEM\CurrentControlSet\Services\<name> ("Type", "Start", "ErrorControl", "ImagePath"
// as REG_EXPAND_SZ, "DisplayName", "ObjectName", "Group" and "DependOnService" when given,
// "Description"), so that a key removed there is a service gone. Which services run is the
// manager's own state. The manager runs natively: the binary path is looked up without WOW64
// redirection; an unquoted path with spaces is read as Windows reads a command line (the
// shortest prefix that names a file, then the whole).
//
// Fault names: "OpenSCManagerW", "CreateServiceW", "ChangeServiceConfig2W", "StartServiceW",
// "ControlService" (StopService), "DeleteService", "QueryServiceConfigW", "ChangeServiceConfigW".
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/services.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"

namespace platform::sim {

class SimServices : public Services {
 public:
  static constexpr const wchar_t* kServicesKey = L"SYSTEM\\CurrentControlSet\\Services";

  SimServices(SimFaults& faults, SimRegistry& registry, SimFiles& files);

  std::unique_ptr<ServiceManager> OpenManager() override;
  // QueryServiceStatus ("QueryServiceStatus" fails by name): running or stopped; 1060 for a
  // service that does not exist.
  bool QueryState(const std::wstring& name, uint32_t* state) override;
  // A running service stops at once unless the test made it refuse (1053); `wait_ms` is not
  // waited. DeleteService of a running service marks it ("DeleteFlag" = 1 in its key): it goes
  // when it stops; a stopped one's key goes at once; a marked one answers 1072.
  bool StopService(const std::wstring& name, uint32_t wait_ms) override;
  bool DeleteService(const std::wstring& name) override;
  // "QueryServiceConfigW", "ChangeServiceConfigW" fail by name; the path is the key's "ImagePath".
  bool BinaryPath(const std::wstring& name, std::wstring* out) override;
  bool SetBinaryPath(const std::wstring& name, const std::wstring& command_line) override;
  bool StartByName(const std::wstring& name) override { return Start(name); }
  // Set-up: the service ignores stop requests (`refuses`), as a hung one does.
  void RefuseStop(const std::wstring& name, bool refuses);

  // Reading back: whether the named service was started and runs.
  bool Running(const std::wstring& name);
  // Set-up: a service of Windows' own, registered under `image` and running (`running`) or not.
  void AddSystemService(const std::wstring& name, const std::wstring& image, bool running);
  // Stops a running service, as "net stop" does (the state only).
  void Stop(const std::wstring& name);

  // For the manager's objects: CreateServiceW (123 for a name with '/' or '\', 87 without a
  // binary, 1073 for a name in use, 1078 for a display name in use), ChangeServiceConfig2W and
  // StartServiceW (1060 for a service gone, 1056 when it runs, 2 when the binary is missing).
  bool Create(const ServiceConfig& config);
  bool Describe(const std::wstring& name, const std::wstring& description);
  bool Start(const std::wstring& name);

 private:
  bool Exists(const std::wstring& name);
  bool BinaryExists(const std::wstring& command_line);

  SimFaults& faults_;
  SimRegistry& registry_;
  SimFiles& files_;
  std::mutex mutex_;
  std::set<std::wstring> running_;  // upper-cased names
  std::set<std::wstring> refusing_stop_;  // upper-cased names
};

}  // namespace platform::sim
