// The simulated machine's registry: a key tree per hive, names compared without regard to case
// and kept as first spelled, values in the order they were created, and the WOW64 views. A
// 32-bit process on 64-bit Windows (the default) sees HKLM\SOFTWARE\X as SOFTWARE\Wow6432Node\X
// unless it asks for RegView::k64; HKLM\SYSTEM, HARDWARE and the keys Windows shares between the
// views (...\Windows NT\CurrentVersion\Ports, Print, Fonts, ...) are the same in both.
//
// The 8-bit calls convert names and string data through the machine's ANSI code page.
//
// Fault names: "RegOpenKeyExW" (every call that opens an existing key: QueryValue, KeyExists,
// DeleteValue, EnumSubKeys, EnumValues, DeleteTree), "RegQueryValueExW", "RegCreateKeyExW"
// (SetValue, CreateKey), "RegSetValueExW", "RegDeleteValueW", "RegDeleteTreeW",
// "RegEnumKeyExW", "RegEnumValueW"; "RegOpenKeyExA" (KeyExistsA, EnumSubKeysA, QueryValueA),
// "RegEnumKeyExA" (asked once per subkey, as Windows is), "RegQueryValueExA".
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_faults.h"

namespace platform::sim {

class SimRegistry : public Registry {
 public:
  SimRegistry(SimFaults& faults, SimCodePage& codepage);
  ~SimRegistry() override;

  bool QueryValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                  RegValue* out) override;
  bool KeyExists(Hive hive, const std::wstring& key, RegView view) override;
  bool SetValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                const RegValue& value) override;
  bool CreateKey(Hive hive, const std::wstring& key, RegView view) override;
  bool DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view) override;
  bool DeleteTree(Hive hive, const std::wstring& key, RegView view) override;
  bool EnumSubKeys(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) override;
  bool EnumValues(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) override;
  bool KeyExistsA(Hive hive, const std::string& key, RegView view) override;
  bool EnumSubKeysA(Hive hive, const std::string& key, RegView view, std::vector<std::string>* out) override;
  bool QueryValueA(Hive hive, const std::string& key, const std::string& name, RegView view,
                   RegValue* out) override;

  // The machine's own services (the spooler's ports, the device map, device parameters) keep
  // their facts here and reach them through these: no fault injection, no call counting, no
  // denied keys, the last error untouched. False when the key (or value) is missing.
  bool Get(Hive hive, const std::wstring& key, const std::wstring& name, RegView view, RegValue* out);
  void Put(Hive hive, const std::wstring& key, const std::wstring& name, RegView view, const RegValue& value);
  void MakeKey(Hive hive, const std::wstring& key, RegView view);
  bool SubKeys(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out);
  bool Values(Hive hive, const std::wstring& key, RegView view,
              std::vector<std::pair<std::wstring, RegValue>>* out);
  bool Erase(Hive hive, const std::wstring& key, RegView view);
  bool EraseValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view);

  // Arranging: false makes the registry that of a 32-bit Windows (one view, no Wow6432Node).
  void SetRedirection(bool wow64);
  // Opening the key (in the view given) or anything below it fails with `code`; 0 clears.
  void DenyKey(Hive hive, const std::wstring& key, RegView view, uint32_t code);
  // The key path a call with this view really reaches ("SOFTWARE\Wow6432Node\X" ...).
  std::wstring ResolvedPath(Hive hive, const std::wstring& key, RegView view);

  struct Key {
    std::wstring name;
    std::map<std::wstring, std::unique_ptr<Key>> subkeys;  // by upper-case name
    std::vector<std::pair<std::wstring, RegValue>> values;
  };

 private:
  std::vector<std::wstring> Resolve(Hive hive, const std::wstring& key, RegView view);
  Key* Walk(Hive hive, const std::vector<std::wstring>& parts, bool create);
  bool Denied(Hive hive, const std::vector<std::wstring>& parts);

  // RegOpenKeyEx on an existing key, with mutex_ held: null with the key's denial, or with 2 when
  // it is missing. The code page keeps its setting in this registry, so the 8-bit calls convert
  // their texts (DecodeAnsi) before mutex_ is taken, never under it.
  Key* Open(Hive hive, const std::wstring& key, RegView view);
  std::wstring DecodeAnsi(const std::string& text);
  static bool EraseLocked(Key* parent, const std::wstring& name);

  SimFaults& faults_;
  SimCodePage& codepage_;
  std::mutex mutex_;
  std::map<int, std::unique_ptr<Key>> hives_;
  std::map<std::pair<int, std::wstring>, uint32_t> denied_;
  bool wow64_ = true;
};

}  // namespace platform::sim
