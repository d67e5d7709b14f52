#include "payload/extract_install.h"

#include "log/log.h"
#include "payload/create_folder_path.h"
#include "payload/inflate_entry.h"
#include "payload/payload_walk.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"

namespace {

constexpr const char* kFunction = "CInstallDlg::LoadFileFromeData";
// The install folder's 8-bit text lives in a 260-byte buffer.
constexpr size_t kFolderLimit = 259;

struct LegacyName {
  const char* entry;
  const char* older;
};

// Module names of earlier driver generations, still written under the names their INF files use.
constexpr LegacyName kLegacyNames[] = {
    {"tavrorender.dll", "tvrdrv.dll"},
    {"tavrorender.dll.x64", "tvrdrv.dll.x64"},
    {"tavrouimod.dll", "tvrui.dll"},
    {"tavrouimod.dll.x64", "tvrui.dll.x64"},
};

}  // namespace

const char* LegacyFileName(const std::string& file_name) {
  for (const LegacyName& name : kLegacyNames) {
    if (payload::EqualsNoCase(file_name, name.entry)) return name.older;
  }
  return nullptr;
}

int LoadFileFromeData(platform::Machine& machine, const uint8_t* buffer, int32_t length,
                      const ProgressCallback& on_progress, const std::wstring& install_folder,
                      const CurrentFileCallback& on_current_file) {
  platform::CodePage& codepage = machine.codepage();
  platform::Files& files = machine.files();
  const std::string folder = codepage.ToAnsi(install_folder);
  const uint32_t count = payload::PayloadCount(buffer, length);
  LogPrint(kLogUnitInstallDlg, kFunction, __LINE__, "[INFO] LoadFileFromeData - FileCount=%d\r\n",
           static_cast<int>(count));

  uint32_t first_failure = platform::err::kSuccess;
  // An empty folder would put the files in the drive's root, a cut one in another folder.
  if (folder.empty() || folder.size() > kFolderLimit) {
    LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
             "[ERROR] LoadFileFromeData - Install folder empty or too long (%d bytes), nothing "
             "extracted, Error=%d\r\n",
             static_cast<int>(folder.size()), static_cast<int>(platform::err::kBadPathname));
    first_failure = platform::err::kBadPathname;
  } else if (count > 0) {
    int32_t counter = 0;
    const payload::WalkLog log{kFunction, "LoadFileFromeData", "\r\n"};
    const bool whole = payload::WalkPayload(buffer, length, log, [&](const payload::EntryView& entry) {
      std::string target = folder + "\\" + entry.name;
      const size_t split = target.rfind('\\');
      const std::string directory = target.substr(0, split);
      const std::string file_name = target.substr(split + 1);
      if (const char* older = LegacyFileName(file_name)) target = folder + "\\" + older;
      if (files.Stat(directory) == platform::PathKind::kMissing) {
        CreateFolderPath(files, codepage.FromAnsi(directory));
      }
      const int result = InflateEntryToFile(machine, on_progress, entry.data, entry.compressed_length,
                                            target, &counter, length);
      if (result != kInflateOk) {
        const uint32_t code = platform::LastErrorCode();
        LogPrint(kLogUnitInstallDlg, kFunction, __LINE__,
                 "[ERROR] LoadFileFromeData - Failed to extract entry %u \"%s\" to %s (result %d), "
                 "Error=%d\r\n",
                 entry.index, entry.name.c_str(), target.c_str(), result, static_cast<int>(code));
        if (first_failure == platform::err::kSuccess) first_failure = code;
      }
      if (on_current_file) on_current_file(codepage.FromAnsi(file_name));
      if (on_progress) on_progress(ProgressPosition(static_cast<double>(entry.index) + 1, count));
    });
    // Entries after the break were never written: the installation lacks them.
    if (!whole && first_failure == platform::err::kSuccess) first_failure = platform::err::kInvalidData;
  }
  LogPrint(kLogUnitInstallDlg, kFunction, __LINE__, "[INFO] LoadFileFromeData - Retrace Finish\r\n");
  return static_cast<int>(first_failure);
}
