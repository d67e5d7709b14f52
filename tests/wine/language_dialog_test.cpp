// The installer as a user meets it: the real TavroPrintSetup.exe is started, its language dialog
// and main dialog are driven from this process with window messages, and what the run leaves
// behind is read back: the configuration folder, the installer text files and the day's log.
//
// A list view's messages carry pointers, which Windows does not carry across processes: their
// LVITEM and text buffer live in the installer's memory (VirtualAllocEx, WriteProcessMemory).
// Buttons that open a message box are clicked with PostMessage, so that this process is not held
// up while the box runs.
//
// LanguageDialogShots.DISABLED_EachRow, run with --gtest_also_run_disabled_tests and
// TAVRO_SHOT_DIR set to a folder, selects each row in turn, then goes on to the main dialog, and
// waits for a screenshot of each (scripts/screenshots.sh).
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifndef TAVRO_INSTALLER
#error "TAVRO_INSTALLER names the installer program to start"
#endif

namespace {

constexpr int kLanguageList = 1062;
constexpr int kMessageBoxText = 0xFFFF;
constexpr DWORD kWaitMs = 30000;

// A Unix path of the build tree as Wine sees it: drive Z: is the Unix root.
std::wstring WindowsPath(const char* path) {
  std::wstring out = path[0] == '/' ? L"Z:" : L"";
  for (const char* p = path; *p; ++p) out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  return out;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

std::wstring ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

std::string ReadFrom(const std::wstring& path, long long offset) {
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

long long SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

// The day's log file of the installer: <Windows>\Temp\TavroPrint\Log\TavroPrintInstall_Y_MM_DD.log.
std::wstring TodaysLog() {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t path[MAX_PATH + 64];
  swprintf(path, MAX_PATH + 64, L"%ls\\Temp\\TavroPrint\\Log\\TavroPrintInstall_%d_%02d_%02d.log", windows,
           t.wYear, t.wMonth, t.wDay);
  return path;
}

std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE)) return L"";
  return path;
}

// An installer text file (UTF-16 LE with its mark): six page texts, then Title, ProgramName and
// Driver naming the language `tag`.
std::string InstallText(const char* tag) {
  std::string text;
  for (int page = 1; page <= 6; ++page) text += "Page " + std::to_string(page) + "\r\n====================\r\n";
  text += std::string("Tavro Setup ") + tag + "\r\nTavro " + tag + "\r\nTavro " + tag + " Driver\r\n";
  std::string bytes = "\xFF\xFE";
  for (char c : text) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

// Every `needles` entry must occur in `log`, each after the one before.
void ExpectInOrder(const std::string& log, const std::vector<std::string>& needles) {
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

// Which of the installer's windows: the language dialog (list view 1062), the main dialog
// (port list 1058; its LPT radio button also has id 1062), a message box (text 0xFFFF).
enum class Kind { kLanguage, kMain, kMessageBox };

bool IsKind(HWND hwnd, Kind kind) {
  switch (kind) {
    case Kind::kLanguage: {
      HWND list = GetDlgItem(hwnd, kLanguageList);
      return list != nullptr && ClassOf(list) == WC_LISTVIEWW && GetDlgItem(hwnd, 1058) == nullptr;
    }
    case Kind::kMain:
      return GetDlgItem(hwnd, 1058) != nullptr;
    case Kind::kMessageBox:
      return GetDlgItem(hwnd, kMessageBoxText) != nullptr;
  }
  return false;
}

// The installer started by one test, killed at the end if it still runs.
class Installer {
 public:
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

  bool Start() {
    std::wstring path = WindowsPath(TAVRO_INSTALLER);
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
      Search search{pi_.dwProcessId, kind, nullptr};
      EnumWindows(&Installer::Visit, reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr) return search.found;
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
  struct Search {
    DWORD pid;
    Kind kind;
    HWND found;
  };

  static BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    Search* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770" && IsKind(hwnd, s->kind)) {
      s->found = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  PROCESS_INFORMATION pi_ = {};
};

// A list view of the installer, reached through one page of the installer's own memory that
// holds the LVITEM and the text buffer.
class RemoteList {
 public:
  RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {
    page_ = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~RemoteList() {
    if (page_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
      VirtualFreeEx(process_, page_, 0, MEM_RELEASE);
  }
  bool ok() const { return page_ != nullptr && list_ != nullptr; }

  int Count() { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  int Selected() { return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }

  std::wstring Text(int item) {
    LVITEMW lvi = {};
    lvi.iSubItem = 0;
    lvi.pszText = reinterpret_cast<wchar_t*>(page_ + kTextOffset);
    lvi.cchTextMax = kTextChars;
    if (!Put(&lvi, sizeof lvi)) return L"<write failed>";
    SendMessageW(list_, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(page_));
    wchar_t text[kTextChars + 1] = {};
    SIZE_T got = 0;
    if (!ReadProcessMemory(process_, page_ + kTextOffset, text, kTextChars * sizeof(wchar_t), &got))
      return L"<read failed>";
    return text;
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

  bool Put(const void* data, size_t size) {
    SIZE_T put = 0;
    return WriteProcessMemory(process_, page_, data, size, &put) && put == size;
  }

  HANDLE process_;
  HWND list_;
  char* page_ = nullptr;
};

struct Row {
  const wchar_t* text;
  int value;
  const char* tag;  // the installer text file's suffix
  const wchar_t* caption;
  const wchar_t* ok;
  const wchar_t* cancel;
};

const Row kRows[] = {
    {L"\u7b80\u4f53\u4e2d\u6587", 1, "cn", L"\u8bed\u8a00", L"\u4e0b\u4e00\u6b65", L"\u53d6\u6d88"},
    {L"\u7e41\u9ad4\u4e2d\u6587", 2, "tw", L"\u8a9e\u8a00", L"\u4e0b\u4e00\u6b65", L"\u53d6\u6d88"},
    {L"English", 0, "en", L"Language", L"Next", L"Cancel"},
};

void ExpectTexts(HWND dialog, const Row& row) {
  EXPECT_EQ(TextOf(dialog), row.caption);
  EXPECT_EQ(ItemText(dialog, IDOK), row.ok);
  EXPECT_EQ(ItemText(dialog, IDCANCEL), row.cancel);
}

void Click(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class LanguageDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring local = LocalAppData();
    ASSERT_FALSE(local.empty()) << "no LocalAppData folder";
    local_app_data_ = local;
    config_ = local + L"\\Temp\\TavroPrint\\Config\\";
    SHCreateDirectoryExW(nullptr, config_.c_str(), nullptr);
    // What the installer must write again, and a logo that an earlier run left behind.
    for (const wchar_t* name : {L"Modules.json", L"PaperSize.json", L"DefaultPaper.json"})
      DeleteFileW((config_ + name).c_str());
    ASSERT_TRUE(WriteBytes(config_ + L"Logo.bmp", "BM stale"));
    RemoveTextFiles();
    log_path_ = TodaysLog();
    log_offset_ = SizeOf(log_path_);
  }

  void TearDown() override { RemoveTextFiles(); }

  void RemoveTextFiles() {
    for (const Row& row : kRows) DeleteFileW(TextFile(row).c_str());
  }

  std::wstring TextFile(const Row& row) const {
    return config_ + L"InstallConfig_" + std::wstring(row.tag, row.tag + 2) + L".txt";
  }

  // The lines the installer logged since this test started (the day's file accumulates).
  std::string RunLog() const {
    std::wstring now = TodaysLog();
    return now == log_path_ ? ReadFrom(log_path_, log_offset_) : ReadFrom(now, 0);
  }

  // Starts the installer and waits for its language dialog, which comes after the extraction.
  HWND StartToLanguageDialog() {
    if (!installer_.Start()) return nullptr;
    HWND dialog = installer_.WaitFor(Kind::kLanguage);
    EXPECT_NE(dialog, nullptr) << "the language dialog did not appear";
    return dialog;
  }

  void ExpectConfigFolderFilled() {
    for (const wchar_t* name : {L"Modules.json", L"PaperSize.json", L"DefaultPaper.json"})
      EXPECT_TRUE(FileExists(config_ + name)) << Narrow(config_ + name);
    EXPECT_FALSE(FileExists(config_ + L"Logo.bmp")) << "the earlier run's logo was not removed";
  }

  void PlantTextFiles() {
    for (const Row& row : kRows) ASSERT_TRUE(WriteBytes(TextFile(row), InstallText(row.tag)));
  }

  // From the main dialog: checks a few of its controls, presses its Cancel button and waits
  // for the process to end with code 0.
  void CancelMainDialog() {
    HWND main = installer_.WaitFor(Kind::kMain);
    ASSERT_NE(main, nullptr) << "the main dialog did not appear";
    EXPECT_EQ(ClassOf(GetDlgItem(main, 1058)), WC_LISTVIEWW);
    EXPECT_EQ(ClassOf(GetDlgItem(main, 1025)), L"ComboBox");
    EXPECT_EQ(ItemText(main, 1007), L"Cancel");
    EXPECT_EQ(ItemText(main, IDOK), L"Install");
    Click(main, 1007);
    EXPECT_EQ(installer_.WaitExit(), 0);
  }

  Installer installer_;
  std::wstring local_app_data_;
  std::wstring config_;
  std::wstring log_path_;
  long long log_offset_ = 0;
};

TEST_F(LanguageDialogTest, TextsFollowTheSelectedRowAndOkWantsARow) {
  HWND dialog = StartToLanguageDialog();
  ASSERT_NE(dialog, nullptr);
  ExpectConfigFolderFilled();
  RemoveTextFiles();  // whatever the payload held: this run reads none

  RemoteList list(installer_.process(), GetDlgItem(dialog, kLanguageList));
  ASSERT_TRUE(list.ok());
  ASSERT_EQ(list.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Text(i), kRows[i].text) << "row " << i;
  EXPECT_EQ(list.Selected(), 0);
  ExpectTexts(dialog, kRows[0]);

  for (int i : {1, 2, 0, 2, 1}) {
    list.SetSelected(i, true);
    EXPECT_EQ(list.Selected(), i);
    SCOPED_TRACE(i);
    ExpectTexts(dialog, kRows[i]);
  }

  // No row: the texts stay, and OK asks for one in Simplified Chinese (the chosen value is
  // still the initial 1) and leaves the dialog open.
  list.SetSelected(-1, false);
  EXPECT_EQ(list.Selected(), -1);
  ExpectTexts(dialog, kRows[1]);
  Click(dialog, IDOK);
  HWND box = installer_.WaitFor(Kind::kMessageBox);
  ASSERT_NE(box, nullptr) << "no message box for OK without a row";
  EXPECT_EQ(TextOf(box), L"\u63d0\u793a");
  EXPECT_EQ(ItemText(box, kMessageBoxText), L"\u8bf7\u9009\u62e9\u8bed\u8a00");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(installer_.WaitFor(Kind::kMain, 300), nullptr);

  list.SetSelected(2, true);
  ExpectTexts(dialog, kRows[2]);
  Click(dialog, IDOK);
  CancelMainDialog();

  ExpectInOrder(RunLog(), {
      "[ENTRY] CInstallApp::InitInstance",
      "Language selected: 0",
      "Config file path: " + Narrow(config_) + "\\InstallConfig_en.txt, Language=0",
      "[WARN] CInstallApp::InitInstance - Config file not found, using default values",
      "Starting main dialog",
      "Dialog dismissed with Cancel",
  });
}

class ChosenLanguageTest : public LanguageDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(ChosenLanguageTest, ReadsThatLanguagesTextFileAndRunsTheMainDialog) {
  const Row& row = kRows[GetParam()];
  HWND dialog = StartToLanguageDialog();
  ASSERT_NE(dialog, nullptr);
  ExpectConfigFolderFilled();
  PlantTextFiles();

  RemoteList list(installer_.process(), GetDlgItem(dialog, kLanguageList));
  ASSERT_TRUE(list.ok());
  // Row 0 is selected from the start: OK at once chooses Simplified Chinese.
  if (GetParam() != 0) list.SetSelected(GetParam(), true);
  ExpectTexts(dialog, row);
  Click(dialog, IDOK);
  CancelMainDialog();

  const std::string n = std::to_string(row.value);
  const std::string tag = row.tag;
  ExpectInOrder(RunLog(), {
      "[ENTRY] CInstallApp::InitInstance",
      "LoadDataFromFile success, m_nBufLen=",
      "Local AppData path: " + Narrow(local_app_data_) + "\r\n",
      "Language selected: " + n + "\r\n",
      "Config file path: " + Narrow(config_) + "\\InstallConfig_" + tag + ".txt, Language=" + n + "\r\n",
      "Config file opened successfully",
      "Config loaded: Title=Tavro Setup " + tag + ", ProgramName=Tavro " + tag + ", Driver=Tavro " + tag + " Driver",
      "Starting main dialog",
      "Dialog dismissed with Cancel",
      "[EXIT] CInstallApp::InitInstance - Exiting application",
      "[ENTRY] CInstallApp::ExitInstance - Cleaning up",
      "[EXIT] CInstallApp::ExitInstance",
  });
  for (const Row& other : kRows) {
    EXPECT_EQ(FileExists(TextFile(other)), &other != &row) << Narrow(TextFile(other));
  }
}

INSTANTIATE_TEST_SUITE_P(EachRow, ChosenLanguageTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(kRows[info.param].tag); });

TEST_F(LanguageDialogTest, CancelEndsTheProgramBeforeTheMainDialog) {
  HWND dialog = StartToLanguageDialog();
  ASSERT_NE(dialog, nullptr);
  PlantTextFiles();
  Click(dialog, IDCANCEL);
  EXPECT_EQ(installer_.WaitExit(), 0);

  std::string log = RunLog();
  ExpectInOrder(log, {
      "[ENTRY] CInstallApp::InitInstance",
      "Language selection cancelled, exiting",
      "[ENTRY] CInstallApp::ExitInstance - Cleaning up",
      "[EXIT] CInstallApp::ExitInstance",
  });
  EXPECT_EQ(log.find("Language selected"), std::string::npos);
  EXPECT_EQ(log.find("Starting main dialog"), std::string::npos);
  // No installer text file was opened, so none was deleted.
  for (const Row& row : kRows) EXPECT_TRUE(FileExists(TextFile(row))) << Narrow(TextFile(row));
}

// For scripts/screenshots.sh: each row selected in turn, then English chosen and the main dialog
// shown. For each shot the window's screen rectangle goes into <TAVRO_SHOT_DIR>\<name>.ready
// ("x y width height"), and the test goes on once <name>.done appears.
void AwaitShot(const wchar_t* dir, const wchar_t* name, HWND window) {
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
  ASSERT_TRUE(WriteBytes(base + L".ready", rect));
  DWORD start = GetTickCount();
  while (!FileExists(base + L".done") && GetTickCount() - start < 60000) Sleep(100);
  EXPECT_TRUE(FileExists(base + L".done")) << "no screenshot taken of " << Narrow(name);
}

TEST(LanguageDialogShots, DISABLED_EachRow) {
  wchar_t dir[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TAVRO_SHOT_DIR", dir, MAX_PATH) == 0) GTEST_SKIP() << "TAVRO_SHOT_DIR is not set";
  Installer installer;
  ASSERT_TRUE(installer.Start());
  HWND dialog = installer.WaitFor(Kind::kLanguage);
  ASSERT_NE(dialog, nullptr);
  RemoteList list(installer.process(), GetDlgItem(dialog, kLanguageList));
  ASSERT_TRUE(list.ok());
  for (int i = 0; i < 3; ++i) {
    list.SetSelected(i, true);
    ExpectTexts(dialog, kRows[i]);
    AwaitShot(dir, std::wstring(kRows[i].tag, kRows[i].tag + 2).c_str(), dialog);
  }
  Click(dialog, IDOK);
  HWND main = installer.WaitFor(Kind::kMain);
  ASSERT_NE(main, nullptr) << "the main dialog did not appear";
  AwaitShot(dir, L"main", main);
  Click(main, 1007);
  EXPECT_EQ(installer.WaitExit(), 0);
}

}  // namespace
