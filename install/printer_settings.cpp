#include "install/printer_settings.h"

#include <cwchar>
#include <vector>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/registration_common.h"
#include "install/text_fit.h"
#include "log/log.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace {

constexpr const char* kUnit = kLogUnitInstallDlg;
constexpr const char* kFn = kFnOnInstallFinished;
constexpr size_t kMediaBufferUnits = 16384;  // the 32,768-byte buffer, in UTF-16 units
constexpr int kEscWideWidth = 640;           // dots: 80 mm paper from here on, else 58 mm

const platform::Hive kHklm = platform::Hive::kLocalMachine;
const platform::RegView kView = platform::RegView::kDefault;

std::wstring Text(const wchar_t* field, size_t capacity) { return std::wstring(field, wcsnlen(field, capacity)); }

std::wstring PrinterKey(const wchar_t* leaf) {
  return std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + InstallTarget.PrinterName + L"\\" + leaf;
}

int Code() { return static_cast<int>(platform::LastErrorCode()); }

void WriteMediaReady(platform::Registry& registry) {
  std::wstring key = PrinterKey(L"DsDriver");
  LogPrint(kUnit, kFn, __LINE__, "[INFO] OnInstallFinished - Writing printMediaReady to registry: %ws\n", key.c_str());
  if (!registry.CreateKey(kHklm, key, kView)) {
    LogPrint(kUnit, kFn, __LINE__, "[ERROR] OnInstallFinished - Failed to open/create registry key, Error=%d\n", Code());
    return;
  }
  std::vector<std::wstring> names;
  size_t used = 0;
  for (int slot = 0; slot < kPaperTableCount; ++slot) {
    std::wstring name = Text(PaperTable[slot].name, kPaperNameChars);
    if (name.empty()) continue;
    size_t n = Utf16Units(name);
    // Each name takes its NUL, and the list one more: stop before the buffer would overflow.
    if (n + used + 2 > kMediaBufferUnits - 1) {
      LogPrint(kUnit, kFn, __LINE__, "[WARN] OnInstallFinished - printMediaReady buffer full at paper %d\n", slot);
      break;
    }
    names.push_back(name);
    used += n + 1;
  }
  if (registry.SetValue(kHklm, key, L"printMediaReady", kView, platform::RegValue::MultiSz(names))) {
    LogPrint(kUnit, kFn, __LINE__, "[INFO] OnInstallFinished - Successfully wrote printMediaReady (%d papers) to registry\n",
             static_cast<int>(names.size()));
  } else {
    LogPrint(kUnit, kFn, __LINE__, "[ERROR] OnInstallFinished - Failed to write printMediaReady, Error=%d\n", Code());
  }
}

int DefaultPaperCount() {
  int count = 0;
  while (count < kPaperTableCount && PaperTable[count].name[0] != L'\0') ++count;
  return count;
}

class DriverDataWriter {
 public:
  DriverDataWriter(platform::Registry& registry, std::wstring key) : registry_(registry), key_(std::move(key)) {}

  // The value with its success line (printing the value) or its failure line (the code).
  void Dword(const wchar_t* name, uint32_t value, const char* ok_format, const char* fail_format) {
    if (Set(name, platform::RegValue::Dword(value))) {
      LogPrint(kUnit, kFn, __LINE__, ok_format, static_cast<int>(value));
    } else {
      LogPrint(kUnit, kFn, __LINE__, fail_format, Code());
    }
  }
  // Written only when not empty.
  void Sz(const wchar_t* name, const std::wstring& value, const char* ok_format, const char* fail_format) {
    if (value.empty()) return;
    if (Set(name, platform::RegValue::Sz(value))) {
      LogPrint(kUnit, kFn, __LINE__, ok_format, value.c_str());
    } else {
      LogPrint(kUnit, kFn, __LINE__, fail_format, Code());
    }
  }
  // No line of its own on success.
  void Quiet(const wchar_t* name, const platform::RegValue& value) {
    if (!Set(name, value)) {
      LogPrint(kUnit, kFn, __LINE__, "[ERROR] OnInstallFinished - Failed to write %ws, Error=%d\n", name, Code());
    }
  }

 private:
  bool Set(const wchar_t* name, const platform::RegValue& value) {
    return registry_.SetValue(kHklm, key_, name, kView, value);
  }
  platform::Registry& registry_;
  std::wstring key_;
};

void WriteEscPaper(DriverDataWriter& writer, const ModelRecord& model) {
  LogPrint(kUnit, kFn, __LINE__, "[INFO] OnInstallFinished - ESC paper selection, PrintWidth=%d\n", model.PrinterWidth);
  bool wide = model.PrinterWidth >= kEscWideWidth;
  std::wstring paper = wide ? L"Custom(80mm x 1000mm)" : L"Custom(58mm x 1000mm)";
  uint32_t width = wide ? 800 : 580;
  uint32_t length = 10000;
  writer.Quiet(L"DefaultPaperName", platform::RegValue::Sz(paper));
  writer.Quiet(L"DefaultPaperSize", platform::RegValue::Dword(256));  // DMPAPER_USER
  writer.Quiet(L"DefaultPaperWidth", platform::RegValue::Dword(width));
  writer.Quiet(L"DefaultPaperLength", platform::RegValue::Dword(length));
  LogPrint(kUnit, kFn, __LINE__, "[INFO] OnInstallFinished - ESC paper set: %ws (W=%d L=%d)\n", paper.c_str(),
           static_cast<int>(width), static_cast<int>(length));
  if (model.Cutter) {
    writer.Dword(L"MediaHandlingMode", 2, "[INFO] OnInstallFinished - Successfully wrote MediaHandlingMode=%d to registry\n",
                 "[ERROR] OnInstallFinished - Failed to write MediaHandlingMode, Error=%d\n");
  }
}

void WriteDriverData(platform::Registry& registry) {
  std::wstring key = PrinterKey(L"PrinterDriverData");
  if (!registry.CreateKey(kHklm, key, kView)) {
    LogPrint(kUnit, kFn, __LINE__,
             "[ERROR] OnInstallFinished - Failed to open/create PrinterDriverData registry key, Error=%d\n", Code());
    return;
  }
  const ModelRecord& model = ChosenModel();
  DriverDataWriter w(registry, key);
  w.Dword(L"IsSupperMultiColor", model.IsSupperMultiColor,
          "[INFO] OnInstallFinished - Successfully wrote IsSupperMultiColor=%d to registry\n",
          "[ERROR] OnInstallFinished  - Failed to write IsSupperMultiColor, Error=%d\n");
  w.Dword(L"IsOpenMultiColor", model.IsOpenMultiColor,
          "[INFO] OnInstallFinished - Successfully wrote IsOpenMultiColor=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write IsOpenMultiColor, Error=%d\n");
  w.Dword(L"Direction", model.Direction, "[INFO] OnInstallFinished - Successfully wrote direction=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write direction, Error=%d\n");
  int paper_count = DefaultPaperCount();
  LogPrint(kUnit, kFn, __LINE__, "[INFO] OnInstallFinished - DefaultPaperCount=%d\n", paper_count);
  w.Dword(L"DefaultPaperCount", paper_count,
          "[INFO] OnInstallFinished - Successfully wrote DefaultPaperCount=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write DefaultPaperCount, Error=%d\n");
  w.Sz(L"OffsetX", Text(model.OffsetX, kModelShortChars),
       "[INFO] OnInstallFinished - Successfully wrote OffsetX=%ws to registry\n",
       "[ERROR] OnInstallFinished - Failed to write OffsetX, Error=%d\n");
  w.Sz(L"OffsetY", Text(model.OffsetY, kModelShortChars),
       "[INFO] OnInstallFinished - Successfully wrote OffsetY=%ws to registry\n",
       "[ERROR] OnInstallFinished - Failed to write OffsetY, Error=%d\n");
  w.Sz(L"DefaultVerticalFeed", Text(model.DefaultVerticalFeed, kModelShortChars),
       "[INFO] OnInstallFinished - Successfully wrote DefaultVerticalFeed=%ws to registry\n",
       "[ERROR] OnInstallFinished - Failed to write DefaultVerticalFeed, Error=%d\n");
  w.Dword(L"Resolution", ResolutionIndex(model.DPI),
          "[INFO] OnInstallFinished - Successfully wrote dwResolutionIndex=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write dwResolutionIndex, Error=%d\n");
  w.Dword(L"PrintMode", model.PrintMode, "[INFO] OnInstallFinished - Successfully wrote printMode=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write printMode, Error=%d\n");
  w.Dword(L"Media", model.Media, "[INFO] OnInstallFinished - Successfully wrote nMedia=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write nMedia, Error=%d\n");
  w.Dword(L"IsSupportsDistanceMeasurement", model.IsSupportsDistanceMeasurement,
          "[INFO] OnInstallFinished - Successfully wrote IsSupportsDistanceMeasurement=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write IsSupportsDistanceMeasurement, Error=%d\n");
  uint32_t command_type = CommandType(Text(model.DefaultCommand, kModelShortChars));
  w.Dword(L"CommandType", command_type, "[INFO] OnInstallFinished - Successfully wrote CommandType=%d to registry\n",
          "[ERROR] OnInstallFinished - Failed to write CommandType, Error=%d\n");
  if (command_type == 2) WriteEscPaper(w, model);
}

}  // namespace

uint32_t ResolutionIndex(int32_t dpi) {
  if (dpi == 600) return 2;
  if (dpi == 300) return 1;
  return 0;
}

uint32_t CommandType(const std::wstring& default_command) {
  if (default_command == L"ESC") return 2;
  if (default_command == L"CPCL") return 1;
  return 0;
}

void WritePrinterSettings(platform::Machine& machine) {
  WriteMediaReady(machine.registry());
  WriteDriverData(machine.registry());
}

std::wstring SystemErrorText(platform::Machine& machine, uint32_t code) {
  std::wstring text;
  if (code == 0 || !machine.system().ErrorMessageText(code, &text)) return std::wstring();
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

InstallOutcome InstallOutcomeText(int language, bool success, uint32_t code, const std::wstring& reason) {
  InstallOutcome outcome;
  outcome.caption = TextFor(language, L"Printer driver installation",
                            L"\u6253\u5370\u673a\u9a71\u52a8\u5b89\u88c5",   // 打印机驱动安装
                            L"\u6253\u5370\u6a5f\u9a45\u52d5\u5b89\u88dd");  // 打印機驅動安裝
  if (success) {
    outcome.text = TextFor(language, L"Installation complete.",
                           L"\u5b89\u88c5\u5b8c\u6210\u3002",   // 安装完成。
                           L"\u5b89\u88dd\u5b8c\u6210\u3002");  // 安裝完成。
    return outcome;
  }
  outcome.error = true;
  const std::wstring number = std::to_wstring(code);
  if (!reason.empty()) {
    outcome.text = std::wstring(TextFor(language, L"Installation failed.\r\nFailure reason:",
                                        L"\u5b89\u88c5\u5931\u8d25\u3002\r\n\u5931\u8d25\u539f\u56e0\uff1a",    // 安装失败。失败原因：
                                        L"\u5b89\u88dd\u5931\u6557\u3002\r\n\u5931\u6557\u539f\u56e0\uff1a")) +  // 安裝失敗。失敗原因：
                   reason +
                   TextFor(language, L"\r\n(Error=", L"\r\n(\u9519\u8bef\u7801=",  // (错误码=
                           L"\r\n(\u932f\u8aa4\u78bc=") +                            // (錯誤碼=
                   number + L")";
  } else {
    outcome.text = std::wstring(TextFor(language, L"Installation failed.\r\n(Error=",
                                        L"\u5b89\u88c5\u5931\u8d25\u3002\r\n(\u9519\u8bef\u7801=",    // 安装失败。(错误码=
                                        L"\u5b89\u88dd\u5931\u6557\u3002\r\n(\u932f\u8aa4\u78bc=")) +  // 安裝失敗。(錯誤碼=
                   number + L")";
  }
  return outcome;
}
