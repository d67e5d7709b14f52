// Recognition of plugged-in USB printers: every present USBPRINT device is compared with the
// catalog (PrinterInfo), and each recognised one becomes an entry of the process-wide UsbInfo.
#pragma once

namespace platform {
class Devices;
}

// Capacities in characters, terminator included.
constexpr int kUsbInstanceIdChars = 128;
constexpr int kUsbNameChars = 64;
constexpr int kUsbDevicePathChars = 256;
constexpr int kUsbHardwareIdChars = 512;
constexpr int kUsbTextChars = 256;
constexpr int kUsbVidPidChars = 32;
constexpr int kUsbBusChars = 256;
constexpr int kUsbPortChars = 32;
constexpr int kUsbInfoCount = 256;
// Detection fills at most this many entries.
constexpr int kUsbInfoMaxDetected = 32;

// One recognised USB printer. Every field is NUL-terminated and cut to its capacity.
struct UsbInfoRecord {
  wchar_t InstanceId[kUsbInstanceIdChars];  // the device's instance id
  wchar_t Name[kUsbNameChars];              // MODEL of the catalog record that matched
  wchar_t DevicePath[kUsbDevicePathChars];  // the instance id again, read by the port pairing
  wchar_t HardwareId[kUsbHardwareIdChars];  // first hardware id
  wchar_t Desc[kUsbTextChars];
  wchar_t Mfg[kUsbTextChars];
  wchar_t Friendly[kUsbTextChars];
  wchar_t VidPid[kUsbVidPidChars];          // from the instance id; usually empty
  wchar_t Bus[kUsbBusChars];                // the parent node's instance id
  wchar_t Port[kUsbPortChars];              // tail of the instance id, e.g. USB001
};

// All zero at start; GetPrinterOnline writes entries 0 .. result - 1 and leaves the rest.
extern UsbInfoRecord UsbInfo[kUsbInfoCount];

// Walks the present devices of `devices`, recognises USBPRINT printers by the catalog
// PrinterInfo (first matching record wins) and fills UsbInfo from entry 0, at most 32 entries;
// slot k of `szDevicePath` (room for 32 slots; may be null) receives entry k's instance id.
// Returns the number of entries filled; 0 when the device set cannot be opened.
long GetPrinterOnline(platform::Devices& devices, wchar_t (*szDevicePath)[kUsbDevicePathChars]);
