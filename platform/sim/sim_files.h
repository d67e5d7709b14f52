// The simulated machine's file system: an in-memory tree of Windows paths, case-insensitive,
// with the MS C runtime's fopen modes (text mode, the default, turns LF into CR LF on writing and
// CR LF into LF on reading). 8-bit paths go through the machine's ANSI code page. Thread-safe.
//
// The MS-DOS device names (QueryDosDeviceNames) follow from facts kept elsewhere, as Windows
// derives them from its drivers: "GLOBALROOT", "PIPE", "MAILSLOT", every drive ("C:", and those
// of AddDrive), "PhysicalDrive0", then the data of each REG_SZ value of the registry's
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM ("COM1"), then of PARALLEL PORTS with a leading
// "\DosDevices\" dropped ("LPT1"), each in value order, and "NUL". A serial port is arranged by
// writing its SERIALCOMM value.
//
// WOW64 file-system redirection, as a 32-bit process on 64-bit Windows meets it (the machine's
// IsWow64): while the calling thread has not switched it off, every path of the process's calls
// (8-bit and wide) below <Windows>\System32 reaches <Windows>\SysWOW64 instead, except the
// folders Windows exempts (catroot, catroot2, driverstore, drivers\etc, logfiles, spool), and
// <Windows>\Sysnative reaches the real System32. The arranging calls below see the disk as it is.
//
// Fault names (SimFaults): "fopen" (Open), "_wfopen" (OpenW), "stat" (Stat), "_wstat" (StatW),
// "_mkdir" (MakeDirectory), "CreateDirectoryW" (MakeDirectoryW), "DeleteFileW" (Remove),
// "fread" and "fwrite" (File::Read / File::Write: the stream's error flag is then set),
// "QueryDosDeviceW" (QueryDosDeviceNames), "CopyFileA", "DeleteFileA" (RemoveA),
// "WritePrivateProfileStringW" (WriteProfileString), "Wow64DisableWow64FsRedirection",
// "Wow64RevertWow64FsRedirection".
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system_info.h"

namespace platform::sim {

class SimFiles : public Files {
 public:
  SimFiles(SimFaults& faults, SimCodePage& codepage, SimRegistry& registry, SimSystemInfo& system);
  ~SimFiles() override;

  // Errors: 2 missing file, 3 missing folder, 5 a folder or a read-only file (or a folder that
  // denies writing), 32 deleting an open file, 80 "x" on an existing file, 87 a bad mode,
  // 123 a character Windows refuses in a name.
  std::unique_ptr<File> Open(const std::string& ansi_path, const char* mode) override;
  std::unique_ptr<File> OpenW(const std::wstring& path, const char* mode) override;
  PathKind Stat(const std::string& ansi_path) override;
  PathKind StatW(const std::wstring& path) override;
  bool MakeDirectory(const std::string& ansi_path) override;
  bool MakeDirectoryW(const std::wstring& path) override;
  bool Remove(const std::wstring& path) override;
  bool QueryDosDeviceNames(size_t buffer_chars, std::vector<std::wstring>* out) override;
  // Copies the bytes; the copy keeps an existing target's spelling. Errors as Open's, and 80
  // for an existing target with `fail_if_exists`, 32 for a target that is open.
  bool CopyA(const std::string& from, const std::string& to, bool fail_if_exists) override;
  bool RemoveA(const std::string& ansi_path) override;
  // A path without a folder lies in the Windows folder. A new file is written in the ANSI code
  // page (characters it lacks become '?'); a file that starts with a UTF-16 LE byte-order mark
  // stays UTF-16. Lines end in CR LF; a new key goes after the section's last key, a new section
  // at the end; section and key names match without regard to case and keep their spelling.
  bool WriteProfileString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                          const std::wstring& value) override;
  // False with 1 on 32-bit Windows; Revert false with 87 when this thread has nothing to undo.
  bool DisableWow64Redirection() override;
  bool RevertWow64Redirection() override;

  // Where the device map keeps the serial and parallel ports (HKLM, both views).
  static constexpr const wchar_t* kSerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
  static constexpr const wchar_t* kParallelPortsKey = L"HARDWARE\\DEVICEMAP\\PARALLEL PORTS";

  // Arranging and reading back; these never fail and create missing parent folders.
  void MakeFolders(const std::wstring& path);
  // Writes a file's raw bytes (no text-mode conversion).
  void PutFile(const std::wstring& path, const std::string& bytes);
  // A file's raw bytes as stored; false when there is no such file.
  bool GetFile(const std::wstring& path, std::string* bytes);
  // A file's raw bytes, or "" when missing.
  std::string FileBytes(const std::wstring& path);
  PathKind Kind(const std::wstring& path);
  // Names of a folder's entries, as spelled when created, in case-insensitive order.
  std::vector<std::wstring> List(const std::wstring& folder);
  // A read-only file cannot be opened for writing or deleted; a read-only folder behaves like
  // one whose access list denies writing: nothing can be created, changed or deleted in it (5).
  void SetReadOnly(const std::wstring& path, bool read_only);
  // Every call on the path or anything below it fails with `code` (0 clears); the path need not
  // exist yet.
  void SetFailing(const std::wstring& path, uint32_t code);
  // Removes a file or a folder with everything in it.
  void RemoveTree(const std::wstring& path);
  // Another drive ("D:") with an empty root.
  void AddDrive(const std::wstring& drive);
  // The process's current folder, for relative paths (C:\ at start).
  void SetCurrentFolder(const std::wstring& path);

  // The node of one file or folder; public only for the open-file class.
  struct Node {
    std::wstring name;
    bool directory = false;
    bool read_only = false;
    int open_count = 0;
    std::vector<uint8_t> data;
  };
  std::mutex& mutex() { return mutex_; }

 private:
  std::unique_ptr<File> OpenPath(const std::wstring& path, const char* mode);
  PathKind StatPath(const std::wstring& path);
  bool MakeDirectoryPath(const std::wstring& path);
  // Parses a path of the process's calls: WOW64 redirection applied, failing paths refused.
  bool Parse(const std::wstring& path, SimPath* out, uint32_t* error);
  void Redirect(SimPath* path);
  bool RemovePath(const std::wstring& path);
  uint32_t FailingCode(const std::wstring& key);
  bool DeniesWriting(const std::wstring& folder_key);
  std::shared_ptr<Node> Find(const std::wstring& key);
  std::shared_ptr<Node> MakeFoldersLocked(const SimPath& path);
  std::wstring DecodeAnsi(const std::string& ansi_path);

  // The MS-DOS device names as the drives and the device map give them now.
  std::vector<std::wstring> DosDevices();

  SimFaults& faults_;
  SimCodePage& codepage_;
  SimRegistry& registry_;
  SimSystemInfo& system_;
  std::mutex mutex_;
  std::map<std::wstring, std::shared_ptr<Node>> nodes_;  // by key
  std::map<std::wstring, uint32_t> failing_;
  SimPath current_;
  // Per thread: redirection switched off, and the states each disable replaced.
  struct Redirection {
    bool off = false;
    std::vector<bool> saved;
  };
  std::map<std::thread::id, Redirection> redirection_;
};

}  // namespace platform::sim
