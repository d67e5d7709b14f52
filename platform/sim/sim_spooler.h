// The simulated machine's print spooler. Its ports live in the simulated registry where Windows
// keeps them, so that a port written there by anyone shows in EnumPorts:
//   - the "Local Port" monitor's ports (COM1:, LPT1:, FILE: ...) are the value names of
//     HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports (shared by both views), in value
//     order, reported with the monitor name "Local Monitor", description "Local Port" and
//     PORT_TYPE_WRITE, as Wine's local spooler reports them;
//   - every other monitor's ports are the subkeys of
//     HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\<monitor>\Ports, listed after the
//     local ones, monitor by monitor in key order, with the name the monitor reports for itself
//     (its key name; the Standard TCP/IP Port monitor reports "TCPMON.DLL", as Windows' tcpmon
//     does), the port key's "Description" value (else the monitor's usual description) and
//     PORT_TYPE_WRITE | READ. The USB Monitor's port keys also hold the "Device Path" of the
//     printer they serve.
// A new machine has the monitors "Local Port", "Standard TCP/IP Port", "USB Monitor" and
// "WSD Port" (each key with its "Driver") and the local ports of a fresh Windows 10.
//
// Drivers, printers and the default printer live where Windows keeps them (all HKLM paths below
// SYSTEM\CurrentControlSet\Control\Print, shared by both views):
//   - a driver registers per environment, under Environments\<env>\Drivers\Version-3\<name>
//     ("Driver", "Data File", "Configuration File", "Version" 3 ...); AddPrinterDriver replaces
//     a driver of the same name. A bare file name of the record must lie in the driver directory
//     of the driver's environment (or its "3" folder), a full path must name a file: else 2, as
//     on Windows (Wine does not check);
//   - a printer is the key Printers\<name> with its PRINTER_INFO_2 values and the subkeys
//     "PrinterDriverData" (SetData, and the dialog's own registry writes), "DsDriver" and
//     "DsSpooler"; EnumPrinters lists these keys (and, for connections, the keys of
//     HKCU\Printers\Connections, ",,server,share" read as \\server\share);
//   - the user's default printer is HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows
//     "Device" = "<name>,winspool,<port>".
// The environments are those of the machine: the server's own is "Windows x64" on 64-bit Windows
// and "Windows NT x86" on 32-bit Windows; the caller's (an empty environment) is "Windows NT x86"
// for the 32-bit installer under WOW64. AddPrinter takes the driver of the server's environment,
// AddMonitor only the server's environment (its DLL in the native System32); the driver directory
// of an environment is <Windows>\system32\spool\drivers\<w32x86|x64|...>.
//
// Fault names: "EnumPortsW", "GetPrinterDriverDirectoryW", "GetPrinterDriverDirectoryA",
// "AddPrinterDriverW", "AddPrinterW", "SetPrinterDataW", "EnumPrintersW", "AddMonitorW",
// "AddPortExW", "SetDefaultPrinterW", "AddPortW", "ConfigurePortW", "DeletePortW", "OpenPrinterW",
// "GetPrinterW", "SetPrinterW" (SetPort and Purge), "DeletePrinter".
//
// Print jobs are arranged by the tests (QueueJobs); a printer with jobs that DeletePrinter takes
// stays, marked pending deletion, until its jobs are finished (FinishJobs) or purged.
//
// The monitors' own dialogs (AddPortW, ConfigurePortW) are played by a scripted user: each
// answer a test queues is taken by the next dialog of any monitor; a dialog without an answer is
// cancelled (1223). Only "Local Port" and "Standard TCP/IP Port" have dialogs; other monitors,
// unknown monitors and ports nobody serves answer 50, as on Windows.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system_info.h"
#include "platform/spooler.h"

namespace platform::sim {

class SimSpooler : public Spooler {
 public:
  static constexpr const wchar_t* kPortsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
  static constexpr const wchar_t* kMonitorsKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
  static constexpr const wchar_t* kLocalPortMonitor = L"Local Port";
  static constexpr const wchar_t* kUsbMonitor = L"USB Monitor";
  static constexpr const wchar_t* kTcpIpMonitor = L"Standard TCP/IP Port";

  SimSpooler(SimFaults& faults, SimRegistry& registry, SimFiles& files, SimSystemInfo& system,
             SimCodePage& codepage);

  bool EnumPorts(std::vector<PortInfo>* out) override;

  // Installation (sim_spooler_install.cpp).
  static constexpr const wchar_t* kPrintKey = L"SYSTEM\\CurrentControlSet\\Control\\Print";
  static constexpr const wchar_t* kPrintersKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
  static constexpr const wchar_t* kWindowsKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  // 1805 for an unknown environment, 122 when the folder does not fit.
  bool DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) override;
  bool DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) override;
  // 87 without a name or a driver file, 1805 for an unknown environment, 2 for a file of the
  // record that is not in the environment's driver directory.
  bool AddPrinterDriver(const DriverInfo& driver) override;
  // Refused in this order: 1801 for an empty name or one with ',' or '\\', 1802 for a name in
  // use (whatever its case), 1798 for a print processor other than WinPrint, 1804 for an unknown
  // data type, 1796 for a port EnumPorts does not list (each of a comma-separated list; also an
  // empty one), 1797 for a driver not registered for the server's environment.
  std::unique_ptr<PrinterHandle> AddPrinter(const PrinterInfo2& printer) override;
  // `bytes_needed`: a PRINTER_INFO_2W of a 32-bit process (84 bytes) and its strings per
  // printer; 0 when there are none.
  bool EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) override;
  // 87 without a name or a DLL, 1805 for an environment other than the server's, 3006, 126.
  bool AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) override;
  // 87 for an empty port, an unknown monitor or a port some monitor has already.
  bool AddPortEx(const std::wstring& monitor, const std::wstring& port) override;
  // 1801 for a printer that does not exist; an empty name picks the first printer (1801 when
  // there is none).
  bool SetDefaultPrinter(const std::wstring& name) override;

  // Reading back: the registry key of a printer (below HKLM) and of a driver of an environment.
  static std::wstring PrinterKey(const std::wstring& printer);
  static std::wstring DriverKey(const std::wstring& environment, const std::wstring& driver);
  // The environment the server itself runs ("Windows x64" on 64-bit Windows).
  std::wstring ServerEnvironment();
  // ---- The monitors' dialogs (sim_spooler_dialogs.cpp) ----
  bool AddPortUI(DialogControls* owner, const std::wstring& monitor) override;
  bool ConfigurePort(DialogControls* owner, const std::wstring& port) override;
  bool DeletePort(DialogControls* owner, const std::wstring& port) override;
  // Fault name "XcvDataW". 1801 when the Standard TCP/IP Port monitor is not installed; 87 for an
  // empty name or host, a name of 64 characters or more or a host of 49 or more (PORT_DATA_1's
  // fields); 183 for a port some monitor has. The port key gets "HostName", "PortNumber" and
  // "Protocol" 1 (raw), as tcpmon keeps them.
  bool AddStandardTcpIpPort(const std::wstring& port, const std::wstring& host, uint32_t port_number) override;

  // What the user does in the next monitor dialog: OK with the port name typed into an add-port
  // wizard (ignored by a configuration dialog), or Cancel.
  struct PortDialogAnswer {
    bool ok = false;
    std::wstring port;
  };
  void AnswerPortDialog(const PortDialogAnswer& answer) { answers_.push_back(answer); }
  // One dialog shown: "AddPortW" or "ConfigurePortW", the monitor or port it was for, its owner.
  struct PortDialogRun {
    std::string call;
    std::wstring target;
    const DialogControls* owner = nullptr;
  };
  const std::vector<PortDialogRun>& PortDialogRuns() const { return runs_; }
  // ---- end of the monitors' dialogs ----
  // ---- Printers by name (sim_spooler_printers.cpp) ----
  // 1801 for a printer that does not exist (whatever the case of the name).
  std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name, uint32_t access) override;
  bool EnumPrinters2(std::vector<PrinterInfo2>* out) override;
  // Arranging: `count` more jobs queued on the printer; FinishJobs prints them all, and removes
  // the printer when DeletePrinter had marked it.
  void QueueJobs(const std::wstring& printer, uint32_t count);
  void FinishJobs(const std::wstring& printer);
  // The jobs queued on a printer (0 for an unknown one).
  uint32_t Jobs(const std::wstring& printer) const;
  // ---- end of printers by name ----
  // Removal (sim_spooler_removal.cpp): "DeletePrinterDriverExW", "DeleteMonitorW" fail by name.
  // A driver is in use (2001) when a printer names it and it is of the server's environment; its
  // unused files go from the environment's driver directory and its "3" folder.
  bool DeletePrinterDriverEx(const std::wstring& name, const std::wstring& environment, uint32_t flags,
                             uint32_t version) override;
  bool DeleteMonitor(const std::wstring& name, const std::wstring& environment) override;

  // Arranging. Installs a monitor: its key under Monitors with "Driver" = `driver`.
  void AddMonitor(const std::wstring& monitor, const std::wstring& driver);
  // Adds a port on an installed monitor: on "Local Port" a value of the Ports key (data ""),
  // else a key under the monitor's Ports with "Description" when one is given. False (and
  // nothing written) when the monitor is not installed.
  bool AddPort(const std::wstring& monitor, const std::wstring& port, const std::wstring& description = L"");
  // A USB Monitor port serving the printer whose device path is given ("Device Path" value).
  bool AddUsbPort(const std::wstring& port, const std::wstring& device_path);
  // Removes a port from whichever monitor has it; false when none has.
  bool RemovePort(const std::wstring& port);

 private:
  // EnumPorts' list, for the spooler's own checks (no fault, no call counted).
  void ListPorts(std::vector<PortInfo>* out);
  // The environment's registry name, "" when unknown; an empty environment is the caller's.
  std::wstring Environment(const std::wstring& environment);
  std::wstring DriverFolder(const std::wstring& environment);
  bool PortListed(const std::wstring& port);
  // A driver record's file where the spooler looks for it (sim_spooler.h, drivers).
  bool DriverFilePresent(const std::wstring& environment, const std::wstring& file);
  // The installed monitor with this name (case ignored), or empty.
  std::wstring InstalledMonitor(const std::wstring& monitor);
  // The monitor that serves a port ("Local Port" for the Ports key's values), or empty.
  std::wstring MonitorOfPort(const std::wstring& port);
  // A handle on an existing printer (its key's name) with `access`.
  std::unique_ptr<PrinterHandle> MakeHandle(const std::wstring& printer, uint32_t access);
  // The printer's key name as the registry has it (case as created), or empty when none.
  std::wstring PrinterKeyName(const std::wstring& printer);
  // The printer's level-2 record from its key; false when the key is gone.
  bool ReadPrinter(const std::wstring& printer, PrinterInfo2* out);
  // Drops the printer's key (and its jobs); the user's default printer entry naming it goes too.
  void ErasePrinter(const std::wstring& printer);
  friend class SimPrinterHandle;
  // EnumPrinters2's list, for the spooler's own checks (no fault, no call counted).
  void ListPrinters(std::vector<PrinterInfo2>* out);
  // Whether another driver of `environment` than `driver` names `file` in its record.
  bool FileOfAnotherDriver(const std::wstring& environment, const std::wstring& driver, const std::wstring& file);

  SimFaults& faults_;
  SimRegistry& registry_;
  SimFiles& files_;
  SimSystemInfo& system_;
  SimCodePage& codepage_;
  std::deque<PortDialogAnswer> answers_;
  std::vector<PortDialogRun> runs_;
  std::map<std::wstring, uint32_t> jobs_;  // by FoldCase(printer name)
};

}  // namespace platform::sim
