#include "tests/unit/install/install_fixture.h"

#include <cstring>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/text_fit.h"
#include "log/log.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "tests/support/fixture_support.h"
#include "text/fixed_field.h"

namespace install_test {

int FakeHost::ExtractPayload() {
  ++extract_calls;
  for (const auto& [name, content] : payload) machine->files().PutFile(folder + L"\\" + name, content);
  return extract_code;
}

namespace {

class SpyPrinterHandle : public platform::PrinterHandle {
 public:
  SpyPrinterHandle(std::unique_ptr<platform::PrinterHandle> real, std::wstring printer, SpySpooler* spy)
      : real_(std::move(real)), printer_(std::move(printer)), spy_(spy) {}
  uint32_t SetData(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) override {
    spy_->data.push_back({printer_, name, type, data});
    return real_->SetData(name, type, data);
  }
  const void* LogHandle() const override { return real_->LogHandle(); }
  bool GetInfo2(platform::PrinterInfo2* out) override { return real_->GetInfo2(out); }
  bool SetPort(const std::wstring& port) override { return real_->SetPort(port); }
  bool Purge() override { return real_->Purge(); }
  bool Delete() override { return real_->Delete(); }

 private:
  std::unique_ptr<platform::PrinterHandle> real_;
  std::wstring printer_;
  SpySpooler* spy_;
};

class SpyService : public platform::Service {
 public:
  SpyService(std::unique_ptr<platform::Service> real, SpyServices* spy) : real_(std::move(real)), spy_(spy) {}
  bool SetDescription(const std::wstring& description) override {
    spy_->descriptions.push_back(description);
    return real_->SetDescription(description);
  }
  bool Start() override {
    ++spy_->starts;
    return real_->Start();
  }

 private:
  std::unique_ptr<platform::Service> real_;
  SpyServices* spy_;
};

class SpyManager : public platform::ServiceManager {
 public:
  SpyManager(std::unique_ptr<platform::ServiceManager> real, SpyServices* spy) : real_(std::move(real)), spy_(spy) {}
  std::unique_ptr<platform::Service> Create(const platform::ServiceConfig& config) override {
    ++spy_->create_calls;
    std::unique_ptr<platform::Service> service = real_->Create(config);
    if (!service) return nullptr;
    spy_->created.push_back(config);
    return std::make_unique<SpyService>(std::move(service), spy_);
  }

 private:
  std::unique_ptr<platform::ServiceManager> real_;
  SpyServices* spy_;
};

}  // namespace

bool SpySpooler::DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) {
  return real_.DriverDirectoryW(environment, buffer_bytes, out);
}
bool SpySpooler::DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) {
  return real_.DriverDirectoryA(environment, buffer_bytes, out);
}
bool SpySpooler::AddPrinterDriver(const platform::DriverInfo& driver) {
  drivers.push_back(driver);
  return real_.AddPrinterDriver(driver);
}
std::unique_ptr<platform::PrinterHandle> SpySpooler::AddPrinter(const platform::PrinterInfo2& printer) {
  printers.push_back(printer);
  std::unique_ptr<platform::PrinterHandle> handle = real_.AddPrinter(printer);
  if (!handle) return nullptr;
  return std::make_unique<SpyPrinterHandle>(std::move(handle), printer.printer_name, this);
}
bool SpySpooler::EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) {
  enum_printer_flags.push_back(flags);
  if (!real_.EnumPrinters(flags, names, bytes_needed)) return false;
  names->insert(names->end(), connections.begin(), connections.end());
  return true;
}
bool SpySpooler::AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) {
  bool ok = real_.AddMonitor(name, environment, dll);
  monitors.push_back({name, environment, dll, ok});
  return ok;
}
bool SpySpooler::AddPortEx(const std::wstring& monitor, const std::wstring& port) {
  bool ok = real_.AddPortEx(monitor, port);
  port_adds.push_back({monitor, port, ok});
  return ok;
}
bool SpySpooler::SetDefaultPrinter(const std::wstring& name) {
  defaults.push_back(name);
  return real_.SetDefaultPrinter(name);
}
bool SpySpooler::EnumPorts(std::vector<platform::PortInfo>* out) { return real_.EnumPorts(out); }

std::unique_ptr<platform::ServiceManager> SpyServices::OpenManager() {
  ++opened;
  std::unique_ptr<platform::ServiceManager> manager = real_.OpenManager();
  if (!manager) return nullptr;
  return std::make_unique<SpyManager>(std::move(manager), this);
}

void HookClock::Sleep(uint32_t milliseconds) {
  real_.Sleep(milliseconds);
  sleeps.push_back(milliseconds);
  if (after_sleep) after_sleep(static_cast<int>(sleeps.size()));
}

SpyMachine::SpyMachine(platform::sim::SimMachine& sim)
    : sim_(sim), spooler_(base().spooler()), services_(base().services()), clock_(base().clock()) {}

void InstallTest::SetUp() {
  tavro_test::BindLog(&sim_);
  // The tables are process-wide; each test starts from the zeroed state of a fresh process.
  tavro_test::ResetSharedTables();
  ResetInstallTexts();
  ApplyInstallTextDefaults();
  language_ = kLanguageEnglish;
  SetAppLanguageSource(&language_);
  host_.machine = &sim_;
  sim_.files().MakeFolders(host_.folder);
  // Every Windows has the version-3 folders of its driver directories.
  platform::Spooler& spooler = static_cast<platform::Machine&>(sim_).spooler();
  for (const wchar_t* environment : {L"", platform::kEnvironmentX64}) {
    std::wstring dir;
    if (spooler.DriverDirectoryW(environment, 256, &dir)) sim_.files().MakeFolders(dir + L"\\3");
  }
}

void InstallTest::TearDown() {
  tavro_test::BindLog(nullptr);
  SetAppLanguageSource(nullptr);
}

std::string InstallTest::LogText() { return tavro_test::ReadLog(sim_); }

::testing::AssertionResult InstallTest::LogInOrder(const std::vector<std::string>& needles) {
  return tavro_test::InOrder(LogText(), needles);
}

void InstallTest::ArrangeModel() {
  ModelRecord& m = PrinterInfo[0];
  CopyToFieldAtBoundary(m.MODEL, kModelNameChars, L"R710");
  CopyToFieldAtBoundary(m.VidAndPid, kModelNameChars, L"VID_0483&PID_5740");
  CopyToFieldAtBoundary(m.DefaultCommand, kModelShortChars, L"TSPL");
  CopyToFieldAtBoundary(m.Paper, kModelPaperChars, L"PaperSize.json");
  m.DPI = 203;
  m.PrinterWidth = 576;
  InstallTarget.ModelIndex = 1;
}

void InstallTest::ArrangeTarget(const std::wstring& printer_name, const std::wstring& port) {
  CopyToFieldAtBoundary(InstallTarget.PrinterName, kInstallTargetChars, printer_name);
  CopyToFieldAtBoundary(InstallTarget.FileStem, kInstallTargetChars, printer_name);
  CopyToFieldAtBoundary(InstallTarget.DriverName, kInstallTargetChars, printer_name + L" Driver");
  CopyToFieldAtBoundary(InstallTarget.MonitorName, kInstallTargetChars, L"USB Printer Monitor");
  CopyToFieldAtBoundary(InstallTarget.PortName, kInstallTargetChars, port);
}

void InstallTest::ArrangePort(const std::wstring& monitor, const std::wstring& port) {
  platform::Registry& registry = sim_.registry();
  if (monitor == L"Local Port") {
    registry.SetValue(platform::Hive::kLocalMachine, kLocalPortsKey, port, platform::RegView::kDefault,
                      platform::RegValue::Sz(L""));
  } else {
    registry.CreateKey(platform::Hive::kLocalMachine,
                       std::wstring(kMonitorsKey) + L"\\" + monitor + L"\\Ports\\" + port, platform::RegView::kDefault);
  }
}

void InstallTest::ArrangePrinter(const std::wstring& name) {
  platform::Spooler& spooler = static_cast<platform::Machine&>(sim_).spooler();
  for (const wchar_t* environment : {platform::kEnvironmentX64, platform::kEnvironmentX86}) {
    PlaceDriverFiles(environment, {L"OldDrv.dll", L"OldGPC.pcd", L"OldUI.dll"});
  }
  platform::DriverInfo driver;
  driver.name = L"Old Driver";
  driver.environment = platform::kEnvironmentX64;
  driver.driver_path = L"OldDrv.dll";
  driver.data_file = L"OldGPC.pcd";
  driver.config_file = L"OldUI.dll";
  ASSERT_TRUE(spooler.AddPrinterDriver(driver));
  driver.environment = platform::kEnvironmentX86;
  ASSERT_TRUE(spooler.AddPrinterDriver(driver));
  platform::PrinterInfo2 printer;
  printer.printer_name = name;
  printer.share_name = name;
  printer.port_name = L"LPT1:";
  printer.driver_name = L"Old Driver";
  printer.print_processor = L"WinPrint";
  printer.datatype = L"RAW";
  ASSERT_NE(spooler.AddPrinter(printer), nullptr) << "printer " << testing::PrintToString(name);
}

void InstallTest::ArrangePayloadFiles() {
  for (const char* name : {"tavroui.dll", "tavrodrv.dll", "tavromon.exe", "tavropop.exe"}) {
    std::wstring wide(name, name + std::strlen(name));
    sim_.files().PutFile(host_.folder + L"\\" + wide, "x86 " + std::string(name));
    sim_.files().PutFile(host_.folder + L"\\" + wide + L".x64", "x64 " + std::string(name));
  }
}

void InstallTest::ArrangeGpcFile(const std::wstring& stem) {
  sim_.files().PutFile(sim_.codepage().FromAnsi(DriverDirectory()) + L"\\" + stem + L"GPC.pcd", "GPC");
}

void InstallTest::ArrangeMonitorDlls(bool x64) {
  const wchar_t* suffix = x64 ? L".x64" : L"";
  sim_.files().PutFile(host_.folder + L"\\tavrolm.dll" + suffix, "monitor");
  sim_.files().PutFile(host_.folder + L"\\tavrolmui.dll" + suffix, "monitor ui");
}

std::string InstallTest::DriverDirectory() {
  platform::Machine& machine = sim_;
  std::string dir;
  EXPECT_TRUE(machine.spooler().DriverDirectoryA(machine.system().IsWow64() ? "Windows x64" : "", 256, &dir));
  return dir;
}

std::wstring InstallTest::DriverDirectoryOf(const std::wstring& environment) {
  std::wstring dir;
  EXPECT_TRUE(static_cast<platform::Machine&>(sim_).spooler().DriverDirectoryW(environment, 256, &dir));
  return dir;
}

void InstallTest::PlaceDriverFiles(const std::wstring& environment, const std::vector<std::wstring>& names) {
  const std::wstring dir = DriverDirectoryOf(environment);
  for (const std::wstring& name : names) sim_.files().PutFile(dir + L"\\" + name, "driver file");
}

bool InstallTest::Exists(const std::string& ansi_path) {
  return sim_.files().Stat(ansi_path) == platform::PathKind::kFile;
}

std::string InstallTest::ReadA(const std::string& ansi_path) {
  std::unique_ptr<platform::File> file = sim_.files().Open(ansi_path, "rb");
  if (!file) return std::string();
  std::string bytes;
  char buffer[4096];
  for (size_t n; (n = file->Read(buffer, sizeof(buffer))) > 0;) bytes.append(buffer, n);
  return bytes;
}

platform::RegValue InstallTest::Value(const std::wstring& key, const std::wstring& name, platform::RegView view) {
  platform::RegValue value;
  sim_.registry().QueryValue(platform::Hive::kLocalMachine, key, name, view, &value);
  return value;
}

bool InstallTest::HasValue(const std::wstring& key, const std::wstring& name, platform::RegView view) {
  platform::RegValue value;
  return sim_.registry().QueryValue(platform::Hive::kLocalMachine, key, name, view, &value);
}

std::vector<std::wstring> InstallTest::Printers() {
  std::vector<std::wstring> names;
  uint32_t needed = 0;
  static_cast<platform::Machine&>(sim_).spooler().EnumPrinters(6, &names, &needed);
  return names;
}

std::vector<std::wstring> InstallTest::Ports() {
  std::vector<platform::PortInfo> ports;
  static_cast<platform::Machine&>(sim_).spooler().EnumPorts(&ports);
  std::vector<std::wstring> names;
  for (const auto& p : ports) names.push_back(p.name);
  return names;
}

std::vector<uint8_t> SzBytes(const std::wstring& text) { return platform::RegValue::Sz(text).data; }
std::vector<uint8_t> DwordBytes(uint32_t value) { return platform::RegValue::Dword(value).data; }

}  // namespace install_test
