// Pending: becomes payload_test.cpp once the Windows backend (platform/win32/win32_machine.h) is on main.
// The payload under Wine: the real LoadData reads this program's own INSTALL 142 resource, and
// both extractions write it through the real machine into the prefix's folders.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "log/log.h"
#include "payload/config_entry.h"
#include "payload/extract_config.h"
#include "payload/extract_install.h"
#include "payload/load_data.h"
#include "payload/payload_archive.h"
#include "platform/last_error.h"
#include "platform/win32/win32_machine.h"

namespace {

const std::string kSuffix = TAVRO_PAYLOAD_TEST_SUFFIX;

std::vector<char> ReadAll(const std::wstring& path) {
  std::vector<char> bytes;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (f == nullptr) return bytes;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  fclose(f);
  return bytes;
}

// The extracted file holds exactly the expected bytes (and the expected file is not empty).
void ExpectSameFile(const std::wstring& extracted, const std::wstring& expected) {
  const std::vector<char> want = ReadAll(expected);
  ASSERT_FALSE(want.empty()) << "cannot read the expected file";
  EXPECT_EQ(ReadAll(extracted), want);
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The source tree as the Windows program sees it (Wine maps / to Z:).
std::wstring SourceFile(const std::string& relative) {
  std::wstring path = L"Z:" + Wide(TAVRO_SOURCE_DIR) + L"/" + Wide(relative);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

class PayloadWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogAttachMachine(&machine_);
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"TavroPayloadTest\\Install Folder";
    RemoveTree(std::wstring(temp) + L"TavroPayloadTest");
  }
  void TearDown() override {
    LogStop();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    RemoveTree(std::wstring(temp) + L"TavroPayloadTest");
  }

  platform::win32::Win32Machine machine_;
  std::wstring folder_;
};

TEST_F(PayloadWineTest, LoadDataCopiesTheOwnResource) {
  int32_t length = -1;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(142), L"INSTALL");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(static_cast<DWORD>(length), SizeofResource(nullptr, found));
  const uint8_t* original = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));
  EXPECT_EQ(0, memcmp(buffer, original, length));
  EXPECT_EQ(payload::ReadLe32(buffer), 8u);  // four programs, three JSON files, one text file
  FreeLoadedData(buffer);
}

TEST_F(PayloadWineTest, LoadDataWithoutTheResourceFails) {
  int32_t length = -1;
  EXPECT_EQ(LoadData(machine_, 143, L"INSTALL", &length), nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kResourceNameNotFound);
  EXPECT_EQ(LoadData(machine_, 142, L"NOSUCHTYPE", &length), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kResourceTypeNotFound);
}

TEST_F(PayloadWineTest, InstallFolderExtractionWritesEveryEntryAndTheProgramsRun) {
  int32_t length = 0;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  std::vector<std::wstring> shown;
  EXPECT_EQ(0, LoadFileFromeData(machine_, buffer, length, nullptr, folder_,
                                 [&](const std::wstring& name) { shown.push_back(name); }));
  FreeLoadedData(buffer);
  EXPECT_EQ(shown.size(), 8u);

  // The folder and its sub-folder were created; the contents are the packed files.
  ExpectSameFile(folder_ + L"\\Modules.json", SourceFile("data/Modules.json"));
  ExpectSameFile(folder_ + L"\\docs\\readme.txt",
                 SourceFile("tests/wine/payload_test_files/docs/readme.txt"));

  // The extracted driver module loads and answers; the port monitor program runs and exits.
  const std::wstring driver = folder_ + L"\\tavrodrv.dll" + Wide(kSuffix);
  HMODULE module = LoadLibraryW(driver.c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  using VersionFn = DWORD (*)();
  auto version = reinterpret_cast<VersionFn>(GetProcAddress(module, "TavroDriverVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 0x00010000u);
  FreeLibrary(module);

  std::wstring command = L"\"" + folder_ + L"\\tavromon.exe" + Wide(kSuffix) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << GetLastError();
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST_F(PayloadWineTest, ConfigurationExtractionWritesIntoLocalAppData) {
  wchar_t local[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, local, 28, FALSE));
  const std::wstring config = std::wstring(local) + L"\\Temp\\TavroPrint\\Config\\";
  DeleteFileW((config + L"Modules.json").c_str());
  DeleteFileW((config + L"readme.txt").c_str());

  int32_t length = 0;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  ExtractConfigFiles(machine_, buffer, length);
  FreeLoadedData(buffer);

  ExpectSameFile(config + L"Modules.json", SourceFile("data/Modules.json"));
  ExpectSameFile(config + L"PaperSize.json", SourceFile("data/PaperSize.json"));
  // Entries outside the configuration list stay in the payload.
  EXPECT_EQ(GetFileAttributesW((config + L"tavrodrv.dll").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((config + L"readme.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A program of the user replaces the extracted catalog and paper file: the readers take the
// payload's, through the configuration-folder paths the real shell gives.
TEST_F(PayloadWineTest, SwappedConfigurationFilesAreNotRead) {
  wchar_t local[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, local, 28, FALSE));
  const std::wstring config = std::wstring(local) + L"\\Temp\\TavroPrint\\Config\\";
  int32_t length = 0;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  ExtractConfigFiles(machine_, buffer, length);
  auto plant = [](const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    fclose(f);
  };
  plant(config + L"Modules.json", R"([{"MODEL":"Planted"}])");
  plant(config + L"PaperSize.json", R"({"Papers":[{"name":"Planted","width":1,"height":1}]})");
  const payload::PayloadConfigFiles files(buffer, length, local);
  const ConfigReader read = [&files](const std::wstring& path, std::string* bytes) { return files.Read(path, bytes); };
  std::vector<std::wstring> models;
  LoadModelCatalog(machine_, BuildModelCatalogPath(local), [&](const std::wstring& m) {
    models.push_back(m);
    return true;
  }, read);
  EXPECT_EQ(models.size(), 6u);
  EXPECT_EQ(std::find(models.begin(), models.end(), L"Planted"), models.end());
  EXPECT_EQ(ParsePaperConfig(machine_, BuildPaperConfigPath(std::wstring(local) + L"\\Temp\\", L"PaperSize.json"), 0, read),
            12);
  EXPECT_NE(std::wstring(PaperTable[0].name), L"Planted");
  FreeLoadedData(buffer);
  DeleteFileW((config + L"Modules.json").c_str());
  DeleteFileW((config + L"PaperSize.json").c_str());
}

// An entry whose file cannot be created (a folder holds its name) is logged with Windows' own code,
// the others are written, and that code is the extraction's result.
TEST_F(PayloadWineTest, AnEntryThatCannotBeWrittenGivesItsCode) {
  ASSERT_TRUE(SHCreateDirectoryExW(nullptr, (folder_ + L"\\Modules.json").c_str(), nullptr) == ERROR_SUCCESS);
  int32_t length = 0;
  uint8_t* buffer = LoadData(machine_, 142, L"INSTALL", &length);
  ASSERT_NE(buffer, nullptr);
  const int result = LoadFileFromeData(machine_, buffer, length, nullptr, folder_, nullptr);
  FreeLoadedData(buffer);
  EXPECT_EQ(result, static_cast<int>(ERROR_ACCESS_DENIED));
  ExpectSameFile(folder_ + L"\\PaperSize.json", SourceFile("data/PaperSize.json"));
  LogFlush();
  char path[MAX_PATH] = {};
  ASSERT_EQ(GetLogFilePath(path, sizeof(path)), 0);
  const std::vector<char> log = ReadAll(Wide(path));
  const std::string text(log.begin(), log.end());
  EXPECT_NE(text.find("\"Modules.json\" to "), std::string::npos);
  EXPECT_NE(text.find("(result -1), Error=5"), std::string::npos) << text.substr(text.size() > 2000 ? text.size() - 2000 : 0);
}

}  // namespace
