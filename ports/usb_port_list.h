// The USB port list: each recognised USB printer (UsbInfo) paired with a spooler port such as
// USB001, in the process-wide UsbPortRow table that the main dialog's USB list shows. The pairing
// runs a chain of fallbacks: by the device's USB instance, by the port the device id names, by
// that name even when the spooler does not list it, and by order.
#pragma once

#include <cstdint>

namespace platform {
class Machine;
class Spooler;
}  // namespace platform

// Capacities in characters, terminator included.
constexpr int kUsbPortRowCount = 255;
constexpr int kUsbPortRowNameChars = 64;
constexpr int kUsbPortRowPortChars = 228;
constexpr int kUsbMonitorCount = 256;
constexpr int kUsbMonitorPathChars = 256;
constexpr int kUsbMonitorPortChars = 128;
// One slot of the EnumPorts USB list; the pairing asks for at most 32.
constexpr int kEnumPortsUsbChars = 128;
constexpr int kEnumPortsUsbMax = 32;

// Row i belongs to UsbInfo entry i. Port empty: no port assigned (Valid 0).
struct UsbPortRow {
  wchar_t Name[kUsbPortRowNameChars];  // MODEL of the recognised printer
  wchar_t Port[kUsbPortRowPortChars];  // spooler port, without a trailing colon
  int32_t Valid;                       // 1 when a port was assigned
};
extern UsbPortRow UsbPortRows[kUsbPortRowCount];

// How row i got its port, kept beside the rows (same index) for callers that must know whether
// the device itself showed the port (the service moves printers only on such evidence). Stable
// values, append only.
enum class UsbPortMatch : int32_t {
  kNone = 0,        // no port
  kByInstance = 1,  // the port's USBPRINT device hangs below the printer's own USB node
  kByUsbPort = 2,   // a spooler port named as the port the device's id ends in
  kByName = 3,      // the device's port name, which the spooler does not list
  kByOrder = 4,     // the first free spooler port: no evidence
};
extern UsbPortMatch UsbPortRowMatch[kUsbPortRowCount];

// The USB Monitor's ports as its registry lists them (logged, not used by the pairing).
struct UsbMonitorEntry {
  wchar_t DevicePath[kUsbMonitorPathChars];
  wchar_t PortName[kUsbMonitorPortChars];
};
extern UsbMonitorEntry UsbMonitor[kUsbMonitorCount];

// Every function below logs through the log facility as the main dialog's unit (InstallDlg).

// Zeroes every UsbPortRow and its UsbPortRowMatch.
void ClearUsbPortRows();

// Enumerates HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\USB Monitor\Ports (8-bit
// calls) into UsbMonitor: each subkey's REG_SZ "Device Path" (at most 255 bytes) and its name,
// in entries 0 .. 255. Returns the number of subkeys enumerated, those that could not be read
// or stored included; 0 when the key cannot be opened.
int FoundUsbMonitor(platform::Machine& machine);

// The spooler's ports whose names begin with "USB" (ignoring case), in its order, at most `max`
// into `names`. Names of 128 characters or more are skipped with a "[WARN]" line (a cut name
// would name another port). 0 when the spooler cannot be asked ("[ERROR]" line).
int GetUsbPortsFromEnumPorts(platform::Spooler& spooler, wchar_t (*names)[kEnumPortsUsbChars], int max);

// Finds the present USBPRINT device that serves `port` (one trailing colon ignored): its id
// holds the port name, or its Enum\<id>\Device Parameters "PortName" equals it ignoring case.
// Then walks up from its parent to the first node whose id holds "VID_" and "PID_": TRUE with
// that id in `parent` (at most capacity - 1 characters), else FALSE with `parent` empty. No
// port, no `parent` or capacity <= 0: FALSE without a log line.
bool GetUsbPrintPortParentInstanceId(platform::Machine& machine, const wchar_t* port, wchar_t* parent,
                                     int capacity);

// The main dialog's GetAllPortList once it has logged its entry and found USB selected: clears
// the rows, reads the USB Monitor's ports (FoundUsbMonitor), detects the printers
// (GetPrinterOnline into UsbInfo) and pairs printer i with a spooler port in row i: by the USB
// instance of its parent node, by the port its id names, by that name even when the spooler
// does not list it, and by order. A printer left without a port keeps an empty row. Every copy
// is bounded and every index checked, so nothing here can raise a structured exception.
void BuildUsbPortRows(platform::Machine& machine);
