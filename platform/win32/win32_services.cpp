#include "platform/win32/win32_services.h"

#include <windows.h>
// winsvc.h maps these names to their W functions.
#undef CreateService
#undef StartService

#include <vector>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

class Win32Service : public Service {
 public:
  explicit Win32Service(unique_schandle service) : service_(std::move(service)) {}

  bool SetDescription(const std::wstring& description) override {
    SERVICE_DESCRIPTIONW info = {const_cast<LPWSTR>(description.c_str())};
    return ::ChangeServiceConfig2W(service_.get(), SERVICE_CONFIG_DESCRIPTION, &info) != FALSE;
  }

  bool Start() override { return ::StartServiceW(service_.get(), 0, nullptr) != FALSE; }

 private:
  unique_schandle service_;
};

class Win32ServiceManager : public ServiceManager {
 public:
  explicit Win32ServiceManager(unique_schandle manager) : manager_(std::move(manager)) {}

  std::unique_ptr<Service> Create(const ServiceConfig& config) override {
    std::vector<wchar_t> dependencies(config.dependencies.begin(), config.dependencies.end());
    dependencies.push_back(L'\0');
    dependencies.push_back(L'\0');
    unique_schandle service(::CreateServiceW(
        manager_.get(), config.name.c_str(), config.display_name.c_str(), SERVICE_ALL_ACCESS, config.service_type,
        config.start_type, config.error_control, config.binary_path.c_str(),
        config.load_order_group.empty() ? nullptr : config.load_order_group.c_str(), nullptr, dependencies.data(),
        config.account.empty() ? nullptr : config.account.c_str(), nullptr));
    if (!service) return nullptr;
    return std::make_unique<Win32Service>(std::move(service));
  }

 private:
  unique_schandle manager_;
};

}  // namespace

std::unique_ptr<ServiceManager> Win32Services::OpenManager() {
  unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return nullptr;
  return std::make_unique<Win32ServiceManager>(std::move(manager));
}

bool Win32Services::QueryState(const std::wstring& name, uint32_t* state) {
  unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  unique_schandle service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  if (!service) return false;
  SERVICE_STATUS status = {};
  if (!::QueryServiceStatus(service.get(), &status)) return false;
  *state = status.dwCurrentState;
  return true;
}

}  // namespace platform::win32
