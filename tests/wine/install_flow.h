// One installation through the real installer's dialogs, as a user makes it on a serial port
// (English, a model, Serial, the port, Install, the serial settings' OK), and the removal of
// everything an installation of a model leaves, for programs that install model after model.
#pragma once

#include "tests/wine/installer_driver.h"
#include "tests/wine/machine_view.h"
#include "ui/resource.h"

#include <winspool.h>

#include <string>
#include <vector>

namespace flow {

using namespace driver;
using namespace outside;

// A visible dialog of process `pid` that has control `with` and not control `without`, or null.
inline HWND FindDialogWith(DWORD pid, int with, int without) {
  return FindWindowOf(pid, [with, without](HWND hwnd) {
    return IsDialog(hwnd) && GetDlgItem(hwnd, with) != nullptr && GetDlgItem(hwnd, without) == nullptr;
  });
}

// A visible dialog of `process` that has control `with` and not control `without`, waiting for it.
inline HWND WaitForDialogWith(HANDLE process, int with, int without, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  do {
    HWND found = FindDialogWith(GetProcessId(process), with, without);
    if (found != nullptr) return found;
    if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) return nullptr;
  } while (GetTickCount() - start < timeout_ms);
  return nullptr;
}

// The catalog's models as the model list shows them (its first entry asks to choose one).
inline std::vector<std::wstring> CatalogModels(HWND main) {
  std::vector<std::wstring> models = ComboItems(GetDlgItem(main, IDC_MODEL_COMBO));
  if (!models.empty()) models.erase(models.begin());
  return models;
}

// Chooses `model` in the model list as a user does (the selection, then CBN_SELCHANGE).
inline bool ChooseModel(HWND main, const std::wstring& model) {
  HWND combo = GetDlgItem(main, IDC_MODEL_COMBO);
  int index = -1;
  for (int i = 0, n = ComboCount(combo); i < n && index < 0; ++i)
    if (ComboText(combo, i) == model) index = i;
  if (index <= 0) return false;
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_MODEL_COMBO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  return ComboSelectedText(combo) == model;
}

// On the open main dialog: Serial, `model`, the row `port` (e.g. "COM1"), Install, then OK in the
// serial settings. Returns "" when Install was pressed and the settings confirmed, else what went
// wrong.
inline std::string PressInstallOnSerialPort(Installer& installer, HWND main, const std::wstring& model,
                                            const std::wstring& port) {
  ClickAndWait(main, IDC_RADIO_SERIAL);
  if (!IsChecked(main, IDC_RADIO_SERIAL)) return "the Serial radio button is not checked";
  // Choosing Serial takes the model choice back to "please select".
  if (!ChooseModel(main, model)) return "no model " + Narrow(model) + " in the list";
  RemoteList list(installer.process(), GetDlgItem(main, IDC_PORT_LIST));
  if (!list.ok()) return "the port list cannot be read";
  int row = -1;
  for (int i = 0, n = list.Count(); i < n && row < 0; ++i)
    if (list.Text(i, 0) == port) row = i;
  if (row < 0) return "no " + Narrow(port) + " row in the serial list";
  list.SetSelected(row, true);
  if (list.Selected() != row) return "the row cannot be selected";
  Click(main, IDOK);
  HWND serial = WaitForDialogWith(installer.process(), IDC_BAUD_COMBO, IDC_PORT_LIST, kWaitMs);
  if (serial == nullptr) return "the serial settings dialog did not appear";
  Click(serial, IDOK);
  return "";
}

// The text of the message box the installation ends with, "<none>" when none came in time; the
// box itself in *box_out when asked for.
inline std::wstring WaitForOutcome(Installer& installer, DWORD timeout_ms = 120000, HWND* box_out = nullptr) {
  HWND box = WaitForDialogWith(installer.process(), kMessageBoxText, IDC_PORT_LIST, timeout_ms);
  if (box != nullptr && box_out != nullptr) *box_out = box;
  return box == nullptr ? L"<none>" : ItemText(box, kMessageBoxText);
}

// OK on the outcome's message box, then the installer's exit code (-1 when it does not end).
inline long PressOkAndWaitExit(Installer& installer) {
  HWND box = WaitForDialogWith(installer.process(), kMessageBoxText, IDC_PORT_LIST, 1000);
  if (box != nullptr) Click(box, IDOK);
  return installer.WaitExit();
}

// Removes what installations of `model` leave (RemoveInstallationsOf), and sets COM1:'s serial
// settings back to Wine's own.
inline void RemoveInstallations(const std::wstring& model,
                                const std::vector<const wchar_t*>& environments = {kEnvX86, kEnvX64}) {
  RemoveInstallationsOf(model, environments);
  SetCom1Settings(L"9600,n,8,1");
}

}  // namespace flow
