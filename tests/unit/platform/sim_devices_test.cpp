#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_devices.h"
#include "platform/sim/sim_faults.h"

namespace platform::sim {
namespace {

std::vector<std::wstring> ListIds(Devices& devices, const std::wstring& enumerator = L"") {
  std::vector<std::wstring> ids;
  auto set = devices.OpenPresentDevices(enumerator);
  if (!set) return ids;
  DeviceRef ref;
  for (uint32_t n = 0; set->Enum(n, &ref); ++n) {
    std::wstring id;
    EXPECT_TRUE(set->InstanceId(ref, &id));
    ids.push_back(id);
  }
  EXPECT_EQ(LastErrorCode(), err::kNoMoreItems);
  return ids;
}

class SimDevicesTest : public ::testing::Test {
 protected:
  SimFaults faults_;
  SimCodePage codepage_{faults_};
  SimRegistry registry_{faults_, codepage_};
  SimDevices devices_{faults_, registry_};
};

TEST_F(SimDevicesTest, ListsPresentDevicesInOrderAndFiltersByEnumerator) {
  auto printer = devices_.AddUsbPrinter(L"TAVROTL241", L"USB001", 0x4A7F, 0x0241);
  devices_.AddOtherDevice(L"PCI\\VEN_8086&DEV_1237\\3&1");
  auto gone = devices_.AddUsbPrinter(L"TAVROTR80", L"USB002", 0x4A7F, 0x0080);
  ASSERT_TRUE(devices_.SetPresent(gone.printer, false));

  EXPECT_EQ(ListIds(devices_), (std::vector<std::wstring>{printer.parent, printer.printer,
                                                           L"PCI\\VEN_8086&DEV_1237\\3&1", gone.parent}));
  EXPECT_EQ(ListIds(devices_, L"usbprint"), (std::vector<std::wstring>{printer.printer}));
  EXPECT_EQ(printer.parent, L"USB\\VID_4A7F&PID_0241\\TAVRO000001");
  EXPECT_EQ(printer.printer.rfind(L"USBPRINT\\TAVROTL241\\7&", 0), 0u);
  EXPECT_EQ(printer.printer.substr(printer.printer.size() - 9), L"&0&USB001");
  EXPECT_EQ(devices_.OpenSets(), 0);
  EXPECT_EQ(faults_.Calls("SetupDiDestroyDeviceInfoList"), 2);
}

TEST_F(SimDevicesTest, PropertiesAndTheirAbsence) {
  auto printer = devices_.AddUsbPrinter(L"TAVROTL241", L"USB001", 0x4A7F, 0x0241);
  devices_.Find(printer.printer)->friendly_name.reset();
  auto set = devices_.OpenPresentDevices(L"USBPRINT");
  DeviceRef ref;
  ASSERT_TRUE(set->Enum(0, &ref));
  std::wstring value;
  EXPECT_TRUE(set->RegistryProperty(ref, DeviceProperty::kHardwareId, &value));
  EXPECT_EQ(value, L"USBPRINT\\TAVROTL241");
  EXPECT_TRUE(set->RegistryProperty(ref, DeviceProperty::kMfg, &value));
  EXPECT_EQ(value, L"Tavro");
  value = L"stale";
  EXPECT_FALSE(set->RegistryProperty(ref, DeviceProperty::kFriendlyName, &value));
  EXPECT_EQ(LastErrorCode(), err::kInvalidData);
  EXPECT_EQ(value, L"");
  // A reference the set did not hand out is refused.
  EXPECT_FALSE(set->InstanceId(DeviceRef{0, ref.devinst + 1}, &value));
  EXPECT_EQ(LastErrorCode(), err::kInvalidParameter);
  EXPECT_FALSE(set->Enum(1, &ref));
  EXPECT_EQ(LastErrorCode(), err::kNoMoreItems);
}

TEST_F(SimDevicesTest, ParentThroughTheConfigurationManagerOrTheParentProperty) {
  auto printer = devices_.AddUsbPrinter(L"TAVROTL241", L"USB001", 0x4A7F, 0x0241);
  auto set = devices_.OpenPresentDevices(L"USBPRINT");
  DeviceRef ref;
  ASSERT_TRUE(set->Enum(0, &ref));
  ParentLookup parent;
  ASSERT_TRUE(set->Parent(ref, &parent));
  EXPECT_EQ(parent.instance_id, printer.parent);
  EXPECT_FALSE(parent.used_parent_property);

  // As under Wine: the configuration manager cannot walk up, the property still answers.
  faults_.Fail("CM_Get_Parent", cr::kCallNotImplemented);
  ASSERT_TRUE(set->Parent(ref, &parent));
  EXPECT_EQ(parent.instance_id, printer.parent);
  EXPECT_EQ(parent.get_parent_cr, cr::kCallNotImplemented);
  EXPECT_TRUE(parent.used_parent_property);
  EXPECT_EQ(parent.parent_property_error, 0u);

  faults_.Fail("SetupDiGetDevicePropertyW", 5);
  EXPECT_FALSE(set->Parent(ref, &parent));
  EXPECT_EQ(parent.instance_id, L"");
  EXPECT_EQ(parent.parent_property_error, 5u);
  faults_.ClearAll();

  faults_.Fail("CM_Get_Device_IDW", cr::kBufferSmall, 1);
  devices_.Find(printer.printer)->has_parent_property = false;
  EXPECT_FALSE(set->Parent(ref, &parent));
  EXPECT_EQ(parent.get_parent_cr, cr::kSuccess);
  EXPECT_EQ(parent.get_device_id_cr, cr::kBufferSmall);
  EXPECT_EQ(parent.parent_property_error, kErrorNotFound);
  EXPECT_EQ(LastErrorCode(), kErrorNotFound);
}

TEST_F(SimDevicesTest, WalkUpByInstanceIdEndsAtTheRoot) {
  auto printer = devices_.AddUsbPrinter(L"TAVROTL241", L"USB001", 0x4A7F, 0x0241);
  ParentLookup step;
  ASSERT_TRUE(devices_.ParentOfInstanceId(printer.printer, &step));
  EXPECT_EQ(step.instance_id, printer.parent);
  ASSERT_TRUE(devices_.ParentOfInstanceId(printer.parent, &step));
  EXPECT_EQ(step.instance_id, SimDevices::kRootId);
  EXPECT_FALSE(devices_.ParentOfInstanceId(SimDevices::kRootId, &step));
  EXPECT_EQ(step.get_parent_cr, cr::kNoSuchDevNode);

  // Ids compare ignoring case, as Windows compares them.
  faults_.Fail("CM_Locate_DevNodeW", cr::kCallNotImplemented);
  std::wstring lower = printer.printer;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  ASSERT_TRUE(devices_.ParentOfInstanceId(lower, &step));
  EXPECT_EQ(step.locate_cr, cr::kCallNotImplemented);
  EXPECT_TRUE(step.used_parent_property);
  EXPECT_EQ(step.instance_id, printer.parent);

  EXPECT_FALSE(devices_.ParentOfInstanceId(L"USB\\NOPE\\1", &step));
  EXPECT_EQ(step.parent_property_error, kErrorNoSuchDevinst);
}

TEST_F(SimDevicesTest, RemovingADeviceRemovesItsChildrenAndFaultsFailTheSet) {
  auto printer = devices_.AddUsbPrinter(L"TAVROTL241", L"USB001", 0x4A7F, 0x0241);
  devices_.AddOtherDevice(L"ROOT\\OTHER\\0000");
  ASSERT_EQ(devices_.Count(), 3u);
  ASSERT_TRUE(devices_.RemoveDevice(printer.parent));
  EXPECT_EQ(ListIds(devices_), (std::vector<std::wstring>{L"ROOT\\OTHER\\0000"}));
  EXPECT_EQ(devices_.Find(printer.printer), nullptr);
  EXPECT_FALSE(devices_.RemoveDevice(printer.parent));

  faults_.Fail("SetupDiGetClassDevsW", 8, 1);
  EXPECT_EQ(devices_.OpenPresentDevices(L""), nullptr);
  EXPECT_EQ(LastErrorCode(), 8u);
  EXPECT_NE(devices_.OpenPresentDevices(L""), nullptr);
}

}  // namespace
}  // namespace platform::sim
