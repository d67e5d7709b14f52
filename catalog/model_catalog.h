// The model catalog ("Modules.json"): one ModelRecord per printer model the installer can set up,
// held in the process-wide table PrinterInfo, parallel to the list the caller keeps of the model
// names (the main dialog's model combo box: entry k, k >= 1, is record k - 1; entry 0 is "please
// select").
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "catalog/config_reader.h"

namespace platform {
class Machine;
}  // namespace platform

// Capacities in characters, terminator included (wchar_t is 16-bit on Windows, 32-bit natively).
constexpr int kModelNameChars = 64;
constexpr int kModelShortChars = 32;
constexpr int kModelPaperChars = 256;
constexpr int kPrinterInfoCount = 255;

// One catalog model. Text fields are NUL-terminated; numbers are signed 32-bit.
struct ModelRecord {
  wchar_t MODEL[kModelNameChars];
  wchar_t RecognizeName[kModelNameChars];
  int32_t DPI;
  wchar_t Command[kModelNameChars];
  wchar_t VidAndPid[kModelNameChars];
  wchar_t DefaultCommand[kModelShortChars];
  int32_t PrinterWidth;
  int32_t IsSupperMultiColor;
  int32_t Direction;
  int32_t IsOpenMultiColor;
  int32_t IsSupportsDistanceMeasurement;
  int32_t Cutter;
  wchar_t HardwareID[kModelShortChars];
  wchar_t Paper[kModelPaperChars];
  wchar_t OffsetX[kModelShortChars];
  wchar_t OffsetY[kModelShortChars];
  int32_t PrintMode;
  wchar_t DefaultVerticalFeed[kModelShortChars];
  int32_t Media;
};

// The catalog, in file order; all zero at start. A walk ends at the first empty MODEL or after
// the last record.
extern ModelRecord PrinterInfo[kPrinterInfoCount];

// "<local_app_data>\Temp\\TavroPrint\Config\Modules.json", formed as the dialog forms it (the
// doubled backslash after Temp is accepted by Windows). An empty folder still gives a path.
std::wstring BuildModelCatalogPath(const std::wstring& local_app_data);

// Offered each named model in file order; answers whether the caller took it into its list.
using AddModelCallback = std::function<bool(const std::wstring& model)>;

// Reads the catalog at `catalog_path` through `read` into PrinterInfo (from record 0), offering
// each named model to `add_model` before its record is kept; a model it refuses takes no record
// and is logged, so that the caller's list and the table stay parallel. An empty callback takes
// every model. A missing file leaves the table empty; a syntax error is logged. Elements without
// a "MODEL" string, or whose name CheckInstallName refuses, use no record (a warning line);
// elements beyond the table's capacity are ignored with a warning.
void LoadModelCatalog(platform::Machine& machine, const std::wstring& catalog_path,
                      const AddModelCallback& add_model, const ConfigReader& read);
// The same with the file read from disk (tools and tests that hold the file themselves).
void LoadModelCatalog(platform::Machine& machine, const std::wstring& catalog_path,
                      const AddModelCallback& add_model);

// Number of records before the first empty MODEL (at most kPrinterInfoCount).
int CountCatalogModels();
