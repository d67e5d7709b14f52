#include "app/install_text_file.h"

#include <vector>

#include "catalog/install_name.h"
#include "install/install_texts.h"
#include "log/log.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "text/utf16.h"

namespace {

constexpr const char* kFunction = "CInstallApp::InitInstance";
// The wide line read takes at most this many characters per piece.
constexpr size_t kPieceChars = 254;
constexpr char16_t kSeparator[] = u"====================";

bool Contains(const std::u16string& piece, const char16_t* needle) {
  return piece.find(needle) != std::u16string::npos;
}

}  // namespace

std::wstring InstallTextFilePath(const std::wstring& config_folder, int language) {
  return config_folder + TextFor(language, L"\\InstallConfig_en.txt", L"\\InstallConfig_cn.txt",
                                 L"\\InstallConfig_tw.txt");
}

void ParseInstallText(const uint8_t* data, size_t size) {
  std::u16string blocks[kInstallBlockCount];
  std::u16string values[7];
  bool cut[kInstallBlockCount] = {};
  int block = 0;
  int value_count = 0;
  // The two-byte mark is skipped unread; a final odd byte is no character.
  size_t pos = size >= 2 ? 2 : size;
  while (pos + 1 < size) {
    std::u16string piece;
    while (pos + 1 < size && piece.size() < kPieceChars) {
      char16_t unit = static_cast<char16_t>(data[pos] | (data[pos + 1] << 8));
      pos += 2;
      piece.push_back(unit);
      if (unit == u'\n') break;
    }
    if (block < kInstallBlockCount) {
      if (Contains(piece, u"\r\n")) {
        piece.resize(piece.size() - 2);
        piece.push_back(u'\n');
      }
      if (Contains(piece, kSeparator)) {
        ++block;
        continue;
      }
      std::u16string& text = blocks[block];
      size_t room = kInstallBlockMaxChars - text.size();
      if (piece.size() > room) {
        if (!cut[block]) {
          LogPrint(kLogUnitInstall, kFunction, __LINE__,
                   "[WARN] %s - Config text block %d longer than %d characters, cut\n", kFunction,
                   block + 1, kInstallBlockMaxChars);
          cut[block] = true;
        }
        piece.resize(room);
      }
      text += piece;
      continue;
    }
    if (piece.size() >= 2 && piece.compare(piece.size() - 2, 2, u"\r\n") == 0) {
      piece.resize(piece.size() - 2);
    }
    if (Contains(piece, kSeparator)) continue;
    // The first value still empty takes the line; an empty line therefore changes nothing.
    for (; value_count < 7 && !values[value_count].empty(); ++value_count) {
    }
    if (value_count < 7) values[value_count] = piece;
  }
  for (int i = 0; i < kInstallBlockCount; ++i) {
    if (!blocks[i].empty()) PageText[i] = Utf16ToWide(blocks[i]);
  }
  std::wstring* targets[] = {&Title, &ProgramName, &Driver, &Monitor, &PortPrefix, &FolderName, &Spare};
  for (int i = 0; i < 7; ++i) {
    if (!values[i].empty()) *targets[i] = Utf16ToWide(values[i]);
  }
}

bool ReadInstallTextFile(platform::Machine& machine, const std::wstring& path) {
  platform::Machine* owner = &machine;
  ConfigReader from_disk = [owner](const std::wstring& file_path, std::string* bytes) {
    bytes->clear();
    std::unique_ptr<platform::File> file = owner->files().OpenW(file_path, "rb");
    if (!file) return false;
    uint8_t chunk[4096];
    for (;;) {
      size_t got = file->Read(chunk, sizeof(chunk));
      bytes->append(reinterpret_cast<const char*>(chunk), got);
      if (got < sizeof(chunk)) break;
    }
    if (file->HasError()) {
      LogPrint(kLogUnitInstall, kFunction, __LINE__,
               "[WARN] CInstallApp::InitInstance - Config file read failed after %d bytes\n",
               static_cast<int>(bytes->size()));
    }
    return true;
  };
  return ReadInstallTextFile(machine, path, from_disk);
}

bool ReadInstallTextFile(platform::Machine& machine, const std::wstring& path,
                         const ConfigReader& read, bool remove_copy) {
  std::string bytes;
  if (path.empty() || !read || !read(path, &bytes)) {
    LogPrint(kLogUnitInstall, kFunction, __LINE__,
             "[WARN] CInstallApp::InitInstance - Config file not found, using default values\n");
    ApplyInstallTextDefaults();
    return false;
  }
  LogPrint(kLogUnitInstall, kFunction, __LINE__,
           "[INFO] CInstallApp::InitInstance - Config file opened successfully\n");
  ParseInstallText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  // The folder name lands under Program Files: one that leaves it, or changes on the way to
  // ANSI, is dropped and the wizard's built-in folder name used.
  if (!FolderName.empty()) {
    const NameProblem problem = CheckInstallName(machine.codepage(), FolderName);
    if (problem != NameProblem::kNone) {
      LogPrint(kLogUnitInstall, kFunction, __LINE__,
               "[WARN] CInstallApp::InitInstance - FolderName %ws refused (%s), using the default "
               "folder\n",
               FolderName.c_str(), NameProblemText(problem));
      FolderName.clear();
    }
  }
  // The copy extraction left in the configuration folder is not read, but still not left behind.
  if (remove_copy) machine.files().Remove(path);
  LogPrint(kLogUnitInstall, kFunction, __LINE__,
           "[INFO] CInstallApp::InitInstance - Config loaded: Title=%ws, ProgramName=%ws, Driver=%ws\n",
           Title.c_str(), ProgramName.c_str(), Driver.c_str());
  return true;
}
