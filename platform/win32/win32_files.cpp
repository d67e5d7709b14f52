#include "platform/win32/win32_files.h"

#include <direct.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/win32/unique_handle.h"
// winbase.h maps this name to WriteProfileStringW, which would rename the method defined here.
#undef WriteProfileString

namespace platform::win32 {

namespace {

// The runtime keeps the failing Win32 code in _doserrno; errno alone cannot tell a missing file
// (2) from a missing folder (3).
void SetErrorFromCrt() {
  unsigned long code = _doserrno;
  if (code == 0) {
    switch (errno) {
      case ENOENT: code = ERROR_FILE_NOT_FOUND; break;
      case EACCES: code = ERROR_ACCESS_DENIED; break;
      case EEXIST: code = ERROR_ALREADY_EXISTS; break;
      case ENOMEM: code = ERROR_NOT_ENOUGH_MEMORY; break;
      default: code = ERROR_INVALID_PARAMETER; break;
    }
  }
  ::SetLastError(code);
}

void ClearCrtErrors() {
  _doserrno = 0;
  errno = 0;
}

class CrtFile : public File {
 public:
  explicit CrtFile(FILE* f) : file_(f) {}
  size_t Read(void* buffer, size_t n) override { return fread(buffer, 1, n, file_.get()); }
  size_t Write(const void* buffer, size_t n) override { return fwrite(buffer, 1, n, file_.get()); }
  bool HasError() const override { return ferror(file_.get()) != 0; }

 private:
  unique_crt_file file_;
};

std::wstring WideMode(const char* mode) {
  std::wstring wide;
  for (const char* p = mode; *p; ++p) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
  return wide;
}

PathKind KindOf(unsigned short st_mode) {
  return (st_mode & _S_IFDIR) ? PathKind::kDirectory : PathKind::kFile;
}

}  // namespace

std::unique_ptr<File> Win32Files::Open(const std::string& ansi_path, const char* mode) {
  ClearCrtErrors();
  FILE* f = fopen(ansi_path.c_str(), mode);
  if (!f) {
    SetErrorFromCrt();
    return nullptr;
  }
  return std::make_unique<CrtFile>(f);
}

std::unique_ptr<File> Win32Files::OpenW(const std::wstring& path, const char* mode) {
  ClearCrtErrors();
  FILE* f = _wfopen(path.c_str(), WideMode(mode).c_str());
  if (!f) {
    SetErrorFromCrt();
    return nullptr;
  }
  return std::make_unique<CrtFile>(f);
}

PathKind Win32Files::Stat(const std::string& ansi_path) {
  struct _stat st;
  ClearCrtErrors();
  if (_stat(ansi_path.c_str(), &st) != 0) {
    SetErrorFromCrt();
    return PathKind::kMissing;
  }
  return KindOf(st.st_mode);
}

PathKind Win32Files::StatW(const std::wstring& path) {
  struct _stat st;
  ClearCrtErrors();
  if (_wstat(path.c_str(), &st) != 0) {
    SetErrorFromCrt();
    return PathKind::kMissing;
  }
  return KindOf(st.st_mode);
}

bool Win32Files::MakeDirectory(const std::string& ansi_path) {
  ClearCrtErrors();
  if (_mkdir(ansi_path.c_str()) != 0) {
    SetErrorFromCrt();
    return false;
  }
  return true;
}

bool Win32Files::MakeDirectoryW(const std::wstring& path) {
  return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool Win32Files::Remove(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

bool Win32Files::QueryDosDeviceNames(size_t buffer_chars, std::vector<std::wstring>* out) {
  out->clear();
  if (buffer_chars == 0 || buffer_chars > MAXDWORD) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[buffer_chars]);
  if (!buffer) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  DWORD got = ::QueryDosDeviceW(nullptr, buffer.get(), static_cast<DWORD>(buffer_chars));
  if (got == 0) return false;
  // Names, each with its NUL, then one more NUL; never read past what the call reported.
  const wchar_t* p = buffer.get();
  const wchar_t* end = p + (got < buffer_chars ? got : buffer_chars);
  while (p < end && *p) {
    const wchar_t* name_end = p;
    while (name_end < end && *name_end) ++name_end;
    out->emplace_back(p, name_end);
    p = name_end + 1;
  }
  ::SetLastError(ERROR_SUCCESS);
  return true;
}

bool Win32Files::CopyA(const std::string& from, const std::string& to, bool fail_if_exists) {
  return ::CopyFileA(from.c_str(), to.c_str(), fail_if_exists ? TRUE : FALSE) != FALSE;
}

bool Win32Files::RemoveA(const std::string& ansi_path) { return ::DeleteFileA(ansi_path.c_str()) != FALSE; }

bool Win32Files::WriteProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                                    const std::wstring& value) {
  return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE;
}

namespace {

using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

// The values the thread's successful disables replaced; the last one is undone first.
thread_local std::vector<PVOID> g_saved_redirection;

// Looks `name` up in Kernel32, which every process has loaded (a module handle, not a load):
// null with 127 where this Windows lacks the call.
void* Kernel32Entry(const char* name) {
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(kernel32, name));
}

}  // namespace

bool Win32Files::DisableWow64Redirection() {
  auto disable = reinterpret_cast<Wow64DisableFn>(Kernel32Entry("Wow64DisableWow64FsRedirection"));
  if (!disable) return false;
  PVOID old_value = nullptr;
  if (!disable(&old_value)) return false;
  g_saved_redirection.push_back(old_value);
  return true;
}

bool Win32Files::RevertWow64Redirection() {
  if (g_saved_redirection.empty()) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  auto revert = reinterpret_cast<Wow64RevertFn>(Kernel32Entry("Wow64RevertWow64FsRedirection"));
  if (!revert) return false;
  if (!revert(g_saved_redirection.back())) return false;
  g_saved_redirection.pop_back();
  return true;
}


bool Win32Files::ListFolderA(const std::string& ansi_folder, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAA data;
  unique_hfind find(::FindFirstFileA((ansi_folder + "\\*").c_str(), &data));
  if (!find) return false;
  do {
    if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0) {
      names->push_back(data.cFileName);
    }
  } while (::FindNextFileA(find.get(), &data));
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace platform::win32
