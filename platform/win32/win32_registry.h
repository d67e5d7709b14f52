// The real registry. RegView picks KEY_WOW64_64KEY or KEY_WOW64_32KEY on every open, so a
// 32-bit process reaches both views of HKLM\SOFTWARE.
#pragma once

#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry : public Registry {
 public:
  bool QueryValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                  RegValue* out) override;
  bool KeyExists(Hive hive, const std::wstring& key, RegView view) override;
  bool SetValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view,
                const RegValue& value) override;
  bool CreateKey(Hive hive, const std::wstring& key, RegView view) override;
  bool DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name, RegView view) override;
  // RegDeleteTreeW on the key's contents, then RegDeleteKeyExW on the key, both in the view.
  bool DeleteTree(Hive hive, const std::wstring& key, RegView view) override;
  bool EnumSubKeys(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) override;
  bool EnumValues(Hive hive, const std::wstring& key, RegView view, std::vector<std::wstring>* out) override;
  bool KeyExistsA(Hive hive, const std::string& key, RegView view) override;
  bool EnumSubKeysA(Hive hive, const std::string& key, RegView view, std::vector<std::string>* out) override;
  bool QueryValueA(Hive hive, const std::string& key, const std::string& name, RegView view,
                   RegValue* out) override;
};

}  // namespace platform::win32
