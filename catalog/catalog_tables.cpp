// The process-wide catalog and paper tables, and the paths they are read from.
#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"

ModelRecord PrinterInfo[kPrinterInfoCount] = {};
PaperRecord PaperTable[kPaperTableCount] = {};

std::wstring BuildModelCatalogPath(const std::wstring& local_app_data) {
  // The dialog's two formatting steps, "%s\\%s" with "Temp\\" then "%s\\TavroPrint\\Config\\...".
  std::wstring temp_folder = local_app_data + L"\\" + L"Temp\\";
  return temp_folder + L"\\TavroPrint\\Config\\Modules.json";
}

std::wstring BuildPaperConfigPath(const std::wstring& temp_folder, const std::wstring& paper) {
  return temp_folder + L"\\TavroPrint\\Config\\" + paper;
}

int CountCatalogModels() {
  int count = 0;
  while (count < kPrinterInfoCount && PrinterInfo[count].MODEL[0] != L'\0') ++count;
  return count;
}
