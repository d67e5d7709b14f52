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
// "Wow64RevertWow64FsRedirection", "CreateDirectoryA" (MakePrivateDirectory), "GetSecurityInfo"
// (Inspect), "CreateFileA" (OpenForAppend).
//
// Ownership and links as an elevated process on Windows meets them: whatever the process makes is
// owned by Administrators (S-1-5-32-544) unless a test names another owner; a junction or a
// symbolic link (a reparse point) is followed by every call of the process except Inspect,
// OpenForAppend, MakeDirectory (a link there exists) and the deletions; a hard link is a second
// name of the same file. A file another process holds open fails every open with 32.
#pragma once

#include <atomic>
#include <condition_variable>
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
  // Fault name "FindFirstFileA". A link is listed by its own name.
  bool ListFolderA(const std::string& ansi_folder, std::vector<std::string>* names) override;
  // Folders (sim_files_folders.cpp). "FindFirstFileW", "RemoveDirectoryW" and "MoveFileExW" fail
  // by name. RemoveFolder: 5 for a read-only folder or one in a folder that denies writing, 32
  // for a folder another holds open. RemoveAtRestart keeps the path (PendingRemovals); 2 or 3
  // when nothing is there.
  bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>* out) override;
  bool RemoveFolder(const std::wstring& path) override;
  bool RemoveAtRestart(const std::wstring& path) override;
  // The paths RemoveAtRestart took, in order; Restart removes them (files, empty folders) as
  // the system does when it starts, and forgets them.
  std::vector<std::wstring> PendingRemovals();
  void Restart();
  // The folder is marked private (SYSTEM and Administrators only) and owned by Administrators.
  bool MakePrivateDirectory(const std::string& ansi_path) override;
  bool Inspect(const std::string& ansi_path, PathFacts* out) override;
  // A new file is private as its folder's access list makes it; the handle shares reading only:
  // 32 while the file is open for writing (or held open by another), and opens for writing fail
  // with 32 while this one is open.
  std::unique_ptr<File> OpenForAppend(const std::string& ansi_path, bool* created, PathFacts* facts) override;
  // True, as on Windows, unless a test plays Wine with SetKeepsOwners(false).
  bool KeepsOwners() override;
  void SetKeepsOwners(bool keeps);

  static constexpr const wchar_t* kSidSystem = L"S-1-5-18";
  static constexpr const wchar_t* kSidAdministrators = L"S-1-5-32-544";
  static constexpr const wchar_t* kSidTrustedInstaller =
      L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

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
  // The owner's SID of a file or folder.
  void SetOwner(const std::wstring& path, const std::wstring& sid);
  // A junction at `link` (made, with its parents) to the folder `target`, which need not exist.
  void MakeJunction(const std::wstring& link, const std::wstring& target);
  // A symbolic link to a file at `link`.
  void MakeFileLink(const std::wstring& link, const std::wstring& target);
  // A second name `link` for the existing file `existing`; false when there is no such file.
  bool MakeHardLink(const std::wstring& link, const std::wstring& existing);
  // Another process holds the file open and shares nothing with anyone.
  void SetHeldOpen(const std::wstring& path, bool held);
  // Writes to the file block until the stall is lifted (a disk or a redirector that hangs).
  void StallWrites(const std::wstring& path, bool stalled);
  // How many writes wait on a stall now.
  int StalledWrites();
  // The facts Inspect would give (a link not followed); kMissing when nothing is there.
  PathFacts Facts(const std::wstring& path);
  // True when the access list of the path grants SYSTEM and Administrators alone.
  bool IsPrivate(const std::wstring& path);
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
    int writers = 0;    // open for writing through the runtime (shares reading and writing)
    int appenders = 0;  // open through OpenForAppend (shares reading only)
    bool held = false;  // held open by another process
    bool stalled = false;
    bool private_acl = false;
    int links = 1;
    std::wstring owner = kSidAdministrators;
    std::vector<std::wstring> link_target;  // a reparse point: the parts of the path it names
    std::vector<uint8_t> data;
  };
  std::mutex& mutex() { return mutex_; }
  // Waits, with `lock` on mutex(), while writes to `node` are stalled.
  void WaitWhileStalled(std::unique_lock<std::mutex>& lock, const Node& node);

 private:
  std::unique_ptr<File> OpenPath(const std::wstring& path, const char* mode);
  PathKind StatPath(const std::wstring& path);
  bool MakeDirectoryPath(const std::wstring& path);
  // Parses a path of the process's calls: WOW64 redirection applied, reparse points followed (the
  // last component only with `follow_last`), failing paths refused.
  bool Parse(const std::wstring& path, SimPath* out, uint32_t* error, bool follow_last = true);
  // Parse, leaving its code as the last error when it fails.
  bool ParseOrFail(const std::wstring& path, SimPath* out, bool follow_last = true);
  // ParseOrFail of an ANSI path, its last component not followed. With mutex_ held: the code
  // page (and the registry that keeps it) never calls back into the files.
  bool ParseAnsiOrFail(const std::string& ansi_path, SimPath* out);
  // ParseOrFail, then the node; null with 2 (the folder is there) or 3 (it is not) when missing.
  std::shared_ptr<Node> FindExisting(const std::wstring& path, SimPath* p, bool follow_last = true);
  // Makes the existing node at `link` a link to `target` (a junction or a file link).
  void SetLinkTarget(const std::wstring& link, const std::wstring& target);
  bool FollowLinks(SimPath* path, bool follow_last, uint32_t* error);
  PathFacts FactsOf(const Node& node) const;
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
  std::vector<std::wstring> pending_removals_;
  std::condition_variable stall_signal_;
  std::atomic<bool> keeps_owners_{true};
  int stalled_writes_ = 0;
  SimPath current_;
  // Per thread: redirection switched off, and the states each disable replaced.
  struct Redirection {
    bool off = false;
    std::vector<bool> saved;
  };
  std::map<std::thread::id, Redirection> redirection_;
};

}  // namespace platform::sim
