#include "platform/sim/sim_services.h"

#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_path.h"
#include "text/case_fold.h"

namespace platform::sim {

namespace {

constexpr Hive kHklm = Hive::kLocalMachine;
constexpr RegView kView = RegView::k64;

constexpr uint32_t kInvalidName = 123;
constexpr uint32_t kServiceDoesNotExist = 1060;
constexpr uint32_t kServiceExists = 1073;
constexpr uint32_t kServiceRequestTimeout = 1053;
constexpr uint32_t kServiceMarkedForDelete = 1072;
constexpr uint32_t kDuplicateServiceName = 1078;

std::wstring KeyOf(const std::wstring& name) { return std::wstring(SimServices::kServicesKey) + L"\\" + name; }

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

class SimService : public Service {
 public:
  SimService(SimServices& services, std::wstring name) : services_(services), name_(std::move(name)) {}
  bool SetDescription(const std::wstring& description) override { return services_.Describe(name_, description); }
  bool Start() override { return services_.Start(name_); }

 private:
  SimServices& services_;
  std::wstring name_;
};

class SimServiceManager : public ServiceManager {
 public:
  explicit SimServiceManager(SimServices& services) : services_(services) {}
  std::unique_ptr<Service> Create(const ServiceConfig& config) override {
    if (!services_.Create(config)) return nullptr;
    return std::make_unique<SimService>(services_, config.name);
  }

 private:
  SimServices& services_;
};

// The calls of this service that a test can make fail (SimFaults).
const char* const kFaultNames[] = {
    "ChangeServiceConfig2W", "ChangeServiceConfigW", "ControlService", "CreateServiceW", "DeleteService",
    "OpenSCManagerW", "QueryServiceConfigW", "QueryServiceStatus", "StartServiceW"};
}  // namespace

SimServices::SimServices(SimFaults& faults, SimRegistry& registry, SimFiles& files)
    : faults_(faults), registry_(registry), files_(files) {
  faults_.Declare(kFaultNames);
}

std::unique_ptr<ServiceManager> SimServices::OpenManager() {
  if (faults_.ShouldFail("OpenSCManagerW")) return nullptr;
  SetLastErrorCode(err::kSuccess);
  return std::make_unique<SimServiceManager>(*this);
}

bool SimServices::Exists(const std::wstring& name) {
  std::vector<std::wstring> subkeys;
  return registry_.SubKeys(kHklm, KeyOf(name), kView, &subkeys);
}

bool SimServices::Create(const ServiceConfig& config) {
  if (faults_.ShouldFail("CreateServiceW")) return false;
  if (config.name.empty() || config.name.find_first_of(L"/\\") != std::wstring::npos) return Fail(kInvalidName);
  if (config.binary_path.empty()) return Fail(err::kInvalidParameter);
  if (Exists(config.name)) return Fail(kServiceExists);
  const std::wstring display = config.display_name.empty() ? config.name : config.display_name;
  std::vector<std::wstring> services;
  registry_.SubKeys(kHklm, kServicesKey, kView, &services);
  for (const std::wstring& other : services) {
    RegValue other_display;
    bool has_display = registry_.Get(kHklm, KeyOf(other), L"DisplayName", kView, &other_display);
    if (FoldCase(other) == FoldCase(display) || (has_display && FoldCase(other_display.AsString()) == FoldCase(display)))
      return Fail(kDuplicateServiceName);
  }
  const std::wstring key = KeyOf(config.name);
  registry_.Put(kHklm, key, L"Type", kView, RegValue::Dword(config.service_type));
  registry_.Put(kHklm, key, L"Start", kView, RegValue::Dword(config.start_type));
  registry_.Put(kHklm, key, L"ErrorControl", kView, RegValue::Dword(config.error_control));
  RegValue image = RegValue::Sz(config.binary_path);
  image.type = regtype::kExpandSz;
  registry_.Put(kHklm, key, L"ImagePath", kView, image);
  registry_.Put(kHklm, key, L"DisplayName", kView, RegValue::Sz(display));
  registry_.Put(kHklm, key, L"ObjectName", kView, RegValue::Sz(config.account.empty() ? L"LocalSystem" : config.account));
  if (!config.load_order_group.empty()) registry_.Put(kHklm, key, L"Group", kView, RegValue::Sz(config.load_order_group));
  if (!config.dependencies.empty()) {
    // CreateServiceW's list: names separated by NULs.
    std::vector<std::wstring> names;
    size_t pos = 0;
    while (pos < config.dependencies.size()) {
      size_t end = config.dependencies.find(L'\0', pos);
      if (end == std::wstring::npos) end = config.dependencies.size();
      if (end > pos) names.push_back(config.dependencies.substr(pos, end - pos));
      pos = end + 1;
    }
    registry_.Put(kHklm, key, L"DependOnService", kView, RegValue::MultiSz(names));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.erase(FoldCase(config.name));  // a service made anew has not run yet
  }
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimServices::Describe(const std::wstring& name, const std::wstring& description) {
  if (faults_.ShouldFail("ChangeServiceConfig2W")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  registry_.Put(kHklm, KeyOf(name), L"Description", kView, RegValue::Sz(description));
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimServices::BinaryExists(const std::wstring& command_line) {
  auto is_file = [this](const std::wstring& path) {
    if (files_.Kind(path) == PathKind::kFile) return true;
    return path.find(L'.', path.find_last_of(L'\\') + 1) == std::wstring::npos &&
           files_.Kind(path + L".exe") == PathKind::kFile;
  };
  if (!command_line.empty() && command_line[0] == L'"') {
    size_t close = command_line.find(L'"', 1);
    return is_file(command_line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  }
  for (size_t space = command_line.find(L' '); space != std::wstring::npos; space = command_line.find(L' ', space + 1)) {
    if (is_file(command_line.substr(0, space))) return true;
  }
  return is_file(command_line);
}

bool SimServices::Start(const std::wstring& name) {
  if (faults_.ShouldFail("StartServiceW")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_.count(FoldCase(name)) != 0) return Fail(err::kServiceAlreadyRunning);
  }
  RegValue image;
  registry_.Get(kHklm, KeyOf(name), L"ImagePath", kView, &image);
  if (!BinaryExists(image.AsString())) return Fail(err::kFileNotFound);
  std::lock_guard<std::mutex> lock(mutex_);
  running_.insert(FoldCase(name));
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimServices::Running(const std::wstring& name) {
  if (!Exists(name)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  return running_.count(FoldCase(name)) != 0;
}

bool SimServices::QueryState(const std::wstring& name, uint32_t* state) {
  if (faults_.ShouldFail("QueryServiceStatus")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  *state = Running(name) ? servicestate::kRunning : servicestate::kStopped;
  SetLastErrorCode(err::kSuccess);
  return true;
}

void SimServices::AddSystemService(const std::wstring& name, const std::wstring& image, bool running) {
  const std::wstring key = KeyOf(name);
  registry_.Put(kHklm, key, L"Type", kView, RegValue::Dword(0x10));  // own process
  registry_.Put(kHklm, key, L"Start", kView, RegValue::Dword(2));    // automatic
  RegValue path = RegValue::Sz(image);
  path.type = regtype::kExpandSz;
  registry_.Put(kHklm, key, L"ImagePath", kView, path);
  std::lock_guard<std::mutex> lock(mutex_);
  if (running) {
    running_.insert(FoldCase(name));
  } else {
    running_.erase(FoldCase(name));
  }
}

void SimServices::Stop(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  running_.erase(FoldCase(name));
}

bool SimServices::StopService(const std::wstring& name, uint32_t) {
  if (faults_.ShouldFail("ControlService")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  bool marked = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (refusing_stop_.count(FoldCase(name)) != 0 && running_.count(FoldCase(name)) != 0) {
      return Fail(kServiceRequestTimeout);
    }
    running_.erase(FoldCase(name));
    RegValue flag;
    marked = registry_.Get(kHklm, KeyOf(name), L"DeleteFlag", kView, &flag) && flag.AsDword() == 1;
  }
  if (marked) registry_.Erase(kHklm, KeyOf(name), kView);  // a service marked for deletion goes now
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimServices::DeleteService(const std::wstring& name) {
  if (faults_.ShouldFail("DeleteService")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  RegValue flag;
  if (registry_.Get(kHklm, KeyOf(name), L"DeleteFlag", kView, &flag) && flag.AsDword() == 1) {
    return Fail(kServiceMarkedForDelete);
  }
  if (Running(name)) {
    registry_.Put(kHklm, KeyOf(name), L"DeleteFlag", kView, RegValue::Dword(1));
  } else {
    registry_.Erase(kHklm, KeyOf(name), kView);
  }
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimServices::BinaryPath(const std::wstring& name, std::wstring* out) {
  if (faults_.ShouldFail("QueryServiceConfigW")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  RegValue image;
  *out = registry_.Get(kHklm, KeyOf(name), L"ImagePath", kView, &image) ? image.AsString() : std::wstring();
  SetLastErrorCode(err::kSuccess);
  return true;
}

bool SimServices::SetBinaryPath(const std::wstring& name, const std::wstring& command_line) {
  if (faults_.ShouldFail("ChangeServiceConfigW")) return false;
  if (!Exists(name)) return Fail(kServiceDoesNotExist);
  RegValue image = RegValue::Sz(command_line);
  image.type = regtype::kExpandSz;
  registry_.Put(kHklm, KeyOf(name), L"ImagePath", kView, image);
  SetLastErrorCode(err::kSuccess);
  return true;
}

void SimServices::RefuseStop(const std::wstring& name, bool refuses) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (refuses) {
    refusing_stop_.insert(FoldCase(name));
  } else {
    refusing_stop_.erase(FoldCase(name));
  }
}

}  // namespace platform::sim
