// Shared by the engine's tests: a simulated 64-bit Windows (or 32-bit, on request) seen through a
// machine that records what the engine asked of the spooler, the service manager and the clock
// while every call still runs on the simulation; the dialog's side as a fake host; the
// process-wide tables reset; and the log read back.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/install_host.h"
#include "platform/machine.h"
#include "platform/services.h"
#include "platform/sim/sim_machine.h"
#include "platform/spooler.h"

namespace install_test {

// The dialog as the worker sees it: answers are set by the test; what the worker tells it is kept.
class FakeHost : public InstallHost {
 public:
  std::wstring InstallFolderText() override { return folder; }
  std::wstring ChosenFolderText() override { return chosen_folder; }
  bool HasPayloadInMemory() override { return payload_in_memory; }
  int ExtractPayload() override;
  void SetStatusText(const std::wstring& text) override { status_texts.push_back(text); }
  bool SetDefaultChecked() override { return set_default_checked; }
  void KeepSetDefault(bool set_default) override { kept_set_default.push_back(set_default); }
  bool BluetoothChecked() override { return bluetooth; }
  std::wstring SelectedPortText() override { return selected_port; }
  bool UsbPortChosen() override { return usb_port; }
  void PostInstallFinished(bool success, uint32_t error_code) override {
    posted.push_back({success, error_code});
  }

  struct Posted {
    bool success;
    uint32_t code;
  };

  platform::sim::SimMachine* machine = nullptr;  // where ExtractPayload writes
  std::wstring folder = L"C:\\Program Files (x86)\\TavroPrint\\R710";
  std::wstring chosen_folder = L"C:\\Program Files (x86)\\TavroPrint";
  bool payload_in_memory = true;
  bool set_default_checked = true;
  bool bluetooth = false;
  bool usb_port = false;
  std::wstring selected_port;
  // The files ExtractPayload writes into the folder (name, content), and what it answers.
  std::vector<std::pair<std::wstring, std::string>> payload;
  int extract_code = 0;

  int extract_calls = 0;
  std::vector<std::wstring> status_texts;
  std::vector<bool> kept_set_default;
  std::vector<Posted> posted;
};

// The spooler as the engine uses it, recorded; every call goes on to the simulated spooler.
class SpySpooler : public platform::Spooler {
 public:
  explicit SpySpooler(platform::Spooler& real) : real_(real) {}

  bool DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) override;
  bool DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) override;
  bool AddPrinterDriver(const platform::DriverInfo& driver) override;
  std::unique_ptr<platform::PrinterHandle> AddPrinter(const platform::PrinterInfo2& printer) override;
  bool EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) override;
  bool AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) override;
  bool AddPortEx(const std::wstring& monitor, const std::wstring& port) override;
  bool SetDefaultPrinter(const std::wstring& name) override;
  bool EnumPorts(std::vector<platform::PortInfo>* out) override;
  // The monitors' dialogs are not the engine's: passed on unrecorded.
  bool AddPortUI(platform::DialogControls* owner, const std::wstring& monitor) override {
    return real_.AddPortUI(owner, monitor);
  }
  bool ConfigurePort(platform::DialogControls* owner, const std::wstring& port) override {
    return real_.ConfigurePort(owner, port);
  }
  bool DeletePort(platform::DialogControls* owner, const std::wstring& port) override {
    return real_.DeletePort(owner, port);
  }
  // Printers by name are not the installation's either: passed on unrecorded.
  std::unique_ptr<platform::PrinterHandle> OpenPrinter(const std::wstring& name, uint32_t access) override {
    return real_.OpenPrinter(name, access);
  }
  bool EnumPrinters2(std::vector<platform::PrinterInfo2>* out) override { return real_.EnumPrinters2(out); }
  bool DeletePrinterDriverEx(const std::wstring& name, const std::wstring& environment, uint32_t flags,
                             uint32_t version) override {
    return real_.DeletePrinterDriverEx(name, environment, flags, version);
  }
  bool DeleteMonitor(const std::wstring& name, const std::wstring& environment) override {
    return real_.DeleteMonitor(name, environment);
  }
  bool AddStandardTcpIpPort(const std::wstring& port, const std::wstring& host, uint32_t port_number) override {
    return real_.AddStandardTcpIpPort(port, host, port_number);
  }

  struct Monitor {
    std::wstring name, environment, dll;
    bool ok;
  };
  struct PortAdd {
    std::wstring monitor, port;
    bool ok;
  };
  struct Data {
    std::wstring printer, name;
    uint32_t type;
    std::vector<uint8_t> data;
  };
  std::vector<platform::DriverInfo> drivers;     // every AddPrinterDriver call
  std::vector<platform::PrinterInfo2> printers;  // every AddPrinter call
  std::vector<Monitor> monitors;
  std::vector<PortAdd> port_adds;
  std::vector<std::wstring> defaults;
  std::vector<Data> data;
  std::vector<uint32_t> enum_printer_flags;
  // Names listed after the spooler's own, as printer connections of a print server would be.
  std::vector<std::wstring> connections;

 private:
  platform::Spooler& real_;
};

// The service manager, recorded; calls go on to the simulated one.
class SpyServices : public platform::Services {
 public:
  explicit SpyServices(platform::Services& real) : real_(real) {}
  std::unique_ptr<platform::ServiceManager> OpenManager() override;
  bool QueryState(const std::wstring& name, uint32_t* state) override { return real_.QueryState(name, state); }
  bool StopService(const std::wstring& name, uint32_t wait_ms) override { return real_.StopService(name, wait_ms); }
  bool DeleteService(const std::wstring& name) override { return real_.DeleteService(name); }
  bool BinaryPath(const std::wstring& name, std::wstring* out) override { return real_.BinaryPath(name, out); }
  bool SetBinaryPath(const std::wstring& name, const std::wstring& command_line) override {
    return real_.SetBinaryPath(name, command_line);
  }
  bool StartByName(const std::wstring& name) override { return real_.StartByName(name); }

  int opened = 0;
  std::vector<platform::ServiceConfig> created;  // successful CreateService calls
  int create_calls = 0;
  std::vector<std::wstring> descriptions;
  int starts = 0;

 private:
  platform::Services& real_;
};

// The clock, with a hook after each Sleep (the n-th sleep, counted from 1).
class HookClock : public platform::Clock {
 public:
  explicit HookClock(platform::Clock& real) : real_(real) {}
  platform::LocalTime Now() override { return real_.Now(); }
  void Sleep(uint32_t milliseconds) override;

  std::vector<uint32_t> sleeps;
  std::function<void(int)> after_sleep;

 private:
  platform::Clock& real_;
};

// The simulated machine with the recording spooler, service manager and clock.
class SpyMachine : public platform::Machine {
 public:
  explicit SpyMachine(platform::sim::SimMachine& sim);
  platform::Files& files() override { return base().files(); }
  platform::Clock& clock() override { return clock_; }
  platform::SystemInfo& system() override { return base().system(); }
  platform::Registry& registry() override { return base().registry(); }
  platform::CodePage& codepage() override { return base().codepage(); }
  platform::Shell& shell() override { return base().shell(); }
  platform::Resources& resources() override { return base().resources(); }
  platform::Devices& devices() override { return base().devices(); }
  platform::Spooler& spooler() override { return spooler_; }
  platform::Services& services() override { return services_; }
  platform::Bluetooth& bluetooth() override { return base().bluetooth(); }
  platform::WindowFramework& windows() override { return base().windows(); }

  SpySpooler& spy_spooler() { return spooler_; }
  SpyServices& spy_services() { return services_; }
  HookClock& hook_clock() { return clock_; }

 private:
  platform::Machine& base() { return sim_; }
  platform::sim::SimMachine& sim_;
  SpySpooler spooler_;
  SpyServices services_;
  HookClock clock_;
};

// Where Windows keeps the registry facts the tests arrange and read.
constexpr const wchar_t* kLocalPortsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr const wchar_t* kMonitorsKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
constexpr const wchar_t* kPrintersKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Everything logged so far, line feeds as logged (CR LF read back as LF).
  std::string LogText();
  // True when the needles occur in the log in this order.
  ::testing::AssertionResult LogInOrder(const std::vector<std::string>& needles);

  // The chosen model: record 0 of PrinterInfo ("R710", 203 DPI, 576 dots, VID_0483&PID_5740).
  void ArrangeModel();
  // The names InstallTarget carries after the install command: printer, stem and driver.
  void ArrangeTarget(const std::wstring& printer_name, const std::wstring& port);
  // A port the spooler lists: a value of the Ports key for "Local Port", else a key under the
  // monitor's Ports.
  void ArrangePort(const std::wstring& monitor, const std::wstring& port);
  // A printer already installed (driver "Old Driver" on LPT1:), added through the spooler.
  void ArrangePrinter(const std::wstring& name);
  // The payload's files in the install folder, as extraction leaves them (both architectures).
  void ArrangePayloadFiles();
  // The GPC file the worker writes before the registration, in the registration's driver
  // directory (the spooler finds the driver's data file there).
  void ArrangeGpcFile(const std::wstring& stem);
  // The monitor DLLs that the registration copies into the system directory.
  void ArrangeMonitorDlls(bool x64);
  // The driver directory the registration copies into: "Windows x64"'s under WOW64, else the
  // one the spooler reports to this process.
  std::string DriverDirectory();
  // The driver directory of `environment` ("" for this process's own).
  std::wstring DriverDirectoryOf(const std::wstring& environment);
  // Files of these bare names in the driver directory of `environment`, where the spooler looks
  // for a driver record's files.
  void PlaceDriverFiles(const std::wstring& environment, const std::vector<std::wstring>& names);
  // An 8-bit path as the process sees it: is there a file, and what does it hold ("" if none).
  bool Exists(const std::string& ansi_path);
  std::string ReadA(const std::string& ansi_path);
  // A value under HKLM.
  platform::RegValue Value(const std::wstring& key, const std::wstring& name,
                           platform::RegView view = platform::RegView::kDefault);
  bool HasValue(const std::wstring& key, const std::wstring& name, platform::RegView view = platform::RegView::kDefault);
  // Names of the printers the spooler lists.
  std::vector<std::wstring> Printers();
  // Names of the ports the spooler lists.
  std::vector<std::wstring> Ports();

  platform::sim::SimMachine sim_;
  SpyMachine machine_{sim_};
  FakeHost host_;
  int language_ = 0;
};

// The bytes of a REG_SZ text as RegSetValueExW stores it (UTF-16 LE with its NUL).
std::vector<uint8_t> SzBytes(const std::wstring& text);
std::vector<uint8_t> DwordBytes(uint32_t value);

}  // namespace install_test
