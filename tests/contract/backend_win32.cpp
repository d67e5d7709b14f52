// The contract cases against real Windows services (run under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_machine.h"
#include "tests/contract/contract_backend.h"

namespace contract {

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  {
    platform::win32::unique_hfind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(path);
        } else {
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(find.get(), &data));
    }
  }
  ::RemoveDirectoryW(folder.c_str());
}

std::wstring MakeScratch() {
  wchar_t temp[MAX_PATH] = {};
  DWORD n = ::GetTempPathW(MAX_PATH, temp);
  std::wstring path(temp, n);
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  // A folder of this run's own: the prefix outlives the run.
  path += L"\\TavroContract-" + std::to_wstring(::GetCurrentProcessId());
  RemoveTree(path);
  ::CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

class ScratchCleanup : public ::testing::Environment {
 public:
  void TearDown() override { RemoveTree(ScratchFolder()); }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace

platform::Machine& TheMachine() {
  static platform::win32::Win32Machine machine;
  return machine;
}

const char* BackendName() { return "win32"; }

std::wstring ScratchFolder() {
  static const std::wstring folder = MakeScratch();
  return folder;
}

}  // namespace contract
