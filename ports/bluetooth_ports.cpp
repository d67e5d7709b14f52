#include "ports/bluetooth_ports.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <utility>

#include "log/log.h"
#include "platform/bluetooth.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kScan = "CInstallDlg::ScanBluetoothDevices";
constexpr const char* kScanBle = "CInstallDlg::ScanBleDevices";
constexpr const char* kPairBle = "CInstallDlg::PairBleDevice";
constexpr const char* kFindPort = "CInstallDlg::FindBthComPortByMac";
constexpr const char* kCreatePort = "CInstallDlg::CreateBluetoothVirtualComPort";

constexpr size_t kFirstResultBytes = 4096;
constexpr const wchar_t* kUnknownDevice = L"Unknown Bluetooth Device";
constexpr const wchar_t* kNoAddress = L"00:00:00:00:00:00";

// SetupDiGetDeviceInstanceIdW reads at most 511 characters; "PortName" is read into 64 bytes.
constexpr size_t kInstanceIdChars = 511;
constexpr size_t kPortNameBytes = 64;
// The port search after enabling the service: ten looks, 300 ms before each but the first.
constexpr int kPortLooks = 10;
constexpr uint32_t kPortLookWaitMs = 300;
constexpr size_t kMacChars = 31;

constexpr const wchar_t* kBluetoothPortsKey = L"SOFTWARE\\TavroPrint\\BluetoothPorts";

std::wstring FormatAddress(uint64_t address) {
  wchar_t text[kBluetoothMacChars];
  std::swprintf(text, kBluetoothMacChars, L"%02X:%02X:%02X:%02X:%02X:%02X",
                static_cast<unsigned>((address >> 40) & 0xFF), static_cast<unsigned>((address >> 32) & 0xFF),
                static_cast<unsigned>((address >> 24) & 0xFF), static_cast<unsigned>((address >> 16) & 0xFF),
                static_cast<unsigned>((address >> 8) & 0xFF), static_cast<unsigned>(address & 0xFF));
  return text;
}

// The address text without its colons, letters a to f upper-cased, at most 31 characters.
std::wstring MacDigits(const wchar_t* address) {
  std::wstring mac;
  for (const wchar_t* p = address; *p && mac.size() < kMacChars; ++p) {
    if (*p == L':') continue;
    mac.push_back(*p >= L'a' && *p <= L'z' ? static_cast<wchar_t>(*p - L'a' + L'A') : *p);
  }
  return mac;
}

// Adds one device of the lookup to the table and logs it.
void AddScannedDevice(BluetoothDeviceTable* table, const platform::BluetoothLookupResult& result) {
  BluetoothDeviceEntry& entry = table->Devices[table->Count];
  CopyToField(entry.Name, kBluetoothNameChars, result.name.empty() ? std::wstring(kUnknownDevice) : result.name);
  CopyToField(entry.Mac, kBluetoothMacChars, result.has_address ? FormatAddress(result.address) : kNoAddress);
  entry.IsBle = 0;
  LOG_AT(kLogUnitInstallDlg, kScan, "[INFO] ScanBluetoothDevices - Found BT device[%d]: %ws (MAC=%ws)\n", table->Count,
         entry.Name, entry.Mac);
  ++table->Count;
}

// Looks for the port up to ten times, 300 ms apart.
bool WaitForPort(platform::Machine& machine, const std::wstring& mac, std::wstring* port) {
  for (int look = 0; look < kPortLooks; ++look) {
    if (look > 0) machine.clock().Sleep(kPortLookWaitMs);
    if (FindBthComPortByMac(machine.devices(), mac.c_str(), port)) return true;
  }
  return false;
}

// Reads the lookup's results into `table` until the table is full, the results end, or a call
// fails; a result that does not fit makes the buffer grow as asked.
void ReadLookupResults(platform::BluetoothLookup& lookup, BluetoothDeviceTable* table) {
  while (table->Count < kBluetoothDeviceCount) {
    platform::BluetoothLookupResult result;
    size_t needed = 0;
    int code = lookup.Next(platform::wsa::kLookupFlags, &result, &needed);
    if (code == 0) {
      AddScannedDevice(table, result);
    } else if (code == platform::wsa::kENoMore) {
      break;
    } else if (code == platform::wsa::kEFault) {
      LOG_AT(kLogUnitInstallDlg, kScan, "[INFO] ScanBluetoothDevices - WSAEFAULT, need size=%u, retrying\n",
             static_cast<unsigned>(needed));
      // A size the buffer already has cannot help; asking again would never end.
      if (needed <= lookup.BufferBytes()) break;
      if (!lookup.Reserve(needed)) {
        LOG_AT(kLogUnitInstallDlg, kScan, "[ERROR] ScanBluetoothDevices - realloc failed for %u bytes\n",
               static_cast<unsigned>(needed));
        break;
      }
    } else {
      LOG_AT(kLogUnitInstallDlg, kScan, "[INFO] ScanBluetoothDevices - WSALookupServiceNext error=%d\n", code);
      break;
    }
  }
}

}  // namespace

void ClearBluetoothDevices(BluetoothDeviceTable* table) { std::memset(table, 0, sizeof(*table)); }

int ScanBluetoothDevices(platform::Machine& machine, BluetoothDeviceTable* table) {
  LOG_AT(kLogUnitInstallDlg, kScan, "[ENTRY] ScanBluetoothDevices\n");
  ClearBluetoothDevices(table);
  platform::Bluetooth& bluetooth = machine.bluetooth();
  int error = 0;
  // Declared before the lookup, so that the lookup ends (and frees its buffer) before WSACleanup.
  const std::unique_ptr<platform::WinsockSession> winsock = bluetooth.StartWinsock(&error);
  if (!winsock) {
    LOG_AT(kLogUnitInstallDlg, kScan, "[ERROR] ScanBluetoothDevices - WSAStartup failed, Error=%d\n", error);
    return 0;
  }
  std::unique_ptr<platform::BluetoothLookup> lookup = bluetooth.LookupBegin(platform::wsa::kLookupFlags, &error);
  if (!lookup) {
    LOG_AT(kLogUnitInstallDlg, kScan, "[ERROR] ScanBluetoothDevices - WSALookupServiceBegin failed, Error=%d\n", error);
    return 0;
  }
  if (!lookup->Reserve(kFirstResultBytes)) {
    LOG_AT(kLogUnitInstallDlg, kScan, "[ERROR] ScanBluetoothDevices - malloc failed for %u bytes\n",
           static_cast<unsigned>(kFirstResultBytes));
    return 0;
  }
  ReadLookupResults(*lookup, table);
  LOG_AT(kLogUnitInstallDlg, kScan, "[EXIT] ScanBluetoothDevices - count=%d\n", table->Count);
  return table->Count;
}

int ScanBleDevices() {
  LOG_AT(kLogUnitInstallDlg, kScanBle,
         "[WARN] ScanBleDevices - built with old toolchain (no C++/WinRT), BLE disabled\n");
  return 0;
}

bool PairBleDevice(const wchar_t* address) {
  LOG_AT(kLogUnitInstallDlg, kPairBle, "[ENTRY] PairBleDevice - %ws\n", address ? address : L"");
  LOG_AT(kLogUnitInstallDlg, kPairBle,
         "[WARN] PairBleDevice - built with old toolchain (no C++/WinRT), BLE disabled\n");
  return false;
}

bool FindBthComPortByMac(platform::Devices& devices, const wchar_t* mac, std::wstring* result) {
  LOG_AT(kLogUnitInstallDlg, kFindPort, "[ENTRY] FindBthComPortByMac - MAC=%ws\n", mac ? mac : L"");
  if (mac == nullptr || mac[0] == L'\0') return false;
  std::unique_ptr<platform::DeviceSet> set = devices.OpenPresentDevices(L"BTHENUM");
  if (!set) {
    LOG_AT_ERROR(kLogUnitInstallDlg, kFindPort, "[WARN] FindBthComPortByMac - SetupDiGetClassDevs failed");
    return false;
  }
  bool found = false;
  platform::DeviceRef device;
  for (uint32_t index = 0; !found && set->Enum(index, &device); ++index) {
    std::wstring id;
    if (!set->InstanceId(device, &id)) continue;
    if (id.size() > kInstanceIdChars) id.resize(kInstanceIdChars);
    if (id.find(mac) == std::wstring::npos) continue;
    std::wstring port;
    if (!set->DeviceKeyValue(device, L"PortName", kPortNameBytes, &port) || port.empty()) continue;
    while (!port.empty() && port.back() == L':') port.pop_back();
    *result = port + L":";
    LOG_AT(kLogUnitInstallDlg, kFindPort, "[INFO] FindBthComPortByMac - Found COM port %ws for BTHENUM device %ws\n",
           result->c_str(), id.c_str());
    found = true;
  }
  set.reset();
  LOG_AT(kLogUnitInstallDlg, kFindPort, "[EXIT] FindBthComPortByMac - Found=%d\n", found ? 1 : 0);
  return found;
}

namespace {

// "XX:XX:XX:XX:XX:XX" (hexadecimal) into info->address; false, logged, for anything else.
bool ParseBluetoothAddress(const wchar_t* text, platform::BluetoothDeviceInfo* info) {
  unsigned int bytes[6] = {};
  if (std::swscanf(text, L"%02X:%02X:%02X:%02X:%02X:%02X", &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4],
                   &bytes[5]) != 6) {
    LOG_AT(kLogUnitInstallDlg, kCreatePort, "[ERROR] CreateBluetoothVirtualComPort - Invalid BT address: %ws\n", text);
    return false;
  }
  for (unsigned int byte : bytes) info->address = (info->address << 8) | (byte & 0xFF);
  return true;
}

// Reads the device's record and, when it is not paired yet, pairs it through Windows' dialog and
// reads the record again. False, logged, when the device is unknown or the pairing fails.
bool PairDevice(platform::Bluetooth& bluetooth, platform::BluetoothRadio& radio, platform::BluetoothDeviceInfo* info) {
  uint32_t code = bluetooth.GetDeviceInfo(radio, info);
  if (code != 0) {
    LOG_AT(kLogUnitInstallDlg, kCreatePort,
           "[ERROR] CreateBluetoothVirtualComPort - BluetoothGetDeviceInfo failed, Error=%d\n", static_cast<int>(code));
    return false;
  }
  LOG_AT(kLogUnitInstallDlg, kCreatePort,
         "[INFO] CreateBluetoothVirtualComPort - Device %ws, fAuthenticated=%d, fRemembered=%d\n", info->name.c_str(),
         info->authenticated ? 1 : 0, info->remembered ? 1 : 0);
  if (info->authenticated) return true;
  LOG_AT(kLogUnitInstallDlg, kCreatePort,
         "[INFO] CreateBluetoothVirtualComPort - Device not paired, launching pairing wizard\n");
  code = bluetooth.AuthenticateDevice(radio, info);
  if (code != 0) {
    LOG_AT(kLogUnitInstallDlg, kCreatePort,
           "[ERROR] CreateBluetoothVirtualComPort - BluetoothAuthenticateDevice failed, Error=%d\n",
           static_cast<int>(code));
    return false;
  }
  if (bluetooth.GetDeviceInfo(radio, info) != 0 || !info->authenticated) {
    LOG_AT(kLogUnitInstallDlg, kCreatePort, "[ERROR] CreateBluetoothVirtualComPort - Pairing did not complete\n");
    return false;
  }
  LOG_AT(kLogUnitInstallDlg, kCreatePort, "[INFO] CreateBluetoothVirtualComPort - Pairing succeeded\n");
  return true;
}

// Enables the device's serial port service (on the radio, then on every radio when the radio is
// refused with 87) and finds the port its node gets. The radio is closed before the port search.
// When the service cannot be enabled, a port the device already has still serves.
bool EnableSerialPort(platform::Machine& machine, std::unique_ptr<platform::BluetoothRadio> radio,
                      const platform::BluetoothDeviceInfo& info, const std::wstring& mac, std::wstring* port) {
  platform::Bluetooth& bluetooth = machine.bluetooth();
  uint32_t code = bluetooth.EnableSerialPortService(radio.get(), info);
  LOG_AT(kLogUnitInstallDlg, kCreatePort,
         "[INFO] CreateBluetoothVirtualComPort - BluetoothSetServiceState(hRadio) ret=%d\n", static_cast<int>(code));
  if (code == platform::err::kInvalidParameter) {
    code = bluetooth.EnableSerialPortService(nullptr, info);
    LOG_AT(kLogUnitInstallDlg, kCreatePort,
           "[INFO] CreateBluetoothVirtualComPort - BluetoothSetServiceState(NULL) ret=%d\n", static_cast<int>(code));
  }
  if (code != 0 && code != platform::err::kServiceAlreadyRunning) {
    LOG_AT(kLogUnitInstallDlg, kCreatePort,
           "[WARN] CreateBluetoothVirtualComPort - BluetoothSetServiceState failed, Error=%d, will try existing "
           "port\n",
           static_cast<int>(code));
    const bool found = FindBthComPortByMac(machine.devices(), mac.c_str(), port);
    radio.reset();
    if (!found) {
      // Without this line the log would end on a warning while the install is refused.
      LOG_AT(kLogUnitInstallDlg, kCreatePort,
             "[ERROR] CreateBluetoothVirtualComPort - No existing COM port for BT device, Error=%d\n",
             static_cast<int>(code));
    }
    return found;
  }
  LOG_AT(kLogUnitInstallDlg, kCreatePort, "[INFO] CreateBluetoothVirtualComPort - SPP service enabled (ret=%d)\n",
         static_cast<int>(code));
  radio.reset();
  if (!WaitForPort(machine, mac, port)) {
    LOG_AT(kLogUnitInstallDlg, kCreatePort,
           "[ERROR] CreateBluetoothVirtualComPort - Failed to find COM port for BT device after retries\n");
    return false;
  }
  return true;
}

}  // namespace

std::wstring CreateBluetoothVirtualComPort(platform::Machine& machine, const wchar_t* address) {
  const wchar_t* text = address ? address : L"";
  LOG_AT(kLogUnitInstallDlg, kCreatePort, "[ENTRY] CreateBluetoothVirtualComPort - BTAddress=%ws\n", text);
  platform::BluetoothDeviceInfo info;
  if (!ParseBluetoothAddress(text, &info)) return L"";

  platform::Bluetooth& bluetooth = machine.bluetooth();
  std::unique_ptr<platform::BluetoothRadio> radio = bluetooth.FindFirstRadio();
  if (!radio) {
    LOG_AT_ERROR(kLogUnitInstallDlg, kCreatePort, "[ERROR] CreateBluetoothVirtualComPort - No Bluetooth radio found");
    return L"";
  }
  LOG_AT(kLogUnitInstallDlg, kCreatePort, "[INFO] CreateBluetoothVirtualComPort - Local radio handle acquired\n");
  if (!PairDevice(bluetooth, *radio, &info)) return L"";

  const uint32_t code = bluetooth.UpdateDeviceRecord(info);
  LOG_AT(kLogUnitInstallDlg, kCreatePort, "[INFO] CreateBluetoothVirtualComPort - BluetoothUpdateDeviceRecord ret=%d\n",
         static_cast<int>(code));

  const std::wstring mac = MacDigits(text);
  LOG_AT(kLogUnitInstallDlg, kCreatePort,
         "[INFO] CreateBluetoothVirtualComPort - Looking for BTHENUM device with MAC=%ws\n", mac.c_str());
  std::wstring port;
  if (FindBthComPortByMac(machine.devices(), mac.c_str(), &port)) {
    radio.reset();
  } else if (!EnableSerialPort(machine, std::move(radio), info, mac, &port)) {
    return L"";
  }

  // A key that cannot be made loses only the record; the port is there all the same.
  machine.registry().SetValue(platform::Hive::kLocalMachine, kBluetoothPortsKey, port, platform::RegView::k64,
                              platform::RegValue::Sz(text));
  LOG_AT(kLogUnitInstallDlg, kCreatePort, "[EXIT] CreateBluetoothVirtualComPort - %ws\n", port.c_str());
  return port;
}
