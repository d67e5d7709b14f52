// The registry, with its 32- and 64-bit views. Strings travel as UTF-16 LE bytes as Windows stores them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class Hive { kLocalMachine, kCurrentUser, kClassesRoot, kUsers };

// Which view of HKLM\SOFTWARE a 32-bit process sees: its own (Wow6432Node) or the 64-bit one.
enum class RegView { kDefault, k64, k32 };

namespace regtype {
constexpr uint32_t kNone = 0;
constexpr uint32_t kSz = 1;
constexpr uint32_t kExpandSz = 2;
constexpr uint32_t kBinary = 3;
constexpr uint32_t kDword = 4;
constexpr uint32_t kMultiSz = 7;
}  // namespace regtype

struct RegValue {
  uint32_t type = regtype::kNone;
  std::vector<uint8_t> data;

  // REG_SZ with its terminating NUL, as RegSetValueExW stores it.
  static RegValue Sz(const std::wstring& text);
  static RegValue Dword(uint32_t value);
  static RegValue MultiSz(const std::vector<std::wstring>& items);
  // The text up to the first NUL (whatever the type); empty for odd-sized data.
  std::wstring AsString() const;
  // The DWORD for 4-byte data, else 0.
  uint32_t AsDword() const;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExW + RegQueryValueExW. False with 2 when the key or the value is missing.
  virtual bool QueryValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                          RegValue* out) = 0;
  virtual bool KeyExists(Hive hive, const std::wstring& key, RegView view) = 0;
  // RegCreateKeyExW + RegSetValueExW: creates missing keys.
  virtual bool SetValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                        const RegValue& value) = 0;
  virtual bool CreateKey(Hive hive, const std::wstring& key, RegView view) = 0;
  virtual bool DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view) = 0;
  // Deletes the key with everything below it.
  virtual bool DeleteTree(Hive hive, const std::wstring& key, RegView view) = 0;
  // Names of the direct subkeys, in the registry's order. False with 2 for a missing key.
  virtual bool EnumSubKeys(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) = 0;
  // Names of the values of a key.
  virtual bool EnumValues(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) = 0;

  // The 8-bit calls (RegOpenKeyExA, RegEnumKeyExA, RegQueryValueExA): key and value names and
  // string data in the ANSI code page (characters it lacks become '?').
  // RegOpenKeyExA alone: false with 2 for a missing key.
  virtual bool KeyExistsA(Hive hive, const std::string& key, RegView view) = 0;
  // The subkey names as RegEnumKeyExA gives them, in the registry's order. False with 2 for a
  // missing key; when RegEnumKeyExA fails part-way, false with its code and `out` holding the
  // names read before.
  virtual bool EnumSubKeysA(Hive hive, const std::string& key, RegView view,
                            std::vector<std::string>* out) = 0;
  // A value as RegQueryValueExA gives it: REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ data as ANSI
  // bytes (with the terminating NUL when it was stored), other types unchanged. False with 2
  // when the key or the value is missing.
  virtual bool QueryValueA(Hive hive, const std::string& key, const std::string& name, RegView view,
                           RegValue* out) = 0;
};

}  // namespace platform
