// What the 64- and 32-bit spooler registrations share: the payload's file names, the names
// derived from the printer name, the driver and printer records, the printer data values and
// the final printer name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/spooler.h"

struct ModelRecord;
class InstallHost;

namespace platform {
class Machine;
}

// Payload files the registration copies (the 64-bit variants carry ".x64" behind the name). The
// image DLL and the two monitor DLLs are in-house names; this build's payload holds none of
// them, so their copies find no source and are skipped.
constexpr const char* kUiDll = "tavroui.dll";
constexpr const char* kRenderDll = "tavrodrv.dll";
constexpr const char* kMonitorExe = "tavromon.exe";
constexpr const char* kPopupExe = "tavropop.exe";
constexpr const char* kImageDll = "tavroimg.dll";
constexpr const char* kPortMonitorDll = "tavrolm.dll";
constexpr const char* kPortMonitorUiDll = "tavrolmui.dll";
constexpr const char* kX64Suffix = ".x64";
// The names the two monitor DLLs get in the system directory.
constexpr const char* kSystemMonitorDll = "TavroPrintMon.dll";
constexpr const char* kSystemMonitorUiDll = "TavroPrintMonUI.dll";

// The 8-bit names derived from the printer name, in the order they are built.
struct DriverFileNames {
  std::string stem;         // PrinterName in ANSI (at most 259 bytes, cut between characters)
  std::string config_dll;   // "<stem>UI.dll"
  std::string render_dll;   // "<stem>Drv.dll"
  std::string monitor_exe;  // "<stem>_tavromon.exe"
  std::string popup_exe;    // "<stem>_tavropop.exe"
  std::string data_file;    // "<stem>GPC.pcd"
};
DriverFileNames DriverFileNamesFor(platform::Machine& machine, const std::wstring& printer_name);

// The DRIVER_INFO_2 record: version 2, InstallTarget.DriverName, `environment`, bare file names.
platform::DriverInfo DriverRecordFor(platform::Machine& machine, const DriverFileNames& names,
                                     const wchar_t* environment);

// The PRINTER_INFO_2 record for `printer_name` on InstallTarget.PortName with InstallTarget's
// driver: "WinPrint", "RAW", attribute PRINTER_ATTRIBUTE_DEFAULT.
platform::PrinterInfo2 PrinterRecordFor(const std::wstring& printer_name);

// The catalog record InstallTarget.ModelIndex chooses; an all-empty record when out of range.
const ModelRecord& ChosenModel();

// The language identifier stored as the "Language" printer data: 2052, 1028 or 1033.
uint32_t LanguageId(int language);

// Sets "DevicePath", "VidAndPid", "PrintWidth" and "Language" on the new printer, in that order
// (results are not examined).
void SetPrinterDataValues(platform::PrinterHandle& printer, const ModelRecord& model);

// The name the printer is added under: the inline conflict pass over the spooler's printers
// starting from InstallTarget.PrinterName (unchanged when the printers cannot be listed).
std::wstring FinalPrinterName(platform::Machine& machine);

// Keeps the name AddPrinterW took in InstallTarget.PrinterName, so that the default printer, the
// printer's settings and the uninstall entry name the printer that was added.
void KeepFinalPrinterName(const std::wstring& name);

// The port list's selected text into InstallTarget.PortName.
void TakeSelectedPort(InstallHost& host);

// Whether the driver or the printer cannot do without a copied file.
enum class FileNeed { kRequired, kOptional };

// Copies `from` to `to`, overwriting. A failure is logged under `fn` with its code: "[ERROR]" for
// a required file, whose code also goes into `*first_failure` when that is still 0; "[WARN]" for
// an optional one, except that an optional file the payload lacks (2, 3) is skipped quietly.
void PlaceFile(platform::Machine& machine, const char* fn, const std::string& from, const std::string& to,
               FileNeed need, uint32_t* first_failure);
