// Folders and files that only SYSTEM and Administrators may touch, and the facts needed to trust
// one that is already there: read through a handle opened on the path itself, never through a
// link, so that nothing can be swapped between the check and the use.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

namespace {

// Owner Administrators; a protected access list (nothing inherited from a Temp folder that every
// user may write), full control for SYSTEM and Administrators, inherited by files and folders.
constexpr wchar_t kPrivateSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

bool PrivateDescriptor(unique_hlocal* out) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateSddl, SDDL_REVISION_1, &sd, nullptr))
    return false;
  out->reset(sd);
  return true;
}

// Facts of what `handle` was opened on.
bool FactsOf(HANDLE handle, PathFacts* out) {
  *out = PathFacts();
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  bool directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  out->kind = directory ? PathKind::kDirectory : PathKind::kFile;
  out->reparse_point = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  // A folder's count is not a count of names (Wine reports the POSIX link count of a directory).
  out->links = directory ? 1 : info.nNumberOfLinks;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  DWORD result = ::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                   nullptr, &sd);
  unique_hlocal sd_owner(sd);
  if (result == ERROR_SUCCESS && owner != nullptr) {
    LPWSTR text = nullptr;
    if (::ConvertSidToStringSidW(owner, &text)) {
      unique_hlocal text_owner(text);
      out->owner = text;
    }
  }
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

// Appends through a handle opened with FILE_APPEND_DATA only: every write lands at the end of
// the file. Text as the runtime's text mode writes it: each LF becomes CR LF.
class AppendFile : public File {
 public:
  explicit AppendFile(unique_hfile handle) : handle_(std::move(handle)) {}
  size_t Read(void*, size_t) override {
    error_ = true;
    ::SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  size_t Write(const void* buffer, size_t n) override {
    const char* in = static_cast<const char*>(buffer);
    std::string disk;
    disk.reserve(n + n / 16);
    for (size_t i = 0; i < n; ++i) {
      if (in[i] == '\n') disk.push_back('\r');
      disk.push_back(in[i]);
    }
    size_t done = 0;
    while (done < disk.size()) {
      DWORD chunk = static_cast<DWORD>(disk.size() - done > 0x10000000 ? 0x10000000 : disk.size() - done);
      DWORD wrote = 0;
      if (!::WriteFile(handle_.get(), disk.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
        error_ = true;
        break;
      }
      done += wrote;
    }
    if (done == disk.size()) return n;
    // The caller's bytes that reached the disk whole.
    size_t accepted = 0;
    for (size_t on_disk = 0; accepted < n; ++accepted) {
      on_disk += in[accepted] == '\n' ? 2 : 1;
      if (on_disk > done) break;
    }
    return accepted;
  }
  bool HasError() const override { return error_; }

 private:
  unique_hfile handle_;
  bool error_ = false;
};

}  // namespace

bool Win32Files::MakePrivateDirectory(const std::string& ansi_path) {
  unique_hlocal sd;
  if (!PrivateDescriptor(&sd)) return false;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), sd.get(), FALSE};
  return ::CreateDirectoryA(ansi_path.c_str(), &sa) != FALSE;
}

bool Win32Files::Inspect(const std::string& ansi_path, PathFacts* out) {
  *out = PathFacts();
  // Backup semantics open a folder; the reparse flag opens a link itself, not what it names.
  unique_hfile handle(::CreateFileA(ansi_path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return false;
  return FactsOf(handle.get(), out);
}

std::unique_ptr<File> Win32Files::OpenForAppend(const std::string& ansi_path, bool* created, PathFacts* facts) {
  *created = false;
  *facts = PathFacts();
  unique_hlocal sd;
  if (!PrivateDescriptor(&sd)) return nullptr;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), sd.get(), FALSE};
  // Readers may share it, writers may not; a sharing conflict fails at once rather than waiting.
  unique_hfile handle(::CreateFileA(ansi_path.c_str(), FILE_APPEND_DATA | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ, &sa, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return nullptr;
  *created = ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (!FactsOf(handle.get(), facts)) return nullptr;
  return std::make_unique<AppendFile>(std::move(handle));
}

bool Win32Files::KeepsOwners() {
  // Wine 8 stores no security descriptor for a file: it makes one up from the POSIX owner and
  // mode, so that every file, whoever made it, reads as owned by the current user.
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");  // not owned: ntdll stays loaded
  return ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

}  // namespace platform::win32
