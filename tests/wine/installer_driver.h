// Driving the real installer from a Windows test program, as a user would: starting
// TavroPrintSetup.exe, finding its dialogs, reading and setting their controls with window
// messages, and reading what the run wrote into the day's log.
//
// A list view's messages carry pointers, which Windows does not carry across processes: their
// LVITEM, LVCOLUMN and text buffer live in the installer's memory (VirtualAllocEx,
// WriteProcessMemory). Buttons that open a message box are clicked with PostMessage, so that the
// driving process is not held up while the box runs; other buttons with SendMessage, which
// returns once the dialog has handled the click.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#ifndef TAVRO_INSTALLER
#error "TAVRO_INSTALLER names the installer program to start"
#endif

namespace driver {

constexpr int kLanguageList = 1062;    // the language dialog's list view
constexpr int kMainPortList = 1058;    // the main dialog's port list
constexpr int kMessageBoxText = 0xFFFF;
constexpr DWORD kWaitMs = 30000;

// A Unix path of the build tree as Wine sees it: drive Z: is the Unix root.
inline std::wstring WindowsPath(const char* path) {
  std::wstring out = path[0] == '/' ? L"Z:" : L"";
  for (const char* p = path; *p; ++p) out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  return out;
}

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// The first visible top-level window of process `pid` that `wanted` accepts, or null.
struct WindowSearch {
  DWORD pid;
  const std::function<bool(HWND)>* wanted;
  HWND found;
};

inline BOOL CALLBACK VisitWindowSearch(HWND hwnd, LPARAM param) {
  WindowSearch* s = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s->pid || !IsWindowVisible(hwnd) || !(*s->wanted)(hwnd)) return TRUE;
  s->found = hwnd;
  return FALSE;
}

inline HWND FindWindowOf(DWORD pid, const std::function<bool(HWND)>& wanted) {
  WindowSearch search{pid, &wanted, nullptr};
  EnumWindows(&VisitWindowSearch, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A dialog-class window (dialogs and message boxes).
inline bool IsDialog(HWND hwnd) { return ClassOf(hwnd) == L"#32770"; }

inline std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

inline std::wstring ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

inline bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

inline std::string ReadFrom(const std::wstring& path, long long offset) {
  std::string out;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (f == nullptr) return out;
  if (_fseeki64(f, offset, SEEK_SET) == 0) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  }
  fclose(f);
  return out;
}

inline long long SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// For failure messages: the text with every character past ASCII cut to its low byte.
inline std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

// The day's log file of the installer: <Windows>\Temp\TavroPrint\Log\TavroPrintInstall_Y_MM_DD.log.
inline std::wstring TodaysLog() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t path[MAX_PATH + 64];
  swprintf(path, MAX_PATH + 64, L"%ls\\Temp\\TavroPrint\\Log\\TavroPrintInstall_%d_%02d_%02d.log", windows,
           t.wYear, t.wMonth, t.wDay);
  return path;
}

inline std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE)) return L"";
  return path;
}

// The installer's configuration folder, with its trailing backslash.
inline std::wstring ConfigFolder() { return LocalAppData() + L"\\Temp\\TavroPrint\\Config\\"; }

// The installer text files a run may read (and then deletes): InstallConfig_<cn|tw|en>.txt.
inline void RemoveInstallTextFiles() {
  for (const wchar_t* tag : {L"cn", L"tw", L"en"})
    DeleteFileW((ConfigFolder() + L"InstallConfig_" + tag + L".txt").c_str());
}

// Every `needles` entry must occur in `log`, each after the one before.
inline void ExpectInOrder(const std::string& log, const std::vector<std::string>& needles) {
  size_t pos = 0;
  for (const std::string& needle : needles) {
    size_t found = log.find(needle, pos);
    if (found == std::string::npos) {
      ADD_FAILURE() << "log line missing or out of order: \"" << needle << "\"\n--- log of this run:\n" << log;
      return;
    }
    pos = found + needle.size();
  }
}

// The lines the installer logs from the moment of construction on (the day's file accumulates
// over runs, and may roll over to the next day's).
class LogWatch {
 public:
  LogWatch() : path_(TodaysLog()), offset_(SizeOf(path_)) {}
  std::string Since() const {
    std::wstring now = TodaysLog();
    return now == path_ ? ReadFrom(path_, offset_) : ReadFrom(now, 0);
  }

 private:
  std::wstring path_;
  long long offset_;
};

// Which of the installer's windows: the language dialog (list view 1062), the main dialog
// (port list 1058; its LPT radio button also has id 1062), a message box (text 0xFFFF).
enum class Kind { kLanguage, kMain, kMessageBox };

inline bool IsKind(HWND hwnd, Kind kind) {
  switch (kind) {
    case Kind::kLanguage: {
      HWND list = GetDlgItem(hwnd, kLanguageList);
      return list != nullptr && ClassOf(list) == WC_LISTVIEWW && GetDlgItem(hwnd, kMainPortList) == nullptr;
    }
    case Kind::kMain:
      return GetDlgItem(hwnd, kMainPortList) != nullptr;
    case Kind::kMessageBox:
      return GetDlgItem(hwnd, kMessageBoxText) != nullptr;
  }
  return false;
}

// The installer started by one test, killed at the end if it still runs.
class Installer {
 public:
  Installer() = default;
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;
  ~Installer() {
    if (pi_.hProcess != nullptr) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
      }
      CloseHandle(pi_.hThread);
      CloseHandle(pi_.hProcess);
    }
  }

  bool Start() { return Start(WindowsPath(TAVRO_INSTALLER)); }

  // Starts the installer program at `path` (a copy of it elsewhere).
  bool Start(const std::wstring& path) {
    std::wstring command = L"\"" + path + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
      ADD_FAILURE() << "CreateProcessW failed, Error=" << GetLastError();
      return false;
    }
    return true;
  }

  HANDLE process() const { return pi_.hProcess; }

  // The visible dialog window of the installer of that kind, waiting for it; null after the wait.
  HWND WaitFor(Kind kind, DWORD timeout_ms = kWaitMs) {
    DWORD start = GetTickCount();
    do {
      HWND found = FindWindowOf(pi_.dwProcessId, [kind](HWND hwnd) { return IsDialog(hwnd) && IsKind(hwnd, kind); });
      if (found != nullptr) return found;
      if (WaitForSingleObject(pi_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
    } while (GetTickCount() - start < timeout_ms);
    return nullptr;
  }

  // The exit code once the process has ended, or -1 when it still runs after the wait.
  long WaitExit(DWORD timeout_ms = kWaitMs) {
    if (WaitForSingleObject(pi_.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// A list view of the installer, reached through one page of the installer's own memory that
// holds the LVITEM or LVCOLUMN and the text buffer.
class RemoteList {
 public:
  RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {
    page_ = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  RemoteList(const RemoteList&) = delete;
  RemoteList& operator=(const RemoteList&) = delete;
  ~RemoteList() {
    if (page_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
      VirtualFreeEx(process_, page_, 0, MEM_RELEASE);
  }
  bool ok() const { return page_ != nullptr && list_ != nullptr; }

  int Count() { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  int Selected() { return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }

  // The text of one cell.
  std::wstring Text(int item, int sub_item = 0) {
    LVITEMW lvi = {};
    lvi.iSubItem = sub_item;
    lvi.pszText = RemoteText();
    lvi.cchTextMax = kTextChars;
    if (!ClearText() || !Put(&lvi, sizeof lvi)) return L"<write failed>";
    SendMessageW(list_, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(page_));
    return ReadText();
  }

  // The cells of one row, columns 0 to `columns` - 1, joined with " | ".
  std::wstring Row(int item, int columns = 3) {
    std::wstring row;
    for (int c = 0; c < columns; ++c) row += (c > 0 ? L" | " : L"") + Text(item, c);
    return row;
  }

  // Every row, as Row gives it.
  std::vector<std::wstring> Rows(int columns = 3) {
    std::vector<std::wstring> rows;
    for (int i = 0, n = Count(); i < n; ++i) rows.push_back(Row(i, columns));
    return rows;
  }

  // A column's caption; "<none>" when the list has no such column.
  std::wstring ColumnText(int column) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT;
    col.pszText = RemoteText();
    col.cchTextMax = kTextChars;
    if (!ClearText() || !Put(&col, sizeof col)) return L"<write failed>";
    if (!SendMessageW(list_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(page_))) return L"<none>";
    return ReadText();
  }

  // A left-button click in the middle of one cell, as the mouse gives it: the button goes down
  // and up. Both are queued as sent messages, which the list handles in their order (a posted
  // button-up could be handled before a sent button-down, and the click would be lost); the
  // WM_NULL after them returns once both have been handled. False when the cell has no
  // rectangle or the list does not answer.
  bool ClickCell(int item, int sub_item) {
    RECT rc = {};
    rc.top = sub_item;
    rc.left = sub_item == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    if (!Put(&rc, sizeof rc)) return false;
    if (!SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(page_)))
      return false;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process_, page_, &rc, sizeof rc, &got) || got != sizeof rc) return false;
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    if (!SendNotifyMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, at)) return false;
    if (!SendNotifyMessageW(list_, WM_LBUTTONUP, 0, at)) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(list_, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
  }

  // LVM_SETITEMSTATE for `item` (-1: every row) with the selection bits of `state`.
  void SetSelected(int item, bool selected) {
    LVITEMW lvi = {};
    lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvi.state = selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    if (Put(&lvi, sizeof lvi)) SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(page_));
  }

 private:
  static constexpr size_t kTextOffset = 256;
  static constexpr int kTextChars = 256;

  wchar_t* RemoteText() { return reinterpret_cast<wchar_t*>(page_ + kTextOffset); }

  bool Put(const void* data, size_t size) {
    SIZE_T put = 0;
    return WriteProcessMemory(process_, page_, data, size, &put) && put == size;
  }

  // So that a call that writes nothing reads as the empty text, not as the previous cell's.
  bool ClearText() {
    static const wchar_t kEmpty[1] = {};
    SIZE_T put = 0;
    return WriteProcessMemory(process_, page_ + kTextOffset, kEmpty, sizeof kEmpty, &put) != FALSE;
  }

  std::wstring ReadText() {
    wchar_t text[kTextChars + 1] = {};
    SIZE_T got = 0;
    if (!ReadProcessMemory(process_, page_ + kTextOffset, text, kTextChars * sizeof(wchar_t), &got))
      return L"<read failed>";
    return text;
  }

  HANDLE process_;
  HWND list_;
  char* page_ = nullptr;
};

// A combo box of the installer: its entries and its selection (CB_GETLBTEXT carries its text
// across processes, as Windows does for the system's own classes).
inline int ComboCount(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); }
inline int ComboSelected(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }
inline std::wstring ComboText(HWND combo, int index) {
  LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return L"<none>";
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}
inline std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  for (int i = 0, n = ComboCount(combo); i < n; ++i) items.push_back(ComboText(combo, i));
  return items;
}
// The selected entry's text; "<none>" when nothing is selected.
inline std::wstring ComboSelectedText(HWND combo) { return ComboText(combo, ComboSelected(combo)); }

// A click that may open a message box: posted, it returns at once.
inline void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A click on a button that opens nothing: sent, it returns once the dialog has handled it.
inline void ClickAndWait(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

inline bool IsChecked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

inline bool IsShown(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Starts the installer, chooses the language dialog's row `language_row` (0 Simplified Chinese,
// 1 Traditional Chinese, 2 English) and waits for the main dialog. Installer text files are
// removed first, so that the captions are the language's own, not a text file's Title.
inline HWND OpenMainDialog(Installer& installer, int language_row) {
  if (!installer.Start()) return nullptr;
  HWND dialog = installer.WaitFor(Kind::kLanguage);
  EXPECT_NE(dialog, nullptr) << "the language dialog did not appear";
  if (dialog == nullptr) return nullptr;
  RemoveInstallTextFiles();
  RemoteList rows(installer.process(), GetDlgItem(dialog, kLanguageList));
  EXPECT_TRUE(rows.ok());
  rows.SetSelected(language_row, true);
  EXPECT_EQ(rows.Selected(), language_row);
  Click(dialog, IDOK);
  HWND main = installer.WaitFor(Kind::kMain);
  EXPECT_NE(main, nullptr) << "the main dialog did not appear";
  return main;
}

// Cancel ends the program with code 1602 (cancelled by the user).
inline void CancelToExit(Installer& installer, HWND main) {
  Click(main, 1007);  // the main dialog's Cancel button
  EXPECT_EQ(installer.WaitExit(), 1602);
}

// Waits until `done` holds, checking every 50 ms: whether it held.
template <typename Done>
bool WaitUntil(Done done, DWORD timeout_ms = kWaitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(50);
  }
  return true;
}

// For scripts/screenshots.sh: the window's screen rectangle goes into <dir>\<name>.ready
// ("x y width height"), and the caller goes on once <name>.done appears.
inline void AwaitShot(const wchar_t* dir, const wchar_t* name, HWND window) {
  // The rectangle in the screen's own pixels, as the shot is cut, also when the prefix runs at
  // another DPI than 96 (an unaware process sees coordinates scaled to 96 DPI).
  SetProcessDPIAware();
  // Drawn as the active window, as a user sees it, even where the desktop keeps the focus.
  SetForegroundWindow(window);
  SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  Sleep(700);
  RECT rc = {};
  GetWindowRect(window, &rc);
  std::wstring base = std::wstring(dir) + L"\\" + name;
  char rect[64];
  snprintf(rect, sizeof rect, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
  // Written beside it and renamed, so that the script never reads a half-written file.
  ASSERT_TRUE(WriteBytes(base + L".tmp", rect));
  ASSERT_TRUE(MoveFileExW((base + L".tmp").c_str(), (base + L".ready").c_str(), MOVEFILE_REPLACE_EXISTING));
  DWORD start = GetTickCount();
  while (!FileExists(base + L".done") && GetTickCount() - start < 60000) Sleep(100);
  EXPECT_TRUE(FileExists(base + L".done")) << "no screenshot taken of " << Narrow(name);
}

// The folder named by TAVRO_SHOT_DIR, or empty when it is not set.
inline std::wstring ShotDir() {
  wchar_t dir[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TAVRO_SHOT_DIR", dir, MAX_PATH) == 0) return L"";
  return dir;
}

}  // namespace driver
