#include "catalog/paper_config.h"

#include <cjson/cJSON.h>

#include <cstring>
#include <set>
#include <vector>

#include "catalog/fixed_text.h"
#include "catalog/json_file.h"
#include "log/log.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kFnConfig = "CInstallDlg::ParsePaperConfig";
constexpr const char* kFnPapers = "CInstallDlg::ParsePapersFromJson";
constexpr int kImportPathChars = 260;  // MAX_PATH, terminator included

// What GetFileAttributesW reports for the diagnostic line.
unsigned long FileAttributesOf(platform::Files& files, const std::wstring& path) {
  switch (files.StatW(path)) {
    case platform::PathKind::kFile:
      return 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    case platform::PathKind::kDirectory:
      return 0x10;  // FILE_ATTRIBUTE_DIRECTORY
    default:
      return 0xFFFFFFFFul;  // INVALID_FILE_ATTRIBUTES
  }
}

// A spelling-independent key for a Windows path: case folded, "/" as "\", doubled separators,
// "." and ".." resolved, so that "D:\x\\a.json" and "d:\x\sub\..\A.json" name one file.
std::wstring PathKey(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  auto flush = [&]() {
    if (part == L"..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (wchar_t c : path) {
    if (c == L'\\' || c == L'/') {
      flush();
    } else {
      part.push_back(FoldCase(c));
    }
  }
  flush();
  std::wstring key;
  for (const std::wstring& p : parts) key += p + L"\\";
  return key;
}

struct LoadChain {
  std::set<std::wstring> loading;  // PathKey of every file between the first load and this one
  const ConfigReader& read;
};

int ParseFile(platform::Machine& machine, const std::wstring& path, int start, LoadChain& chain);

int ParseImports(platform::Machine& machine, const cJSON* root, const std::wstring& path,
                 int* start, LoadChain& chain) {
  const cJSON* imports = cJSON_GetObjectItem(root, "Import");
  if (!cJSON_IsArray(imports)) {
    LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
             "[INFO] ParsePaperConfig - No Import field found or not an array\n");
    return 0;
  }
  int n = cJSON_GetArraySize(imports);
  LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
           "[INFO] ParsePaperConfig - Found %d import files\n", n);

  size_t cut = path.rfind(L'\\');
  std::wstring folder = cut == std::wstring::npos ? path : path.substr(0, cut);

  int total = 0;
  for (int i = 0; i < n; ++i) {
    const cJSON* item = cJSON_GetArrayItem(imports, i);
    if (!cJSON_IsString(item) || item->valuestring == nullptr) continue;
    wchar_t name[kImportPathChars];
    CopyToField(name, kImportPathChars, AnsiToWide(machine.codepage(), item->valuestring));
    wchar_t import_path[kImportPathChars];
    CopyToField(import_path, kImportPathChars, folder + L"\\" + name);
    LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
             "[INFO] ParsePaperConfig - Importing file[%d]: %ws\n", i, import_path);
    int stored = ParseFile(machine, import_path, *start, chain);
    total += stored;
    *start += stored;
  }
  return total;
}

int ParseFile(platform::Machine& machine, const std::wstring& path, int start, LoadChain& chain) {
  LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
           "[ENTRY] ParsePaperConfig - FilePath=%ws, StartIndex=%d\n", path.c_str(), start);

  std::wstring key = PathKey(path);
  if (chain.loading.count(key) != 0) {
    LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
             "[ERROR] ParsePaperConfig - Import loop: %ws is already being loaded, skipping\n",
             path.c_str());
    platform::SetLastErrorCode(platform::err::kInvalidData);
    return 0;
  }

  std::string text;
  if (!chain.read || !chain.read(path, &text)) {
    const uint32_t code = chain.read ? platform::LastErrorCode() : platform::err::kFileNotFound;
    if (code == platform::err::kNotEnoughMemory) {
      LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
               "[ERROR] ParsePaperConfig - Failed to allocate memory\n");
      platform::SetLastErrorCode(code);
      return 0;
    }
    LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
             "[ERROR] ParsePaperConfig - Failed to open file: %ws, errno=%d\n", path.c_str(),
             ErrnoFromWin32(code));
    LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
             "[INFO] ParsePaperConfig - GetFileAttributes returned: %lu\n",
             FileAttributesOf(machine.files(), path));
    platform::SetLastErrorCode(code);
    return 0;
  }
  LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
           "[INFO] ParsePaperConfig - File size: %d bytes\n", static_cast<int>(text.size()));

  const JsonTree root = ParseJsonTree(text.c_str());
  if (!root) {
    const char* at = cJSON_GetErrorPtr();
    LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
             "[ERROR] ParsePaperConfig - cJSON Parse error: %s\n", at ? at : "");
    platform::SetLastErrorCode(platform::err::kInvalidData);
    return 0;
  }

  chain.loading.insert(key);
  int imported = ParseImports(machine, root.get(), path, &start, chain);
  int own = ParsePapersFromJson(machine, root.get(), start);
  chain.loading.erase(key);

  LogPrint(kLogUnitInstallDlg, kFnConfig, __LINE__,
           "[EXIT] ParsePaperConfig - Total parsed: %d\n", imported + own);
  return imported + own;
}

}  // namespace

int ParsePaperConfig(platform::Machine& machine, const std::wstring& path, int start) {
  return ParsePaperConfig(machine, path, start, DiskConfigReader(machine.files()));
}

int ParsePaperConfig(platform::Machine& machine, const std::wstring& path, int start,
                     const ConfigReader& read) {
  // Slots a load does not reach would otherwise keep an earlier model's papers, which the GPC
  // file and the driver settings would then offer for this one.
  if (start == 0) std::memset(PaperTable, 0, sizeof(PaperTable));
  LoadChain chain{{}, read};
  return ParseFile(machine, path, start, chain);
}

int ParsePapersFromJson(platform::Machine& machine, const cJSON* root, int start) {
  if (root == nullptr) {
    LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
             "[ERROR] ParsePapersFromJson - root is NULL\n");
    return 0;
  }
  const cJSON* papers = cJSON_GetObjectItem(root, "Papers");
  if (!cJSON_IsArray(papers)) {
    LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
             "[WARN] ParsePapersFromJson - No Papers array found or not an array\n");
    return 0;
  }
  int n = cJSON_GetArraySize(papers);
  LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
           "[INFO] ParsePapersFromJson - Found %d papers, startIndex=%d\n", n, start);
  if (start < 0 || start >= kPaperTableCount) {
    if (n > 0) {
      LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
               "[WARN] ParsePapersFromJson - PaperTable full or start outside it (%d), "
               "skipping %d papers\n",
               start, n);
    }
    return 0;
  }

  int count = 0;
  for (int i = 0; i < n; ++i) {
    int slot = start + i;
    if (slot >= kPaperTableCount) {
      LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
               "[WARN] ParsePapersFromJson - PaperTable full (%d >= %d), skipping %d papers\n",
               slot, kPaperTableCount, n - i);
      break;
    }
    const cJSON* paper = cJSON_GetArrayItem(papers, i);
    PaperRecord& rec = PaperTable[slot];
    const cJSON* name = cJSON_GetObjectItem(paper, "name");
    if (cJSON_IsString(name) && name->valuestring != nullptr) {
      CopyToField(rec.name, kPaperNameChars, AnsiToWide(machine.codepage(), name->valuestring));
      LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
               "[INFO] ParsePapersFromJson - Paper[%d]: %ws\n", slot, rec.name);
    }
    auto integer = [paper](const char* key) {
      const cJSON* item = cJSON_GetObjectItem(paper, key);
      return item != nullptr ? item->valueint : 0;
    };
    rec.width = integer("width");
    rec.height = integer("height");
    rec.offsetX = integer("offsetX");
    rec.offsetY = integer("offsetY");
    LogPrint(kLogUnitInstallDlg, kFnPapers, __LINE__,
             "[INFO] ParsePapersFromJson - Paper[%d] size: %d x %d, offset: (%d, %d)\n", slot,
             rec.width, rec.height, rec.offsetX, rec.offsetY);
    ++count;
  }
  return count;
}
