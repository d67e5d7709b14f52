#include "catalog/model_catalog.h"

#include <cjson/cJSON.h>

#include <cstring>

#include "catalog/fixed_text.h"
#include "catalog/install_name.h"
#include "catalog/json_file.h"
#include "log/log.h"
#include "platform/machine.h"
#include "text/fixed_field.h"

namespace {

constexpr const char* kFn = "CInstallDlg::OnInitDialog";
constexpr int kCommandNameBytes = 31;

// The catalog's string keys: another JSON type counts as missing.
const cJSON* StringItem(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItem(object, key);
  return cJSON_IsString(item) && item->valuestring != nullptr ? item : nullptr;
}

// A number key stores the item's integer value whatever its type (true 1, a string 0), as the
// driver settings have always been read.
bool NumberItem(const cJSON* object, const char* key, int32_t* value) {
  const cJSON* item = cJSON_GetObjectItem(object, key);
  if (item == nullptr) return false;
  *value = item->valueint;
  return true;
}

void ReadNumber(const cJSON* element, const char* key, const char* format, int32_t* field,
                int line) {
  int32_t value = 0;
  if (!NumberItem(element, key, &value)) return;
  LogPrint(kLogUnitInstallDlg, kFn, line, format, value);
  *field = value;
}

// "OffsetX", "OffsetY", "DefaultVerticalFeed": kept as text; the log shows the item's integer
// value, which is 0 for a JSON string.
void ReadDigitsText(platform::CodePage& cp, const cJSON* element, const char* key,
                    const char* format, wchar_t* field, int capacity, int line) {
  const cJSON* item = StringItem(element, key);
  if (item == nullptr) return;
  CopyToField(field, capacity, AnsiToWide(cp, item->valuestring));
  LogPrint(kLogUnitInstallDlg, kFn, line, format, item->valueint);
}

void ReadCommands(platform::CodePage& cp, const cJSON* element, ModelRecord& record) {
  const cJSON* commands = cJSON_GetObjectItem(element, "Command");
  if (!cJSON_IsArray(commands)) return;
  record.Command[0] = L'\0';
  int n = cJSON_GetArraySize(commands);
  for (int j = 0; j < n; ++j) {
    const cJSON* item = cJSON_GetArrayItem(commands, j);
    if (!cJSON_IsString(item) || item->valuestring == nullptr) continue;
    std::string bytes(item->valuestring, strnlen(item->valuestring, kCommandNameBytes));
    wchar_t name[kModelShortChars];
    CopyToField(name, kModelShortChars, AnsiToWide(cp, bytes.c_str()));
    // The separator follows the array position, so a leading non-string item leaves ",ESC".
    if (j > 0) AppendToField(record.Command, kModelNameChars, L",");
    AppendToField(record.Command, kModelNameChars, name);
  }
}

void ReadUsb(platform::CodePage& cp, const cJSON* element, ModelRecord& record) {
  const cJSON* usb = cJSON_GetObjectItem(element, "USB");
  if (!cJSON_IsObject(usb)) return;
  const cJSON* vid = StringItem(usb, "VID");
  const cJSON* pid = StringItem(usb, "PID");
  if (vid == nullptr || pid == nullptr) return;
  LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "Module USB: vid=%s, pid=%s\n", vid->valuestring,
           pid->valuestring);
  wchar_t vid_text[kModelShortChars];
  wchar_t pid_text[kModelShortChars];
  CopyToField(vid_text, kModelShortChars, AnsiToWide(cp, vid->valuestring));
  CopyToField(pid_text, kModelShortChars, AnsiToWide(cp, pid->valuestring));
  CopyToField(record.VidAndPid, kModelNameChars,
              std::wstring(L"VID_") + vid_text + L"&PID_" + pid_text);
}

// The key steps for one named element, in the order their log lines have always come out.
void ReadModelKeys(platform::CodePage& cp, const cJSON* element, ModelRecord& record) {
  ReadUsb(cp, element, record);
  ReadNumber(element, "DPI", "Module DPI: %d\n", &record.DPI, __LINE__);
  ReadCommands(cp, element, record);

  const cJSON* paper = StringItem(element, "Paper");
  if (paper != nullptr) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "Paper config: %s\n", paper->valuestring);
    CopyToField(record.Paper, kModelPaperChars, AnsiToWide(cp, paper->valuestring));
  } else {
    CopyToField(record.Paper, kModelPaperChars, L"DefaultPaper.json");
  }

  const cJSON* hardware_id = StringItem(element, "HardwareID");
  if (hardware_id != nullptr) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "HardwareID config: %s\n",
             hardware_id->valuestring);
    CopyToField(record.HardwareID, kModelShortChars, AnsiToWide(cp, hardware_id->valuestring));
  }
  const cJSON* default_command = StringItem(element, "DefaultCommand");
  if (default_command != nullptr) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "DefaultCommand config: %s\n",
             default_command->valuestring);
    CopyToField(record.DefaultCommand, kModelShortChars,
                AnsiToWide(cp, default_command->valuestring));
  }

  ReadNumber(element, "Direction", "Direction config: %d\n", &record.Direction, __LINE__);
  ReadNumber(element, "IsSupperMultiColor", "IsSupperMultiColor config: %d\n",
             &record.IsSupperMultiColor, __LINE__);
  ReadNumber(element, "IsOpenMultiColor", "IsOpenMultiColor config: %d\n",
             &record.IsOpenMultiColor, __LINE__);
  ReadNumber(element, "IsSupportsDistanceMeasurement",
             "IsSupportsDistanceMeasurement config: %d\n", &record.IsSupportsDistanceMeasurement,
             __LINE__);

  ReadDigitsText(cp, element, "OffsetX", "OffsetX config: %d\n", record.OffsetX,
                 kModelShortChars, __LINE__);
  ReadDigitsText(cp, element, "OffsetY", "OffsetY config: %d\n", record.OffsetY,
                 kModelShortChars, __LINE__);
  ReadDigitsText(cp, element, "DefaultVerticalFeed", "DefaultVerticalFeed config: %d\n",
                 record.DefaultVerticalFeed, kModelShortChars, __LINE__);

  const cJSON* recognize = StringItem(element, "RecognizeName");
  if (recognize != nullptr) {
    CopyToField(record.RecognizeName, kModelShortChars, AnsiToWide(cp, recognize->valuestring));
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "RecognizeName: name=%s",
             recognize->valuestring);
  }

  ReadNumber(element, "PrintMode", "PrintMode config: %d\n", &record.PrintMode, __LINE__);
  ReadNumber(element, "Media", "media config: %d\n", &record.Media, __LINE__);
  ReadNumber(element, "PrinterWidth", "printerWidth config: %d\n", &record.PrinterWidth,
             __LINE__);
  ReadNumber(element, "Cutter", "Cutter config: %d\n", &record.Cutter, __LINE__);
}

}  // namespace

void LoadModelCatalog(platform::Machine& machine, const std::wstring& catalog_path,
                      const AddModelCallback& add_model) {
  LoadModelCatalog(machine, catalog_path, add_model, DiskConfigReader(machine.files()));
}

void LoadModelCatalog(platform::Machine& machine, const std::wstring& catalog_path,
                      const AddModelCallback& add_model, const ConfigReader& read) {
  std::memset(PrinterInfo, 0, sizeof(PrinterInfo));

  std::string text;
  if (!read || !read(catalog_path, &text)) return;

  const JsonTree root = ParseJsonTree(text.c_str());
  if (!root) {
    const char* at = cJSON_GetErrorPtr();
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "cJSON Parse error: %s\n", at ? at : "");
    return;
  }

  if (!cJSON_IsArray(root.get())) {
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
             "[ERROR] CInstallDlg::OnInitDialog - Model catalog is not a JSON array: %ws\n",
             catalog_path.c_str());
    return;
  }

  platform::CodePage& cp = machine.codepage();
  int elements = cJSON_GetArraySize(root.get());
  int record = 0;
  for (int i = 0; i < elements; ++i) {
    const cJSON* element = cJSON_GetArrayItem(root.get(), i);
    // A record without a name would end every walk of the table and break the caller's
    // "entry k is record k - 1" rule, so such an element takes no record.
    const cJSON* model = StringItem(element, "MODEL");
    if (model == nullptr || model->valuestring[0] == '\0') {
      LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
               "[WARN] CInstallDlg::OnInitDialog - Catalog element %d has no MODEL name, "
               "skipping\n",
               i);
      continue;
    }
    if (record >= kPrinterInfoCount) {
      LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
               "[WARN] CInstallDlg::OnInitDialog - PrinterInfo array full (%d >= %d), "
               "ignoring catalog elements %d to %d\n",
               record, kPrinterInfoCount, i, elements - 1);
      break;
    }

    ModelRecord& rec = PrinterInfo[record];
    LogPrint(kLogUnitInstallDlg, kFn, __LINE__, "Module Name: name=%s", model->valuestring);
    CopyToField(rec.MODEL, kModelNameChars, AnsiToWide(cp, model->valuestring));
    // The name becomes the printer, driver, GPC file and install folder names: one that would
    // leave its folder or change on the way to ANSI is never offered.
    const NameProblem problem = CheckInstallName(cp, rec.MODEL);
    if (problem != NameProblem::kNone) {
      LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
               "[WARN] CInstallDlg::OnInitDialog - Catalog element %d: model name %ws refused "
               "(%s), skipping\n",
               i, rec.MODEL, NameProblemText(problem));
      std::memset(&rec, 0, sizeof(rec));
      continue;
    }
    if (add_model && !add_model(rec.MODEL)) {
      LogPrint(kLogUnitInstallDlg, kFn, __LINE__,
               "[ERROR] CInstallDlg::OnInitDialog - Adding model %ws to the model list "
               "failed, skipping it\n",
               rec.MODEL);
      std::memset(&rec, 0, sizeof(rec));
      continue;
    }
    ReadModelKeys(cp, element, rec);
    ++record;
  }
}
