#include "install/printer_naming.h"

#include <algorithm>

#include "install/install_texts.h"
#include "install/text_fit.h"
#include "log/log.h"
#include "platform/codepage.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

namespace {

constexpr size_t kAnsiNameMaxBytes = 255;  // a 256-byte buffer with its terminator

bool Listed(const std::vector<std::wstring>& printers, const std::wstring& name) {
  return std::any_of(printers.begin(), printers.end(),
                     [&name](const std::wstring& printer) { return EqualsIgnoringCase(printer, name); });
}

std::wstring Suffix(const wchar_t* pattern_tail, int n) {
  return std::wstring(pattern_tail) + std::to_wstring(n) + L")";
}

}  // namespace

bool FindPrinter(platform::Machine& machine, std::vector<std::wstring>* names) {
  LogPrint(kLogUnitInstall, "FindPrinter", __LINE__, "[ENTRY] FindPrinter\n");
  names->clear();
  uint32_t needed = 0;
  bool ok = machine.spooler().EnumPrinters(platform::kPrinterEnumLocal | platform::kPrinterEnumConnections,
                                           names, &needed);
  uint32_t code = platform::LastErrorCode();
  // The first, bufferless call returns no records: only the size it asks for is known.
  LogPrint(kLogUnitInstall, "FindPrinter", __LINE__,
           "[INFO] FindPrinter - First EnumPrinters call, cbBuf=%lu, pcReturned=%lu\n",
           static_cast<unsigned long>(needed), 0ul);
  if (!ok) {
    names->clear();
    LogPrint(kLogUnitInstall, "FindPrinter", __LINE__, "[ERROR] FindPrinter - EnumPrinters failed, Error=%d\n",
             static_cast<int>(code));
    platform::SetLastErrorCode(code);
    return false;
  }
  LogPrint(kLogUnitInstall, "FindPrinter", __LINE__, "[EXIT] FindPrinter - Success, found %lu printers\n",
           static_cast<unsigned long>(names->size()));
  return true;
}

bool AnsiRoundTrips(platform::CodePage& codepage, const std::wstring& text) {
  if (text.empty()) return true;
  std::string ansi = codepage.ToAnsi(text);
  if (ansi.empty() || ansi.size() > kAnsiNameMaxBytes) return false;
  std::wstring back = codepage.FromAnsi(ansi);
  if (back.empty() || back.size() > kPrinterNameMaxUnits) return false;
  return back == text;
}

std::wstring ConflictSuffix(platform::CodePage& codepage, const std::wstring& base, int n) {
  int language = AppLanguage();
  if (language == kLanguageSimplified || language == kLanguageTraditional) {
    std::wstring chinese = Suffix(L" (\u526f\u672c "  /* 副本 */, n);
    if (AnsiRoundTrips(codepage, FitWithSuffix(base, chinese, kPrinterNameMaxUnits))) return chinese;
  }
  return Suffix(L" (copy ", n);
}

void GetPrinterName(platform::Machine& machine, const std::wstring& base, wchar_t (&out)[kInstallTargetChars]) {
  LogPrint(kLogUnitInstall, "GetPrinterName", __LINE__, "[ENTRY] GetPrinterName - pszPrinterName=%ws\n",
           base.c_str());
  std::vector<std::wstring> printers;
  bool listed = FindPrinter(machine, &printers);
  std::wstring name = CutToUnits(base, kPrinterNameMaxUnits);
  LogPrint(kLogUnitInstall, "GetPrinterName", __LINE__,
           "[INFO] GetPrinterName - Initial printer name: %ws, Existing printers: %lu\n", name.c_str(),
           static_cast<unsigned long>(printers.size()));
  if (listed) {
    // Each new candidate is built from the base, never from the previous candidate.
    for (int n = 1; Listed(printers, name); ++n) {
      name = FitWithSuffix(base, ConflictSuffix(machine.codepage(), base, n), kPrinterNameMaxUnits);
      LogPrint(kLogUnitInstall, "GetPrinterName", __LINE__, "[INFO] GetPrinterName - Name conflict found, new name: %ws\n",
               name.c_str());
    }
  }
  CopyToFieldAtBoundary(out, kInstallTargetChars, name);
  LogPrint(kLogUnitInstall, "GetPrinterName", __LINE__, "[EXIT] GetPrinterName - Final printer name: %ws\n", out);
}

std::wstring ResolvePrinterNameInline(platform::Machine& machine, const std::wstring& base,
                                      const std::vector<std::wstring>* printers) {
  platform::CodePage& codepage = machine.codepage();
  std::string ansi = AnsiPrefixFitting(codepage, base, kAnsiNameMaxBytes);
  std::wstring name = ansi.empty() ? std::wstring() : codepage.FromAnsi(ansi);
  if (printers == nullptr) return name;
  for (int n = 1; Listed(*printers, name); ++n) {
    // The base is what gets cut, in characters for the field and then in bytes for the ANSI
    // buffer, so that the suffix always survives whole.
    std::wstring suffix = ConflictSuffix(codepage, base, n);
    std::wstring fitted = FitWithSuffix(base, suffix, kPrinterNameMaxUnits);
    std::wstring cut_base = fitted.substr(0, fitted.size() - std::min(fitted.size(), suffix.size()));
    std::string suffix_ansi = codepage.ToAnsi(suffix);
    size_t room = kAnsiNameMaxBytes > suffix_ansi.size() ? kAnsiNameMaxBytes - suffix_ansi.size() : 0;
    ansi = AnsiPrefixFitting(codepage, cut_base, room) + suffix_ansi;
    name = codepage.FromAnsi(ansi);
    LogPrint(kLogUnitInstall, "GetPrinterName", __LINE__, "[INFO] GetPrinterName - Name conflict found, new name: %ws\n",
             name.c_str());
  }
  return name;
}
