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

// The USB Monitor's ports as its registry lists them (logged, not used by the pairing).
struct UsbMonitorEntry {
  wchar_t DevicePath[kUsbMonitorPathChars];
  wchar_t PortName[kUsbMonitorPortChars];
};
extern UsbMonitorEntry UsbMonitor[kUsbMonitorCount];

// Zeroes every UsbPortRow.
void ClearUsbPortRows();

// Enumerates HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\USB Monitor\Ports (8-bit
// calls) into UsbMonitor: the number of subkeys enumerated, 0 when the key cannot be opened.
int FoundUsbMonitor(platform::Machine& machine);

// The spooler's ports whose names begin with "USB" (ignoring case), in its order, at most `max`
// into `names`. Names of 128 characters or more are skipped with a "[WARN]" line.
int GetUsbPortsFromEnumPorts(platform::Spooler& spooler, wchar_t (*names)[kEnumPortsUsbChars], int max);

// Finds the USBPRINT device that serves `port` (its id holds the port name, or its
// "Device Parameters" PortName equals it) and walks up to the first ancestor whose id holds
// "VID_" and "PID_": TRUE with that id in `parent` (at most capacity - 1 characters).
bool GetUsbPrintPortParentInstanceId(platform::Machine& machine, const wchar_t* port, wchar_t* parent,
                                     int capacity);

// The main dialog's GetAllPortList after its USB check: clears the rows, detects the printers
// (GetPrinterOnline) and pairs each with a spooler port. Rows filled stay when a step fails.
void BuildUsbPortRows(platform::Machine& machine);
