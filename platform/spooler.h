// The print spooler (winspool): what the installer asks of it. Buffers and the "ask for the size,
// then call again" of EnumPortsW stay behind the seam; the logic sees records. Each call leaves
// the failing call's Win32 code as the last error. winspool.h defines EnumPorts, ConfigurePort
// and DeletePort as macros: a file that includes it and calls or defines these methods must
// #undef them first.
#pragma once

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
};

// An open printer (AddPrinterW's handle); the destructor closes it (ClosePrinter).
class PrinterHandle {
 public:
  virtual ~PrinterHandle() = default;
  // SetPrinterDataW: the value under the printer's "PrinterDriverData" key. Returns the Win32
  // code (0 on success), as the call does.
  virtual uint32_t SetData(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& data) = 0;
  // The handle's value, for the log only.
  virtual const void* LogHandle() const = 0;
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
  // The Standard TCP/IP Port monitor's own "AddPort" command (XcvDataW with a PORT_DATA_1 on
  // ",XcvMonitor Standard TCP/IP Port", opened with SERVER_ACCESS_ADMINISTER): a raw port named
  // `port` for `host` at `port_number`, made without a dialog. False with the code of OpenPrinterW
  // (1801 when the monitor is not installed) or of XcvDataW, or with the monitor's status (183
  // for a port it has already, 87 for a name or host that does not fit PORT_DATA_1).
  virtual bool AddStandardTcpIpPort(const std::wstring& port, const std::wstring& host, uint32_t port_number) = 0;
};

}  // namespace platform
