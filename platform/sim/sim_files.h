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
// Fault names (SimFaults): "fopen" (Open), "_wfopen" (OpenW), "stat" (Stat), "_wstat" (StatW),
// "_mkdir" (MakeDirectory), "CreateDirectoryW" (MakeDirectoryW), "DeleteFileW" (Remove),
// "fread" and "fwrite" (File::Read / File::Write: the stream's error flag is then set),
// "QueryDosDeviceW" (QueryDosDeviceNames).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_faults.h"
#include "platform/sim/sim_path.h"
#include "platform/sim/sim_registry.h"

namespace platform::sim {

class SimFiles : public Files {
 public:
  SimFiles(SimFaults& faults, SimCodePage& codepage, SimRegistry& registry);
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
  bool Parse(const std::wstring& path, SimPath* out, uint32_t* error);
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
  std::mutex mutex_;
  std::map<std::wstring, std::shared_ptr<Node>> nodes_;  // by key
  std::map<std::wstring, uint32_t> failing_;
  SimPath current_;
};

}  // namespace platform::sim
