// The print spooler (winspool): what the installer asks of it. Buffers and the "ask for the size,
// then call again" of EnumPortsW stay behind the seam; the logic sees records. Each call leaves
// the failing call's Win32 code as the last error. winspool.h defines EnumPorts, ConfigurePort
// and DeletePort as macros: a file that includes it and calls or defines these methods must
// #undef them first. Its OpenPrinter, DeletePrinterDriverEx, DeleteMonitor and SetPort macros are
// undone here and in the Windows classes' headers, so that every file sees the methods' own names.
#pragma once

#undef OpenPrinter
#undef DeletePrinterDriverEx
#undef DeleteMonitor
#undef SetPort

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class DialogControls;

// PORT_TYPE_* flags of PORT_INFO_2.
namespace porttype {
constexpr uint32_t kWrite = 0x1;
constexpr uint32_t kRead = 0x2;
constexpr uint32_t kRedirected = 0x4;
constexpr uint32_t kNetAttached = 0x8;
}  // namespace porttype

// One PORT_INFO_2 record.
struct PortInfo {
  std::wstring name;         // "COM1:", "USB001", "IP_10.0.0.5" ...
  std::wstring monitor;      // the monitor's name as the port reports it ("Local Monitor" ...)
  std::wstring description;  // may be empty
  uint32_t type = 0;         // porttype flags
  uint32_t reserved = 0;     // PORT_INFO_2.Reserved, copied as the monitor gave it
};

// Environments a driver registers for.
constexpr const wchar_t* kEnvironmentX64 = L"Windows x64";
constexpr const wchar_t* kEnvironmentX86 = L"Windows NT x86";

// EnumPrintersW flags.
constexpr uint32_t kPrinterEnumLocal = 0x2;
constexpr uint32_t kPrinterEnumConnections = 0x4;

// PRINTER_ATTRIBUTE_DEFAULT.
constexpr uint32_t kPrinterAttributeDefault = 0x4;

// A DRIVER_INFO_2 record; the three files are bare names in the driver directory.
struct DriverInfo {
  uint32_t version = 2;
  std::wstring name;
  std::wstring environment;
  std::wstring driver_path;
  std::wstring data_file;
  std::wstring config_file;
};

// A PRINTER_INFO_2 record as the installer fills it (no device mode, no security descriptor).
struct PrinterInfo2 {
  std::wstring printer_name;
  std::wstring share_name;
  std::wstring port_name;
  std::wstring driver_name;
  std::wstring comment;
  std::wstring location;
  std::wstring sep_file;
  std::wstring print_processor;
  std::wstring datatype;
  std::wstring parameters;
  uint32_t attributes = 0;
  uint32_t priority = 0;
  uint32_t default_priority = 0;
  uint32_t start_time = 0;
  uint32_t until_time = 0;
  uint32_t status = 0;
  uint32_t jobs = 0;  // cJobs: the jobs queued, as GetPrinterW and EnumPrintersW report them
};

// Access rights OpenPrinter asks for (PRINTER_ACCESS_USE, PRINTER_ALL_ACCESS).
constexpr uint32_t kPrinterAccessUse = 0x8;
constexpr uint32_t kPrinterAllAccess = 0xF000C;

// DeletePrinterDriverExW flags: DPD_DELETE_UNUSED_FILES, DPD_DELETE_SPECIFIC_VERSION.
constexpr uint32_t kDeleteUnusedFiles = 0x1;
constexpr uint32_t kDeleteSpecificVersion = 0x2;

// PRINTER_STATUS_PENDING_DELETION: DeletePrinter took the printer, its jobs hold it back.
constexpr uint32_t kPrinterStatusPendingDeletion = 0x4;

// An open printer (AddPrinterW's handle); the destructor closes it (ClosePrinter).
class PrinterHandle {
 public:
  virtual ~PrinterHandle() = default;
  // SetPrinterDataW: the value under the printer's "PrinterDriverData" key. Returns the Win32
  // code (0 on success), as the call does.
  virtual uint32_t SetData(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) = 0;
  // The handle's value, for the log only.
  virtual const void* LogHandle() const = 0;
  // GetPrinterW, level 2: the printer's record as the spooler holds it now (its texts, its
  // attributes, status and job count). False with the spooler's code.
  virtual bool GetInfo2(PrinterInfo2* out) = 0;
  // SetPrinterW, level 2, with the printer's own record (as GetInfo2 reads it) and only the port
  // replaced by `port`: 1796 for a port the spooler does not list.
  virtual bool SetPort(const std::wstring& port) = 0;
  // SetPrinterW, level 0, PRINTER_CONTROL_PURGE: every queued job of the printer is dropped.
  // Needs a handle opened with kPrinterAllAccess (5 otherwise).
  virtual bool Purge() = 0;
  // DeletePrinter: the printer goes at once when it has no jobs, else it is marked pending
  // deletion (kPrinterStatusPendingDeletion) and goes with its last job. Needs kPrinterAllAccess
  // (5 otherwise). The handle stays open and is still closed by the destructor.
  virtual bool Delete() = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // GetPrinterDriverDirectoryW/A (local machine, level 1, empty environment: the caller's) into a
  // buffer of `buffer_bytes` bytes: false with 122 when the folder does not fit, or with the
  // spooler's code (1805 for an unknown environment).
  virtual bool DriverDirectoryW(const std::wstring& environment, size_t buffer_bytes, std::wstring* out) = 0;
  virtual bool DriverDirectoryA(const std::string& environment, size_t buffer_bytes, std::string* out) = 0;
  // AddPrinterDriverW, local machine, level 2.
  virtual bool AddPrinterDriver(const DriverInfo& driver) = 0;
  // AddPrinterW, local machine, level 2: the new printer's handle, or null with the code (1802 for
  // a name in use, 1797 for an unknown driver, 1796 for an unknown port).
  virtual std::unique_ptr<PrinterHandle> AddPrinter(const PrinterInfo2& printer) = 0;
  // EnumPrintersW (empty name, level 2) with `flags`: every printer's name, in the spooler's order.
  // `bytes_needed` receives the size the first, bufferless call asked for (0 when it asked for
  // none or failed otherwise), for the log.
  virtual bool EnumPrinters(uint32_t flags, std::vector<std::wstring>* names, uint32_t* bytes_needed) = 0;
  // AddMonitorW, local machine, level 2: 3006 when a monitor of that name exists, 126 when the
  // DLL is not in the system directory, 1805 for an environment other than the server's own (a
  // monitor loads into the spooler; empty: the caller's, "Windows NT x86" under WOW64).
  virtual bool AddMonitor(const std::wstring& name, const std::wstring& environment, const std::wstring& dll) = 0;
  // "AddPortExW" looked up at run time in "winspool.drv" and called for the local machine, level
  // 1, on `monitor`: false with 126 or 127 when the library or the entry is missing, or with the
  // spooler's code (87 for a port that exists or a monitor that does not).
  virtual bool AddPortEx(const std::wstring& monitor, const std::wstring& port) = 0;
  // Makes the named printer the user's default printer (SetDefaultPrinterW): 1801 when there is
  // no printer of that name.
  virtual bool SetDefaultPrinter(const std::wstring& name) = 0;
  // EnumPortsW (local server, level 2): every port in the spooler's order. True with an empty
  // list when there are none; false with the code of the failing call (8 when the buffer could
  // not be allocated).
  virtual bool EnumPorts(std::vector<PortInfo>* out) = 0;
  // The port monitors' own dialogs, owned by the dialog `owner` (may be null): AddPortW runs the
  // add-port wizard of `monitor` ("Standard TCP/IP Port"), ConfigurePortW the configuration of
  // `port`'s monitor. False with the code (1223 when the user cancels, 50 for a monitor or port
  // nobody serves). DeletePortW removes the port from its monitor (50 when nobody has it).
  virtual bool AddPortUI(DialogControls* owner, const std::wstring& monitor) = 0;
  virtual bool ConfigurePort(DialogControls* owner, const std::wstring& port) = 0;
  virtual bool DeletePort(DialogControls* owner, const std::wstring& port) = 0;
  // OpenPrinterW of a local printer with `access` (kPrinterAccessUse, kPrinterAllAccess): the
  // handle, or null with the code (1801 for a printer that does not exist).
  virtual std::unique_ptr<PrinterHandle> OpenPrinter(const std::wstring& name, uint32_t access) = 0;
  // EnumPrintersW (PRINTER_ENUM_LOCAL, empty name, level 2): every local printer's record, in the
  // spooler's order (name, port, driver, status and jobs are what the callers rely on). Asks for
  // the size, then again until the list fits. False with the code.
  virtual bool EnumPrinters2(std::vector<PrinterInfo2>* out) = 0;
  // DeletePrinterDriverExW on the local server: the driver `name` of `environment` ("Windows
  // x64" ...), only its `version` with kDeleteSpecificVersion, and with kDeleteUnusedFiles the
  // files its record names that no other driver uses. False with 1797 for a driver not
  // registered there, 2001 while a printer uses it, 1805 for an unknown environment.
  virtual bool DeletePrinterDriverEx(const std::wstring& name, const std::wstring& environment, uint32_t flags,
                                     uint32_t version) = 0;
  // DeleteMonitorW on the local server: the monitor and its ports. False with 3000 for a monitor
  // that is not installed, 3008 while a printer uses one of its ports.
  virtual bool DeleteMonitor(const std::wstring& name, const std::wstring& environment) = 0;
};

}  // namespace platform
