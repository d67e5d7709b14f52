// The start-up benchmark's reference: a program that shows one dialog with a list view and does
// nothing else, built as the installer is (static runtime, the installer's manifest, so the same
// common controls and DPI settings). It ends when its dialog is closed.
#include <windows.h>
#include <commctrl.h>

namespace {

INT_PTR CALLBACK ReferenceProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return message == WM_INITDIALOG;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, ReferenceProc, 0));
}
