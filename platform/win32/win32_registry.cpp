#include "platform/win32/win32_registry.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

namespace {

HKEY RootOf(Hive hive) {
  switch (hive) {
    case Hive::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case Hive::kCurrentUser: return HKEY_CURRENT_USER;
    case Hive::kClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::kUsers: return HKEY_USERS;
  }
  return HKEY_LOCAL_MACHINE;
}

REGSAM ViewFlag(RegView view) {
  switch (view) {
    case RegView::k64: return KEY_WOW64_64KEY;
    case RegView::k32: return KEY_WOW64_32KEY;
    case RegView::kDefault: break;
  }
  return 0;
}

// Registry calls return their code instead of setting the last error; the seam reports it the
// way every other call does.
bool Check(LONG rc) {
  ::SetLastError(static_cast<DWORD>(rc));
  return rc == ERROR_SUCCESS;
}

bool OpenKey(Hive hive, const std::wstring& key, RegView view, REGSAM access, unique_hkey* out) {
  return Check(::RegOpenKeyExW(RootOf(hive), key.c_str(), 0, access | ViewFlag(view), out->put()));
}

bool OpenKeyA(Hive hive, const std::string& key, RegView view, REGSAM access, unique_hkey* out) {
  return Check(::RegOpenKeyExA(RootOf(hive), key.c_str(), 0, access | ViewFlag(view), out->put()));
}

bool CreateKeyHandle(Hive hive, const std::wstring& key, RegView view, REGSAM access, unique_hkey* out) {
  return Check(::RegCreateKeyExW(RootOf(hive), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 access | ViewFlag(view), nullptr, out->put(), nullptr));
}

// The "ask for the size, then read" dance of RegQueryValueEx (`query`: the W or the A form) on the
// value `name` of `key`, asked again while the value grows between the calls. False with the
// call's code.
template <typename Char, typename QueryFn>
bool QueryAll(HKEY key, const Char* name, QueryFn query, RegValue* out) {
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = query(key, name, nullptr, &type, nullptr, &size);
  std::vector<uint8_t> data;
  while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    data.resize(size);
    DWORD got = size;
    rc = query(key, name, nullptr, &type, data.empty() ? nullptr : data.data(), &got);
    if (rc == ERROR_SUCCESS) {
      data.resize(got);
      break;
    }
    size = got > size ? got : size * 2 + 2;
  }
  if (!Check(rc)) return false;
  out->type = type;
  out->data = std::move(data);
  return true;
}

// Lists into `out` the names that `enumerate` (RegEnumKeyExW, RegEnumKeyExA or RegEnumValueW)
// gives for the indexes 0, 1, ... of `key`, with a buffer of `size` characters that doubles while
// a name is longer than it (a name can grow between the size query and the listing) and is below
// `max_size`. False with the call's code; true with the last error cleared.
constexpr size_t kNoLimit = static_cast<size_t>(-1);
template <typename Char, typename Enumerate>
bool EnumNames(HKEY key, size_t size, size_t max_size, Enumerate enumerate,
               std::vector<std::basic_string<Char>>* out) {
  std::vector<Char> name(size);
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    LONG rc = enumerate(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_MORE_DATA && name.size() < max_size) {
      name.resize(name.size() * 2);
      --i;
      continue;
    }
    if (!Check(rc)) return false;
    out->emplace_back(name.data(), len);
  }
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace

bool Win32Registry::QueryValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                               RegValue* out) {
  unique_hkey k;
  if (!OpenKey(hive, key, view, KEY_QUERY_VALUE, &k)) return false;
  return QueryAll(k.get(), name.c_str(), ::RegQueryValueExW, out);
}

bool Win32Registry::KeyExists(Hive hive, const std::wstring& key, RegView view) {
  unique_hkey k;
  return OpenKey(hive, key, view, KEY_QUERY_VALUE, &k);
}

bool Win32Registry::SetValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                             const RegValue& value) {
  unique_hkey k;
  if (!CreateKeyHandle(hive, key, view, KEY_SET_VALUE, &k)) return false;
  return Check(::RegSetValueExW(k.get(), name.c_str(), 0, value.type,
                                value.data.empty() ? nullptr : value.data.data(),
                                static_cast<DWORD>(value.data.size())));
}

bool Win32Registry::CreateKey(Hive hive, const std::wstring& key, RegView view) {
  unique_hkey k;
  return CreateKeyHandle(hive, key, view, KEY_QUERY_VALUE, &k);
}

bool Win32Registry::DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view) {
  unique_hkey k;
  if (!OpenKey(hive, key, view, KEY_SET_VALUE, &k)) return false;
  return Check(::RegDeleteValueW(k.get(), name.c_str()));
}

bool Win32Registry::DeleteTree(Hive hive, const std::wstring& key, RegView view) {
  {
    unique_hkey k;
    if (!OpenKey(hive, key, view, KEY_ALL_ACCESS, &k)) return false;
    // The open handle already lies in the chosen view, so its subkeys are that view's.
    if (!Check(::RegDeleteTreeW(k.get(), nullptr))) return false;
  }
  return Check(::RegDeleteKeyExW(RootOf(hive), key.c_str(), ViewFlag(view), 0));
}

bool Win32Registry::EnumSubKeys(Hive hive, const std::wstring& key, RegView view,
                                std::vector<std::wstring>* out) {
  unique_hkey k;
  if (!OpenKey(hive, key, view, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &k)) return false;
  out->clear();
  DWORD max_len = 0;
  if (!Check(::RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, &max_len, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr)))
    return false;
  // A longer subkey may appear between the size query and the listing.
  return EnumNames(k.get(), max_len + 1, kNoLimit, ::RegEnumKeyExW, out);
}

bool Win32Registry::EnumValues(Hive hive, const std::wstring& key, RegView view,
                               std::vector<std::wstring>* out) {
  unique_hkey k;
  if (!OpenKey(hive, key, view, KEY_QUERY_VALUE, &k)) return false;
  out->clear();
  DWORD max_len = 0;
  if (!Check(::RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                &max_len, nullptr, nullptr, nullptr)))
    return false;
  return EnumNames(k.get(), max_len + 1, kNoLimit, ::RegEnumValueW, out);
}

bool Win32Registry::KeyExistsA(Hive hive, const std::string& key, RegView view) {
  unique_hkey k;
  return OpenKeyA(hive, key, view, KEY_READ, &k);
}

bool Win32Registry::EnumSubKeysA(Hive hive, const std::string& key, RegView view, std::vector<std::string>* out) {
  out->clear();
  unique_hkey k;
  if (!OpenKeyA(hive, key, view, KEY_READ, &k)) return false;
  // A key name has at most 255 characters; in a double-byte code page that is up to 510 bytes.
  return EnumNames(k.get(), 512, 65536, ::RegEnumKeyExA, out);
}

bool Win32Registry::QueryValueA(Hive hive, const std::string& key, const std::string& name, RegView view,
                                RegValue* out) {
  unique_hkey k;
  if (!OpenKeyA(hive, key, view, KEY_QUERY_VALUE, &k)) return false;
  return QueryAll(k.get(), name.c_str(), ::RegQueryValueExA, out);
}

}  // namespace platform::win32
