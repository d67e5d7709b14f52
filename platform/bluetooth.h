// Bluetooth: the devices the stack knows (Winsock's service lookup in the Bluetooth namespace),
// and the Bluetooth API for one device: radio, device information, pairing, device record,
// service state. Handles stay behind the seam; the radio closes itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Winsock results the logic names.
namespace wsa {
constexpr int kEFault = 10014;    // WSAEFAULT: the result buffer is too small
constexpr int kENoMore = 10110;   // WSA_E_NO_MORE
constexpr int kServiceNotFound = 10108;  // WSASERVICE_NOT_FOUND
constexpr uint32_t kLookupFlags = 0x0FF2;  // LUP_CONTAINERS | LUP_RETURN_NAME ... LUP_RETURN_QUERY_STRING
}  // namespace wsa

// One result of WSALookupServiceNextW.
struct BluetoothLookupResult {
  std::wstring name;          // lpszServiceInstanceName; empty when absent
  bool has_address = false;   // a first result address (SOCKADDR_BTH) was returned
  uint64_t address = 0;       // its btAddr, 48 bits
};

// An open lookup (WSALookupServiceBeginW) with its result buffer; the destructor frees the
// buffer and ends the lookup (WSALookupServiceEnd).
class BluetoothLookup {
 public:
  virtual ~BluetoothLookup() = default;
  // Allocates the result buffer with `bytes` (the first call) or grows it to `bytes`: false
  // when the memory cannot be had (the buffer then stays as it was).
  virtual bool Reserve(size_t bytes) = 0;
  // The result buffer's size; 0 before Reserve.
  virtual size_t BufferBytes() const = 0;
  // WSALookupServiceNextW with `flags` into the cleared result buffer: 0 with `out` filled, or
  // the WSA error (kENoMore at the end; kEFault with *needed_bytes when the buffer is too small).
  virtual int Next(uint32_t flags, BluetoothLookupResult* out, size_t* needed_bytes) = 0;
};

// A local radio (BluetoothFindFirstRadio's handle); the destructor closes it.
class BluetoothRadio {
 public:
  virtual ~BluetoothRadio() = default;
};

// BLUETOOTH_DEVICE_INFO, the fields the logic reads (and the class, so that the record handed
// back to Windows is the one it gave).
struct BluetoothDeviceInfo {
  uint64_t address = 0;
  uint32_t class_of_device = 0;
  bool authenticated = false;
  bool remembered = false;
  bool connected = false;
  std::wstring name;
};

// A started Winsock (WSAStartup 2.2); WSACleanup runs when the session goes. Lookups begun under
// it must go first.
class WinsockSession {
 public:
  virtual ~WinsockSession() = default;
};

class Bluetooth {
 public:
  virtual ~Bluetooth() = default;
  // WSAStartup(2.2): the session, or null with *error set to WSAStartup's code.
  virtual std::unique_ptr<WinsockSession> StartWinsock(int* error) = 0;
  // WSALookupServiceBeginW on NS_BTH with `flags`: null with *error set (WSAGetLastError).
  virtual std::unique_ptr<BluetoothLookup> LookupBegin(uint32_t flags, int* error) = 0;
  // BluetoothFindFirstRadio (the find handle closed at once): null with the last error when
  // there is no radio (259 on Windows, 120 on Wine).
  virtual std::unique_ptr<BluetoothRadio> FindFirstRadio() = 0;
  // BluetoothGetDeviceInfo for info->address: the Win32 code, 0 with `info` filled (1168 for a
  // device the stack does not know).
  virtual uint32_t GetDeviceInfo(BluetoothRadio& radio, BluetoothDeviceInfo* info) = 0;
  // BluetoothAuthenticateDevice (no parent window, no passkey): Windows' pairing dialog. The code
  // (1223 when the user cancels it).
  virtual uint32_t AuthenticateDevice(BluetoothRadio& radio, BluetoothDeviceInfo* info) = 0;
  // BluetoothUpdateDeviceRecord: the code.
  virtual uint32_t UpdateDeviceRecord(const BluetoothDeviceInfo& info) = 0;
  // BluetoothSetServiceState for the Serial Port Profile (SerialPortServiceClass_UUID), enabled,
  // with `radio` (null: no radio handle). The code (1056 when the service runs already).
  virtual uint32_t EnableSerialPortService(BluetoothRadio* radio, const BluetoothDeviceInfo& info) = 0;
};

}  // namespace platform
