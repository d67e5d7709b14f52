// The real Bluetooth stack: Winsock's lookup in NS_BTH (ws2_32) and the Bluetooth API of
// bthprops.cpl, which is loaded by name at its first use and kept for the process: MinGW-w64's
// headers do not declare BluetoothAuthenticateDevice, and a program that imported bthprops
// statically would not start where the Bluetooth stack is missing. Free of windows.h.
#pragma once

#include "platform/bluetooth.h"

namespace platform::win32 {

class Win32Bluetooth : public Bluetooth {
 public:
  std::unique_ptr<WinsockSession> StartWinsock(int* error) override;
  std::unique_ptr<BluetoothLookup> LookupBegin(uint32_t flags, int* error) override;
  // Null with 126 / 127 when bthprops.cpl or its function cannot be had.
  std::unique_ptr<BluetoothRadio> FindFirstRadio() override;
  // 127 (ERROR_PROC_NOT_FOUND) when the function cannot be had; the radio must be this backend's.
  uint32_t GetDeviceInfo(BluetoothRadio& radio, BluetoothDeviceInfo* info) override;
  uint32_t AuthenticateDevice(BluetoothRadio& radio, BluetoothDeviceInfo* info) override;
  uint32_t UpdateDeviceRecord(const BluetoothDeviceInfo& info) override;
  uint32_t EnableSerialPortService(BluetoothRadio* radio, const BluetoothDeviceInfo& info) override;
};

}  // namespace platform::win32
