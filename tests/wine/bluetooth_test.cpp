// Bluetooth printers against Wine, which has no Bluetooth radio and ends the process on any
// Bluetooth call but the radio search: the scan fails at the Winsock lookup and says so, the
// virtual COM port stops at the radio search, and the process lives on. The COM port search
// itself runs on Wine's real device setup: the fixture registers the BTHENUM node of a serial
// port with its "PortName" and removes it again (also a run's leftover).
// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "log/log.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_machine.h"
#include "ports/bluetooth_ports.h"
#include "tests/wine/log_reader.h"

namespace {

const wchar_t kSerialNode[] =
    L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&7A11C0E0&0&001122AABBCC_C00000000";
// GUID_DEVCLASS_PORTS.
const GUID kClassPorts = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

using winetest::LogFrom;
using winetest::LogSize;

// Registers the serial port node with its hardware key: empty, or the failing step.
std::string RegisterSerialNode(const wchar_t* port_name) {
  platform::win32::unique_hdevinfo set(SetupDiCreateDeviceInfoList(&kClassPorts, nullptr));
  if (!set) return "SetupDiCreateDeviceInfoList " + std::to_string(GetLastError());
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiCreateDeviceInfoW(set.get(), kSerialNode, &kClassPorts, L"Standard Serial over Bluetooth link", nullptr,
                                0, &data))
    return "SetupDiCreateDeviceInfoW " + std::to_string(GetLastError());
  if (!SetupDiRegisterDeviceInfo(set.get(), &data, 0, nullptr, nullptr, nullptr))
    return "SetupDiRegisterDeviceInfo " + std::to_string(GetLastError());
  HKEY created = SetupDiCreateDevRegKeyW(set.get(), &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
  if (created == INVALID_HANDLE_VALUE) return "SetupDiCreateDevRegKeyW " + std::to_string(GetLastError());
  platform::win32::unique_hkey key(created);
  const DWORD bytes = static_cast<DWORD>((std::wcslen(port_name) + 1) * sizeof(wchar_t));
  LONG result = RegSetValueExW(key.get(), L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port_name), bytes);
  return result == ERROR_SUCCESS ? "" : "RegSetValueExW " + std::to_string(result);
}

bool RemoveSerialNode() {
  platform::win32::unique_hdevinfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  if (!set) return false;
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiOpenDeviceInfoW(set.get(), kSerialNode, nullptr, 0, &data)) return true;
  return SetupDiRemoveDevice(set.get(), &data) != FALSE;
}

class BluetoothWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RemoveSerialNode()) << "a leftover device stayed";
    LogAttachMachine(&machine_);
    table_ = std::make_unique<BluetoothDeviceTable>();
  }
  void TearDown() override {
    EXPECT_TRUE(RemoveSerialNode()) << "the test device stayed";
    LogStop();
  }

  platform::win32::Win32Machine machine_;
  std::unique_ptr<BluetoothDeviceTable> table_;
};

TEST_F(BluetoothWine, TheScanEndsAtTheLookupWithItsErrorLogged) {
  long offset = LogSize();
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
  EXPECT_EQ(table_->Count, 0);
  std::string log = LogFrom(offset);
  // Wine 8's WSALookupServiceBeginW is a stub answering WSA_NOT_ENOUGH_MEMORY.
  EXPECT_NE(log.find("[ERROR] ScanBluetoothDevices - WSALookupServiceBegin failed, Error=8"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("[EXIT] ScanBluetoothDevices"), std::string::npos);
  // Still alive, and Winsock usable again.
  EXPECT_EQ(ScanBluetoothDevices(machine_, table_.get()), 0);
}

TEST_F(BluetoothWine, TheVirtualComPortStopsAtTheRadioSearch) {
  long offset = LogSize();
  EXPECT_EQ(CreateBluetoothVirtualComPort(machine_, L"00:11:22:AA:BB:CC"), L"");
  std::string log = LogFrom(offset);
  EXPECT_NE(log.find("[ENTRY] CreateBluetoothVirtualComPort - BTAddress=00:11:22:AA:BB:CC"), std::string::npos)
      << log;
  EXPECT_NE(log.find("[ERROR] CreateBluetoothVirtualComPort - No Bluetooth radio found, Error=120"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Local radio handle acquired"), std::string::npos);
}

TEST_F(BluetoothWine, TheComPortOfABthenumNodeIsFoundByItsMac) {
  ASSERT_EQ(RegisterSerialNode(L"COM7::"), "");
  std::wstring port;
  ASSERT_TRUE(FindBthComPortByMac(machine_.devices(), L"001122AABBCC", &port));
  EXPECT_EQ(port, L"COM7:");
  EXPECT_FALSE(FindBthComPortByMac(machine_.devices(), L"001122aabbcc", &port));
  EXPECT_FALSE(FindBthComPortByMac(machine_.devices(), L"FFEEDDCCBBAA", &port));
}

}  // namespace
