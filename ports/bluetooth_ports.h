// Bluetooth printers: the devices the Windows Bluetooth stack knows, for the port list's Bluetooth
// type, and the virtual serial (COM) port Windows makes for a paired device's Serial Port
// Profile, on which the printer is installed. Every function logs as the main dialog's unit
// (InstallDlg) under "CInstallDlg::<name>". Bluetooth Low Energy is present only as two
// placeholders that report it unavailable.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Devices;
class Machine;
}  // namespace platform

// Capacities in characters, terminator included.
constexpr int kBluetoothDeviceCount = 64;
constexpr int kBluetoothNameChars = 256;
constexpr int kBluetoothMacChars = 32;

// One device of the Bluetooth list.
struct BluetoothDeviceEntry {
  wchar_t Name[kBluetoothNameChars];  // at most 255 characters, or "Unknown Bluetooth Device"
  wchar_t Mac[kBluetoothMacChars];    // "AA:BB:CC:DD:EE:FF", most significant byte first
  int32_t IsBle;                      // 1: found by the BLE scan; 0: the classic scan
};

// The main dialog's Bluetooth device table: entries 0 .. Count - 1 are valid.
struct BluetoothDeviceTable {
  BluetoothDeviceEntry Devices[kBluetoothDeviceCount];
  int32_t Count;
};

// Zeroes every entry and the count.
void ClearBluetoothDevices(BluetoothDeviceTable* table);

// Clears the table and fills it with the devices the stack already knows (Winsock lookup in
// NS_BTH without a new inquiry), at most 64, in the stack's order. Returns the count: 0 when
// Winsock or the lookup cannot start, fewer when a lookup step fails. Never touches the radio.
int ScanBluetoothDevices(platform::Machine& machine, BluetoothDeviceTable* table);

// Placeholder of the BLE scan: logs that BLE is disabled and returns 0.
int ScanBleDevices();

// Placeholder of BLE pairing: logs the address and that BLE is disabled; returns false.
bool PairBleDevice(const wchar_t* address);

// Finds the present BTHENUM device whose instance id holds `mac` (twelve upper-case hexadecimal
// digits, compared case-sensitively) and whose hardware key has a non-empty "PortName": true with
// that port in `result`, its trailing colons replaced by exactly one ("COM7::" gives "COM7:").
// False for an empty or null mac, when the devices cannot be listed, or when none matches.
bool FindBthComPortByMac(platform::Devices& devices, const wchar_t* mac, std::wstring* result);

// Makes sure the device at `address` ("AA:BB:CC:DD:EE:FF") has a COM port: pairs it through
// Windows' pairing dialog if needed, enables its Serial Port Profile unless its port exists,
// waits for the port (ten looks, 300 ms apart) and records the pair under HKLM
// SOFTWARE\TavroPrint\BluetoothPorts (64-bit view; value name the port, data the address as
// given). Returns the port ("COM5:"), or "" on every failure. Nothing but the address check
// runs without a radio, the radio is closed on every path, and every failure ends with an
// "[ERROR]" line naming the step that failed.
std::wstring CreateBluetoothVirtualComPort(platform::Machine& machine, const wchar_t* address);
