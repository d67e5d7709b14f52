// The uninstaller's entry point: hands the real machine, its own folder and message boxes to the
// uninstall logic, and ends with its exit code.
#include <windows.h>

#include <string>
#include <vector>

#include "log/log.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_machine.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstaller.h"

namespace {

// The question and the outcome as message boxes of their own (no owner window).
class MessageBoxUi : public UninstallUi {
 public:
  bool Ask(const std::wstring& caption, const std::wstring& text) override {
    return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
  }
  void Tell(const std::wstring& caption, const std::wstring& text, bool error) override {
    ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), (error ? MB_ICONERROR : MB_ICONINFORMATION) | MB_OK);
  }
};

// This program's own path (grown until it fits); empty on failure.
std::wstring OwnPath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) return std::wstring(path.data(), n);
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL by name: only the system folder serves system DLLs, never the
  // install folder this elevated program runs from.
  platform::win32::HardenDllSearch();
  platform::win32::Win32Machine machine;
  LogSetFileStem(kUninstallLogStem);
  LogAttachMachine(&machine);
  const bool quiet = QuietRequested(::GetCommandLineW());
  MessageBoxUi ui;
  int code = kUninstallStepFailed;
  const std::wstring program = OwnPath();
  const size_t slash = program.find_last_of(L'\\');
  if (slash == std::wstring::npos) {
    UNINSTALL_LOG("WinMain", "[ERROR] WinMain - GetModuleFileNameW failed, Error=%d\n", static_cast<int>(::GetLastError()));
  } else {
    code = RunUninstaller(machine, program.substr(0, slash), program, quiet, ui);
  }
  LogStop();
  return code;
}
