// The configuration files as the elevated installer reads them: from the payload held in memory,
// not back from the configuration folder they are extracted to, where any program of the user
// can replace them in between.
#pragma once

#include <cstdint>
#include <string>

namespace payload {

// The configuration folder a LocalAppData folder gives: "<local_app_data>\Temp\TavroPrint\Config".
std::wstring ConfigFolderOf(const std::wstring& local_app_data);

// The configuration name (as the extraction list spells it) of the file `path` names when it lies
// directly in `config_folder`, or null. Separators may be doubled or "/", "." and ".." are
// resolved, letter case and a component's trailing dots and spaces do not count, as in Windows.
const char* ConfigNameAt(const std::wstring& config_folder, const std::wstring& path);

// The decompressed content of the last entry matching `config_name` (case-insensitively, as the
// extraction matches it, and so the one it leaves on disk). False with 2 (ERROR_FILE_NOT_FOUND)
// when there is none, 13 (ERROR_INVALID_DATA) when its data is corrupt.
bool ReadConfigEntry(const uint8_t* buffer, int32_t length, const char* config_name, std::string* out);

// The configuration folder of one run read from the payload: what extraction wrote there.
class PayloadConfigFiles {
 public:
  // `local_app_data` empty: there is no configuration folder, and so no file in it.
  PayloadConfigFiles(const uint8_t* buffer, int32_t length, const std::wstring& local_app_data);

  // The content of the file at `path` as the payload holds it. False with 2 when `path` does not
  // name a configuration file of the folder or the payload lacks it (a missing file), 13 for a
  // corrupt entry.
  bool Read(const std::wstring& path, std::string* out) const;

 private:
  const uint8_t* buffer_;
  int32_t length_;
  std::wstring folder_;
};

}  // namespace payload
