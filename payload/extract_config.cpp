#include "payload/extract_config.h"

#include <cstdio>
#include <string>

#include "log/log.h"
#include "payload/inflate_entry.h"
#include "payload/payload_walk.h"
#include "platform/codepage.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/shell.h"

const char* const kConfigFileNames[] = {
    "InstallConfig_cn.txt", "InstallConfig_en.txt", "InstallConfig_rs.txt",
    "InstallConfig_tw.txt", "logo.bmp",             "DefaultPaper.json",
    "Modules.json",         "PaperSize.json",       "Text.ini",
    nullptr,
};

namespace {

constexpr const char* kFunction = "CInstallDlg::ExtractConfigFiles";
// The folder text lives in a 256-byte buffer: 255 bytes and the terminator.
constexpr size_t kFolderLimit = 255;

const char* MatchConfigName(const std::string& entry_name) {
  for (const char* const* name = kConfigFileNames; *name != nullptr; ++name) {
    if (payload::EqualsNoCase(entry_name, *name)) return *name;
  }
  return nullptr;
}

}  // namespace

void ExtractConfigFiles(platform::Machine& machine, const uint8_t* buffer, int32_t length,
                        const ProgressCallback& on_progress) {
  std::string folder;
  std::wstring local_app_data;
  if (machine.shell().SpecialFolder(platform::csidl::kLocalAppData, &local_app_data)) {
    folder = machine.codepage().ToAnsi(local_app_data);
    const std::string tail = "\\Temp\\TavroPrint\\Config\\";
    // A folder that does not fit the 256-byte text is refused rather than cut to another folder.
    if (!folder.empty() && folder.size() + tail.size() <= kFolderLimit) {
      folder += tail;
    } else {
      LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
               "[ERROR] ExtractConfigFiles - Configuration folder too long: %s\n", folder.c_str());
      folder.clear();
    }
  } else {
    std::fputs(u8"获取路径失败。\n", stdout);
    LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
             "[ERROR] ExtractConfigFiles - Failed to get Local AppData path\n");
  }
  if (folder.empty() || EnsureDirectory(folder.c_str()) != 0) {
    LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
             "[ERROR] ExtractConfigFiles - Cannot create the configuration folder \"%s\"\n",
             folder.c_str());
    return;
  }
  folder += "\\";
  if (payload::PayloadCount(buffer, length) == 0) return;

  int32_t counter = 0;
  const payload::WalkLog log{kFunction, "ExtractConfigFiles", "\n"};
  payload::WalkPayload(buffer, length, log, [&](const payload::EntryView& entry) {
    const char* name = MatchConfigName(entry.name);
    if (name == nullptr) return;
    const std::string path = folder + name;
    const int result =
        InflateEntryToFile(machine, on_progress, entry.data, entry.compressed_length, path, &counter, length);
    // The readers take these files from the payload; the copy on disk is still reported.
    if (result != kInflateOk) {
      LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
               "[ERROR] ExtractConfigFiles - Failed to extract entry %u \"%s\" to %s (result %d), Error=%d\n",
               entry.index, entry.name.c_str(), path.c_str(), result, static_cast<int>(platform::LastErrorCode()));
    }
  });
}
