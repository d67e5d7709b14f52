// One owner for every kind of Windows handle: unique_any<Traits> closes its handle exactly once,
// in its destructor or on reset. Traits name the handle type, its invalid value and its close call;
// each handle kind has one alias below. No code outside this header calls a close function.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <winspool.h>

#include <cstdio>
#include <utility>

#include "platform/win32/winspool_api.h"

namespace platform::win32 {

template <typename Traits>
class unique_any {
 public:
  using pointer = typename Traits::pointer;

  unique_any() = default;
  explicit unique_any(pointer value) : value_(value) {}
  ~unique_any() { reset(); }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  pointer get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Invalid(); }

  // Closes the held handle (keeping the thread's last error) and takes `value`.
  void reset(pointer value = Traits::Invalid()) {
    if (value_ != Traits::Invalid()) {
      DWORD saved = ::GetLastError();
      Traits::Close(value_);
      ::SetLastError(saved);
    }
    value_ = value;
  }
  // Gives the handle up without closing it.
  pointer release() { return std::exchange(value_, Traits::Invalid()); }
  // Closes the held handle and returns the slot for an API's out parameter.
  pointer* put() {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::Invalid();
};

namespace traits {
struct RegKey {
  using pointer = HKEY;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::RegCloseKey(h); }
};
struct Handle {  // threads, events, processes: null when absent
  using pointer = HANDLE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::CloseHandle(h); }
};
struct FileHandle {  // CreateFileW: INVALID_HANDLE_VALUE when absent
  using pointer = HANDLE;
  static pointer Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(pointer h) { ::CloseHandle(h); }
};
struct Module {
  using pointer = HMODULE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::FreeLibrary(h); }
};
struct Find {
  using pointer = HANDLE;
  static pointer Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(pointer h) { ::FindClose(h); }
};
struct DevInfo {
  using pointer = HDEVINFO;
  static pointer Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(pointer h) { ::SetupDiDestroyDeviceInfoList(h); }
};
struct Printer {
  using pointer = HANDLE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) {
    if (winspool::ClosePrinterFn close = winspool::ClosePrinterEntry()) close(h);
  }
};
struct Service {
  using pointer = SC_HANDLE;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::CloseServiceHandle(h); }
};
struct Font {  // GDI fonts (CreateFontIndirectW)
  using pointer = HFONT;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::DeleteObject(h); }
};
struct ScreenDc {  // GetDC(nullptr): the screen's device context
  using pointer = HDC;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::ReleaseDC(nullptr, h); }
};
struct ImageList {  // ImageList_Create, once a list view has given it back
  using pointer = HIMAGELIST;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::ImageList_Destroy(h); }
};
struct Icon {  // icons loaded with LoadImageW (not shared)
  using pointer = HICON;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::DestroyIcon(h); }
};
struct LocalMem {  // what the system allocates for its caller (security descriptors, SID texts)
  using pointer = HLOCAL;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::LocalFree(h); }
};
struct CrtFile {
  using pointer = FILE*;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer f) { ::fclose(f); }
};
struct DevNotify {  // RegisterDeviceNotificationW
  using pointer = HDEVNOTIFY;
  static pointer Invalid() { return nullptr; }
  static void Close(pointer h) { ::UnregisterDeviceNotification(h); }
};
}  // namespace traits

using unique_hkey = unique_any<traits::RegKey>;
using unique_handle = unique_any<traits::Handle>;
using unique_hfile = unique_any<traits::FileHandle>;
using unique_hmodule = unique_any<traits::Module>;
using unique_hfind = unique_any<traits::Find>;
using unique_hdevinfo = unique_any<traits::DevInfo>;
using unique_hprinter = unique_any<traits::Printer>;
using unique_schandle = unique_any<traits::Service>;
using unique_crt_file = unique_any<traits::CrtFile>;
using unique_hfont = unique_any<traits::Font>;
using unique_hicon = unique_any<traits::Icon>;
using unique_screen_dc = unique_any<traits::ScreenDc>;
using unique_himagelist = unique_any<traits::ImageList>;
using unique_hlocal = unique_any<traits::LocalMem>;
using unique_hdevnotify = unique_any<traits::DevNotify>;

}  // namespace platform::win32
