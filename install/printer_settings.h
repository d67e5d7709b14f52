// What the main dialog does when the worker reports back: on success it stores the chosen
// model's settings and paper names where the driver reads them (the printer's "DsDriver" and
// "PrinterDriverData" keys), and in every case it shows the outcome text built here.
#pragma once

#include <cstdint>
#include <string>

namespace platform {
class Machine;
}

// The log's source unit and function for these lines: they are the dialog's handler's own.
constexpr const char* kFnOnInstallFinished = "CInstallDlg::OnInstallFinished";

// Writes "printMediaReady" (the non-empty paper names, in slot order) under DsDriver and the
// model's values under PrinterDriverData of InstallTarget.PrinterName, in their fixed order,
// each logged; the ESC paper values when DefaultCommand is exactly "ESC". A failed key or value
// is logged and the rest is written.
void WritePrinterSettings(platform::Machine& machine);

// The message box of the outcome, by language.
struct InstallOutcome {
  std::wstring caption;
  std::wstring text;
  bool error = false;  // error icon and IDCANCEL; else information icon and IDOK
};

// Success: "Installation complete." (by language). Failure: the pattern with the reason when
// `reason` is not empty, else the one without; both carry `code` in decimal.
InstallOutcome InstallOutcomeText(int language, bool success, uint32_t code, const std::wstring& reason);

// The system's message text for `code` without trailing CR/LF; "" for 0 or when there is none.
std::wstring SystemErrorText(platform::Machine& machine, uint32_t code);

// "Resolution" index of a DPI value: 600 gives 2, 300 gives 1, anything else 0.
uint32_t ResolutionIndex(int32_t dpi);

// "CommandType" of a DefaultCommand text (exact, case-sensitive): "ESC" 2, "CPCL" 1, else 0.
uint32_t CommandType(const std::wstring& default_command);
