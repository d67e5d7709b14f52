// clang-format off
#include <winsock2.h>
#include <ws2bth.h>
#include <windows.h>
#include <bluetoothapis.h>
// clang-format on

#include "platform/win32/win32_bluetooth.h"

#include <cstring>
#include <new>

#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

// SerialPortServiceClass_UUID, spelled out: bthdef.h only declares it.
const GUID kSerialPortServiceClass = {0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
// BLUETOOTH_SERVICE_ENABLE, which MinGW-w64's bluetoothapis.h lacks.
constexpr DWORD kServiceEnable = 0x01;

// The Bluetooth API, resolved once from bthprops.cpl in the system folder (system_library.h).
struct BluetoothApi {
  using FindFirstRadioFn = HBLUETOOTH_RADIO_FIND(WINAPI*)(const BLUETOOTH_FIND_RADIO_PARAMS*, HANDLE*);
  using FindRadioCloseFn = BOOL(WINAPI*)(HBLUETOOTH_RADIO_FIND);
  using GetDeviceInfoFn = DWORD(WINAPI*)(HANDLE, BLUETOOTH_DEVICE_INFO*);
  using AuthenticateDeviceFn = DWORD(WINAPI*)(HWND, HANDLE, BLUETOOTH_DEVICE_INFO*, PWSTR, ULONG);
  using UpdateDeviceRecordFn = DWORD(WINAPI*)(const BLUETOOTH_DEVICE_INFO*);
  using SetServiceStateFn = DWORD(WINAPI*)(HANDLE, const BLUETOOTH_DEVICE_INFO*, const GUID*, DWORD);

  BluetoothApi() {
    module = BluetoothLibrary().Module();
    if (module == nullptr) {
      load_error = ::GetLastError();
      return;
    }
    find_first_radio = Resolve<FindFirstRadioFn>("BluetoothFindFirstRadio");
    find_radio_close = Resolve<FindRadioCloseFn>("BluetoothFindRadioClose");
    get_device_info = Resolve<GetDeviceInfoFn>("BluetoothGetDeviceInfo");
    authenticate_device = Resolve<AuthenticateDeviceFn>("BluetoothAuthenticateDevice");
    update_device_record = Resolve<UpdateDeviceRecordFn>("BluetoothUpdateDeviceRecord");
    set_service_state = Resolve<SetServiceStateFn>("BluetoothSetServiceState");
  }

  template <typename Fn>
  Fn Resolve(const char* name) {
    return BluetoothLibrary().Entry<Fn>(name);
  }

  HMODULE module = nullptr;  // owned by BluetoothLibrary()
  DWORD load_error = 0;
  FindFirstRadioFn find_first_radio = nullptr;
  FindRadioCloseFn find_radio_close = nullptr;
  GetDeviceInfoFn get_device_info = nullptr;
  AuthenticateDeviceFn authenticate_device = nullptr;
  UpdateDeviceRecordFn update_device_record = nullptr;
  SetServiceStateFn set_service_state = nullptr;
};

BluetoothApi& Api() {
  static BluetoothApi api;
  return api;
}

namespace bt_traits {
struct RadioFind {
  using pointer = HBLUETOOTH_RADIO_FIND;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) {
    if (Api().find_radio_close) Api().find_radio_close(h);
  }
};
struct WsaLookup {
  using pointer = HANDLE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::WSALookupServiceEnd(h); }
};
}  // namespace bt_traits

using unique_radio_find = unique_any<bt_traits::RadioFind>;
using unique_wsa_lookup = unique_any<bt_traits::WsaLookup>;

class Win32BluetoothRadio : public BluetoothRadio {
 public:
  explicit Win32BluetoothRadio(HANDLE radio) : radio_(radio) {}
  HANDLE get() const { return radio_.get(); }

 private:
  unique_handle radio_;
};

HANDLE RadioHandle(BluetoothRadio* radio) {
  auto* real = dynamic_cast<Win32BluetoothRadio*>(radio);
  return real ? real->get() : nullptr;
}

BLUETOOTH_DEVICE_INFO ToWindows(const BluetoothDeviceInfo& info) {
  BLUETOOTH_DEVICE_INFO out;
  std::memset(&out, 0, sizeof(out));
  out.dwSize = sizeof(out);
  out.Address.ullLong = info.address;
  out.ulClassofDevice = info.class_of_device;
  out.fConnected = info.connected;
  out.fRemembered = info.remembered;
  out.fAuthenticated = info.authenticated;
  size_t n = info.name.size() < BLUETOOTH_MAX_NAME_SIZE - 1 ? info.name.size() : BLUETOOTH_MAX_NAME_SIZE - 1;
  std::memcpy(out.szName, info.name.data(), n * sizeof(wchar_t));
  return out;
}

void FromWindows(const BLUETOOTH_DEVICE_INFO& in, BluetoothDeviceInfo* out) {
  out->address = in.Address.ullLong & 0xFFFFFFFFFFFFull;
  out->class_of_device = in.ulClassofDevice;
  out->connected = in.fConnected != FALSE;
  out->remembered = in.fRemembered != FALSE;
  out->authenticated = in.fAuthenticated != FALSE;
  size_t n = 0;
  while (n < BLUETOOTH_MAX_NAME_SIZE && in.szName[n]) ++n;
  out->name.assign(in.szName, n);
}

class Win32BluetoothLookup : public BluetoothLookup {
 public:
  explicit Win32BluetoothLookup(HANDLE lookup) : lookup_(lookup) {}

  bool Reserve(size_t bytes) override {
    std::unique_ptr<BYTE[]> grown(new (std::nothrow) BYTE[bytes]);
    if (!grown) {
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    buffer_ = std::move(grown);
    bytes_ = bytes;
    return true;
  }

  size_t BufferBytes() const override { return bytes_; }

  int Next(uint32_t flags, BluetoothLookupResult* out, size_t* needed_bytes) override {
    *out = BluetoothLookupResult{};
    if (!buffer_ || bytes_ < sizeof(WSAQUERYSETW)) {
      *needed_bytes = sizeof(WSAQUERYSETW);
      ::WSASetLastError(WSAEFAULT);
      return WSAEFAULT;
    }
    std::memset(buffer_.get(), 0, bytes_);
    auto* results = reinterpret_cast<WSAQUERYSETW*>(buffer_.get());
    results->dwSize = sizeof(WSAQUERYSETW);
    results->dwNameSpace = NS_BTH;
    DWORD length = static_cast<DWORD>(bytes_);
    if (::WSALookupServiceNextW(lookup_.get(), flags, &length, results) == SOCKET_ERROR) {
      int error = ::WSAGetLastError();
      if (error == WSAEFAULT) *needed_bytes = length;
      return error;
    }
    if (results->lpszServiceInstanceName) out->name = results->lpszServiceInstanceName;
    if (results->dwNumberOfCsAddrs > 0 && results->lpcsaBuffer && results->lpcsaBuffer->RemoteAddr.lpSockaddr) {
      const auto* address = reinterpret_cast<const SOCKADDR_BTH*>(results->lpcsaBuffer->RemoteAddr.lpSockaddr);
      out->has_address = true;
      out->address = address->btAddr & 0xFFFFFFFFFFFFull;
    }
    return 0;
  }

 private:
  unique_wsa_lookup lookup_;
  std::unique_ptr<BYTE[]> buffer_;
  size_t bytes_ = 0;
};

}  // namespace

class Win32WinsockSession : public WinsockSession {
 public:
  ~Win32WinsockSession() override { ::WSACleanup(); }
};

std::unique_ptr<WinsockSession> Win32Bluetooth::StartWinsock(int* error) {
  WSADATA data;
  *error = ::WSAStartup(MAKEWORD(2, 2), &data);
  if (*error != 0) return nullptr;
  return std::make_unique<Win32WinsockSession>();
}

std::unique_ptr<BluetoothLookup> Win32Bluetooth::LookupBegin(uint32_t flags, int* error) {
  *error = 0;
  WSAQUERYSETW query;
  std::memset(&query, 0, sizeof(query));
  query.dwSize = sizeof(query);
  query.dwNameSpace = NS_BTH;
  HANDLE lookup = nullptr;
  if (::WSALookupServiceBeginW(&query, flags, &lookup) == SOCKET_ERROR) {
    *error = ::WSAGetLastError();
    return nullptr;
  }
  return std::make_unique<Win32BluetoothLookup>(lookup);
}

std::unique_ptr<BluetoothRadio> Win32Bluetooth::FindFirstRadio() {
  BluetoothApi& api = Api();
  if (!api.find_first_radio) {
    ::SetLastError(api.module ? ERROR_PROC_NOT_FOUND : api.load_error);
    return nullptr;
  }
  BLUETOOTH_FIND_RADIO_PARAMS params = {sizeof(params)};
  HANDLE radio = nullptr;
  unique_radio_find find(api.find_first_radio(&params, &radio));
  if (!find) return nullptr;
  return std::make_unique<Win32BluetoothRadio>(radio);
}

uint32_t Win32Bluetooth::GetDeviceInfo(BluetoothRadio& radio, BluetoothDeviceInfo* info) {
  if (!Api().get_device_info) return ERROR_PROC_NOT_FOUND;
  BLUETOOTH_DEVICE_INFO device = ToWindows(*info);
  DWORD code = Api().get_device_info(RadioHandle(&radio), &device);
  if (code == ERROR_SUCCESS) FromWindows(device, info);
  return code;
}

uint32_t Win32Bluetooth::AuthenticateDevice(BluetoothRadio& radio, BluetoothDeviceInfo* info) {
  if (!Api().authenticate_device) return ERROR_PROC_NOT_FOUND;
  BLUETOOTH_DEVICE_INFO device = ToWindows(*info);
  DWORD code = Api().authenticate_device(nullptr, RadioHandle(&radio), &device, nullptr, 0);
  FromWindows(device, info);
  return code;
}

uint32_t Win32Bluetooth::UpdateDeviceRecord(const BluetoothDeviceInfo& info) {
  if (!Api().update_device_record) return ERROR_PROC_NOT_FOUND;
  BLUETOOTH_DEVICE_INFO device = ToWindows(info);
  return Api().update_device_record(&device);
}

uint32_t Win32Bluetooth::EnableSerialPortService(BluetoothRadio* radio, const BluetoothDeviceInfo& info) {
  if (!Api().set_service_state) return ERROR_PROC_NOT_FOUND;
  BLUETOOTH_DEVICE_INFO device = ToWindows(info);
  return Api().set_service_state(RadioHandle(radio), &device, &kSerialPortServiceClass, kServiceEnable);
}

}  // namespace platform::win32
