// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
// clang-format on

#include "platform/win32/win32_devices.h"

#include <vector>

#include "platform/last_error.h"
#include "platform/win32/cfgmgr_api.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

// DEVPKEY_Device_Parent (devpkey.h), spelled out so that no translation unit has to own the
// GUID storage that initguid.h would create.
const DEVPROPKEY kDevicePropertyParent = {
    {0x4340a6c5, 0x93fa, 0x4706, {0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7}}, 8};

// The text up to the first NUL of a property buffer (for a multi-string: its first string).
std::wstring FirstString(const std::vector<BYTE>& bytes) {
  const wchar_t* text = reinterpret_cast<const wchar_t*>(bytes.data());
  size_t count = bytes.size() / sizeof(wchar_t);
  size_t n = 0;
  while (n < count && text[n]) ++n;
  return std::wstring(text, n);
}

// CM_Get_Device_IDW of a node, sized by CM_Get_Device_ID_Size.
CONFIGRET NodeId(DEVINST node, std::wstring* out) {
  ULONG length = 0;
  CONFIGRET result = cfgmgr::CM_Get_Device_ID_Size(&length, node, 0);
  if (result != CR_SUCCESS) return result;
  std::vector<wchar_t> buffer(length + 1, L'\0');
  result = cfgmgr::CM_Get_Device_IDW(node, buffer.data(), static_cast<ULONG>(buffer.size()), 0);
  if (result == CR_SUCCESS) *out = buffer.data();
  return result;
}

// The configuration manager's answer for a node.
bool ConfigManagerParent(DEVINST node, ParentLookup* out) {
  DEVINST parent = 0;
  out->get_parent_cr = cfgmgr::CM_Get_Parent(&parent, node, 0);
  if (out->get_parent_cr != CR_SUCCESS) return false;
  out->get_device_id_cr = NodeId(parent, &out->instance_id);
  if (out->get_device_id_cr == CR_SUCCESS) return true;
  out->instance_id.clear();
  return false;
}

// DEVPKEY_Device_Parent of a device of a set (the configuration manager of Wine cannot walk up).
bool ParentProperty(HDEVINFO set, SP_DEVINFO_DATA* data, ParentLookup* out) {
  out->used_parent_property = true;
  out->instance_id.clear();
  DEVPROPTYPE type = 0;
  DWORD required = 0;
  std::vector<BYTE> buffer(512);
  BOOL ok = SetupDiGetDevicePropertyW(set, data, &kDevicePropertyParent, &type, buffer.data(),
                                      static_cast<DWORD>(buffer.size()), &required, 0);
  if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && required > buffer.size()) {
    buffer.assign(required, 0);
    ok = SetupDiGetDevicePropertyW(set, data, &kDevicePropertyParent, &type, buffer.data(),
                                   static_cast<DWORD>(buffer.size()), &required, 0);
  }
  if (!ok) {
    out->parent_property_error = GetLastError();
    return false;
  }
  if (type != DEVPROP_TYPE_STRING) {
    out->parent_property_error = ERROR_INVALID_DATA;
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  buffer.resize(required < buffer.size() ? required : buffer.size());
  out->instance_id = FirstString(buffer);
  out->parent_property_error = 0;
  return true;
}

class Win32DeviceSet : public DeviceSet {
 public:
  explicit Win32DeviceSet(HDEVINFO set) : set_(set) {}

  bool Enum(uint32_t index, DeviceRef* out) override {
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    if (!SetupDiEnumDeviceInfo(set_.get(), index, &data)) return false;
    last_ = data;
    last_index_ = index;
    *out = DeviceRef{index, static_cast<uint32_t>(data.DevInst)};
    return true;
  }

  bool InstanceId(const DeviceRef& device, std::wstring* out) override {
    out->clear();
    SP_DEVINFO_DATA data;
    if (!Data(device, &data)) return false;
    std::vector<wchar_t> buffer(MAX_DEVICE_ID_LEN + 1, L'\0');
    DWORD required = 0;
    BOOL ok = SetupDiGetDeviceInstanceIdW(set_.get(), &data, buffer.data(), static_cast<DWORD>(buffer.size()),
                                          &required);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && required > buffer.size()) {
      buffer.assign(required, L'\0');
      ok = SetupDiGetDeviceInstanceIdW(set_.get(), &data, buffer.data(), static_cast<DWORD>(buffer.size()),
                                       &required);
    }
    if (!ok) return false;
    buffer.back() = L'\0';
    *out = buffer.data();
    return true;
  }

  bool RegistryProperty(const DeviceRef& device, DeviceProperty property, std::wstring* out) override {
    out->clear();
    SP_DEVINFO_DATA data;
    if (!Data(device, &data)) return false;
    DWORD code = SPDRP_HARDWAREID;
    switch (property) {
      case DeviceProperty::kHardwareId: code = SPDRP_HARDWAREID; break;
      case DeviceProperty::kDeviceDesc: code = SPDRP_DEVICEDESC; break;
      case DeviceProperty::kMfg: code = SPDRP_MFG; break;
      case DeviceProperty::kFriendlyName: code = SPDRP_FRIENDLYNAME; break;
    }
    DWORD type = 0;
    DWORD required = 0;
    std::vector<BYTE> buffer(1024);
    BOOL ok = SetupDiGetDeviceRegistryPropertyW(set_.get(), &data, code, &type, buffer.data(),
                                                static_cast<DWORD>(buffer.size()), &required);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && required > buffer.size()) {
      buffer.assign(required, 0);
      ok = SetupDiGetDeviceRegistryPropertyW(set_.get(), &data, code, &type, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), &required);
    }
    if (!ok) return false;
    buffer.resize(required < buffer.size() ? required : buffer.size());
    *out = FirstString(buffer);
    return true;
  }

  bool Parent(const DeviceRef& device, ParentLookup* out) override {
    *out = ParentLookup{};
    SP_DEVINFO_DATA data;
    if (!Data(device, &data)) return false;
    if (ConfigManagerParent(data.DevInst, out)) return true;
    return ParentProperty(set_.get(), &data, out);
  }

  bool DeviceKeyValue(const DeviceRef& device, const std::wstring& name, size_t buffer_bytes,
                      std::wstring* out) override {
    out->clear();
    SP_DEVINFO_DATA data;
    if (!Data(device, &data)) return false;
    HKEY opened = SetupDiOpenDevRegKey(set_.get(), &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (opened == INVALID_HANDLE_VALUE) return false;
    unique_hkey key(opened);
    std::vector<BYTE> buffer(buffer_bytes + sizeof(wchar_t), 0);  // room for a missing terminator
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer_bytes);
    LONG result = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, buffer.data(), &size);
    if (result != ERROR_SUCCESS) {
      SetLastError(static_cast<DWORD>(result));
      return false;
    }
    buffer.resize(size + sizeof(wchar_t));
    *out = FirstString(buffer);
    SetLastError(ERROR_SUCCESS);
    return true;
  }

  const void* LogHandle() const override { return set_.get(); }

 private:
  // The SP_DEVINFO_DATA of a device this set handed out; enumerated again when it is not the
  // last one seen.
  bool Data(const DeviceRef& device, SP_DEVINFO_DATA* data) {
    if (device.index != last_index_) {
      SP_DEVINFO_DATA fresh = {};
      fresh.cbSize = sizeof(fresh);
      if (!SetupDiEnumDeviceInfo(set_.get(), device.index, &fresh)) return false;
      last_ = fresh;
      last_index_ = device.index;
    }
    if (static_cast<uint32_t>(last_.DevInst) != device.devinst) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    *data = last_;
    return true;
  }

  unique_hdevinfo set_;
  SP_DEVINFO_DATA last_ = {};
  uint32_t last_index_ = 0xFFFFFFFFu;
};

}  // namespace

std::unique_ptr<DeviceSet> Win32Devices::OpenPresentDevices(const std::wstring& enumerator) {
  HDEVINFO set = SetupDiGetClassDevsW(nullptr, enumerator.empty() ? nullptr : enumerator.c_str(), nullptr,
                                      DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32DeviceSet>(set);
}

bool Win32Devices::ParentOfInstanceId(const std::wstring& instance_id, ParentLookup* out) {
  *out = ParentLookup{};
  DEVINST node = 0;
  out->locate_cr = cfgmgr::CM_Locate_DevNodeW(&node, const_cast<wchar_t*>(instance_id.c_str()), CM_LOCATE_DEVNODE_NORMAL);
  if (out->locate_cr == CR_SUCCESS && ConfigManagerParent(node, out)) return true;

  unique_hdevinfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  if (!set) {
    out->used_parent_property = true;
    out->parent_property_error = GetLastError();
    return false;
  }
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiOpenDeviceInfoW(set.get(), instance_id.c_str(), nullptr, 0, &data)) {
    out->used_parent_property = true;
    out->parent_property_error = GetLastError();
    return false;
  }
  return ParentProperty(set.get(), &data, out);
}

}  // namespace platform::win32
