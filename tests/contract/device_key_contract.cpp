// A device's hardware key: SetupDiOpenDevRegKey (DIREG_DEV) opens Enum\<id>\Device Parameters,
// where a Bluetooth serial port keeps "PortName". The fixture registers two BTHENUM nodes, one
// with that key and one without, and removes them again (also a run's leftovers).
#include <gtest/gtest.h>

#include <cwctype>
#include <memory>
#include <string>

#include "platform/devices.h"
#include "platform/last_error.h"
#include "tests/contract/contract_backend.h"

namespace {

const wchar_t kWithPort[] =
    L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&7A11C0DE&0&00AA11BB22CC_C00000000";
const wchar_t kWithoutKey[] =
    L"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0000\\7&7A11C0DF&0&00AA11BB22CD_C00000000";

bool SameId(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

class DeviceKeyContract : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* id : {kWithPort, kWithoutKey}) ASSERT_TRUE(contract::RemoveTestDevice(id));
    ASSERT_EQ(contract::AddTestDevice(kWithPort, L"COM7::"), "");
    ASSERT_EQ(contract::AddTestDevice(kWithoutKey, L""), "");
    set_ = contract::TheMachine().devices().OpenPresentDevices(L"BTHENUM");
    ASSERT_NE(set_, nullptr);
  }
  void TearDown() override {
    set_.reset();
    for (const wchar_t* id : {kWithPort, kWithoutKey}) EXPECT_TRUE(contract::RemoveTestDevice(id));
  }

  // The device of the set with this instance id.
  bool Device(const wchar_t* instance_id, platform::DeviceRef* out) {
    platform::DeviceRef device;
    for (uint32_t i = 0; set_->Enum(i, &device); ++i) {
      std::wstring id;
      if (set_->InstanceId(device, &id) && SameId(id, instance_id)) {
        *out = device;
        return true;
      }
    }
    return false;
  }

  std::unique_ptr<platform::DeviceSet> set_;
};

TEST_F(DeviceKeyContract, ThePortNameOfABluetoothSerialPortIsReadAsWritten) {
  platform::DeviceRef device;
  ASSERT_TRUE(Device(kWithPort, &device));
  std::wstring port;
  ASSERT_TRUE(set_->DeviceKeyValue(device, L"PortName", 64, &port)) << platform::LastErrorCode();
  EXPECT_EQ(port, L"COM7::");
}

TEST_F(DeviceKeyContract, AMissingValueOrABufferTooSmallFails) {
  platform::DeviceRef device;
  ASSERT_TRUE(Device(kWithPort, &device));
  std::wstring value = L"stale";
  EXPECT_FALSE(set_->DeviceKeyValue(device, L"TavroNoSuchValue", 64, &value));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_EQ(value, L"");
  EXPECT_FALSE(set_->DeviceKeyValue(device, L"PortName", 8, &value));
  EXPECT_EQ(platform::LastErrorCode(), 234u);
}

TEST_F(DeviceKeyContract, ADeviceWithoutItsHardwareKeyHasNoValue) {
  platform::DeviceRef device;
  ASSERT_TRUE(Device(kWithoutKey, &device));
  std::wstring value;
  EXPECT_FALSE(set_->DeviceKeyValue(device, L"PortName", 64, &value));
  EXPECT_EQ(platform::LastErrorCode(), 0xE0000204u);  // ERROR_KEY_DOES_NOT_EXIST
}

}  // namespace
