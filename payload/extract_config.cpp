#include "payload/extract_config.h"

#include <cstdio>
#include <string>

#include "log/log.h"
#include "payload/inflate_entry.h"
#include "payload/payload_walk.h"
#include "platform/codepage.h"
#include "platform/files.h"
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

bool ConfigFolderLinkFree(platform::Machine& machine, const std::wstring& local_app_data, const char* function) {
  std::string path = machine.codepage().ToAnsi(local_app_data);
  for (const char* part : {"\\Temp", "\\TavroPrint", "\\Config"}) {
    path += part;
    platform::PathFacts facts;
    if (!machine.files().Inspect(path, &facts)) {
      const uint32_t code = platform::LastErrorCode();
      if (code == platform::err::kFileNotFound || code == platform::err::kPathNotFound) return true;
      LogPrint(kLogUnitInstallDlg, function, __LINE__,
               "[ERROR] %s - Cannot inspect %s, Error=%d\n", function, path.c_str(), static_cast<int>(code));
      return false;
    }
    if (facts.reparse_point) {
      LogPrint(kLogUnitInstallDlg, function, __LINE__,
               "[ERROR] %s - %s is a link, the configuration folder is not used\n", function, path.c_str());
      return false;
    }
  }
  return true;
}

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
  // Checked before the folders are made (a link would carry the new ones elsewhere) and after.
  const bool usable = !folder.empty() && ConfigFolderLinkFree(machine, local_app_data, kFunction) &&
                      EnsureDirectory(folder.c_str()) == 0 &&
                      ConfigFolderLinkFree(machine, local_app_data, kFunction);
  if (!usable) {
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
    platform::PathFacts facts;
    if (machine.files().Inspect(path, &facts) && (facts.reparse_point || facts.links > 1)) {
      LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
               "[ERROR] ExtractConfigFiles - %s is a link, not written\n", path.c_str());
      return;
    }
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
