#include "ports/usb_detect.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "catalog/model_catalog.h"
#include "log/log.h"
#include "platform/devices.h"
#include "platform/last_error.h"
#include "ports/usb_strings.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

UsbInfoRecord UsbInfo[kUsbInfoCount];

namespace {

constexpr const char* kFunction = "GetPrinterOnline";
#define USB_LOG(...) LogPrint(kLogUnitInstall, kFunction, __LINE__, __VA_ARGS__)

// What the walk reads of one USBPRINT device, cut to the record's capacities.
struct DeviceTexts {
  wchar_t hardware_id[kUsbHardwareIdChars];
  wchar_t desc[kUsbTextChars];
  wchar_t mfg[kUsbTextChars];
  wchar_t friendly[kUsbTextChars];
  wchar_t bus[kUsbBusChars];
  wchar_t model[kUsbNameChars];
  wchar_t vid_pid[kUsbVidPidChars];
  wchar_t port[kUsbPortChars];
};

template <int N>
void Store(wchar_t (&field)[N], const std::wstring& text) {
  CopyToField(field, N, text.c_str(), text.size());
}

template <int N>
void Store(wchar_t (&field)[N], const wchar_t* text) {
  CopyToField(field, N, text, static_cast<size_t>(-1));
}

// A missing property leaves the field empty; the call's result is of no further interest.
void ReadProperties(platform::DeviceSet& set, const platform::DeviceRef& ref, DeviceTexts* t) {
  std::wstring value;
  set.RegistryProperty(ref, platform::DeviceProperty::kHardwareId, &value);
  Store(t->hardware_id, value);
  set.RegistryProperty(ref, platform::DeviceProperty::kDeviceDesc, &value);
  Store(t->desc, value);
  set.RegistryProperty(ref, platform::DeviceProperty::kMfg, &value);
  Store(t->mfg, value);
  set.RegistryProperty(ref, platform::DeviceProperty::kFriendlyName, &value);
  Store(t->friendly, value);
  platform::ParentLookup parent;
  if (set.Parent(ref, &parent)) Store(t->bus, parent.instance_id);
}

// Index of the first catalog record whose match name lies inside the model segment, or -1.
int MatchCatalog(const wchar_t* model) {
  wchar_t stripped_model[kModelNameChars];
  StripSeparators(kModelNameChars, model, stripped_model);
  const std::wstring lower_model = AsciiLower(stripped_model);

  for (int i = 0; i < kPrinterInfoCount && PrinterInfo[i].MODEL[0]; ++i) {
    const ModelRecord& record = PrinterInfo[i];
    // Copies bounded by the fields, so an unterminated record cannot be read past.
    wchar_t model_name[kModelNameChars];
    wchar_t recognize_name[kModelNameChars];
    CopyToField(model_name, kModelNameChars, record.MODEL, kModelNameChars - 1);
    CopyToField(recognize_name, kModelNameChars, record.RecognizeName, kModelNameChars - 1);
    USB_LOG("[INFO] GetPrinterOnline - nRecognizeName=%ws\n", recognize_name);

    const wchar_t* match_name = recognize_name[0] ? recognize_name : model_name;
    wchar_t stripped_match[kModelNameChars];
    StripSeparators(kModelNameChars, match_name, stripped_match);
    const std::wstring lower_match = AsciiLower(stripped_match);
    USB_LOG(
        "[INFO] GetPrinterOnline - Comparing model=%ws (stripped=%ws lower=%ws) with "
        "PrinterInfo[%d].MatchName=%ws (stripped=%ws lower=%ws)\n",
        model, stripped_model, lower_model.c_str(), i, match_name, stripped_match, lower_match.c_str());
    // A name made only of separators would be found inside every model: it recognises nothing.
    if (!lower_match.empty() && lower_model.find(lower_match) != std::wstring::npos) return i;
  }
  return -1;
}

void FillEntry(long found, const std::wstring& id, const DeviceTexts& t, const ModelRecord& record,
               wchar_t (*szDevicePath)[kUsbDevicePathChars]) {
  UsbInfoRecord& entry = UsbInfo[found];
  CopyToField(entry.Name, kUsbNameChars, record.MODEL, kModelNameChars - 1);
  Store(entry.InstanceId, id);
  Store(entry.DevicePath, id);
  Store(entry.HardwareId, t.hardware_id);
  Store(entry.Desc, t.desc);
  Store(entry.Mfg, t.mfg);
  Store(entry.Friendly, t.friendly);
  Store(entry.VidPid, t.vid_pid);
  Store(entry.Bus, t.bus);
  Store(entry.Port, t.port);
  if (szDevicePath) Store(szDevicePath[found], id);
}

}  // namespace

long GetPrinterOnline(platform::Devices& devices, wchar_t (*szDevicePath)[kUsbDevicePathChars]) {
  USB_LOG("[ENTRY] GetPrinterOnline - szDevicePath=%p\n", static_cast<void*>(szDevicePath));

  std::unique_ptr<platform::DeviceSet> set = devices.OpenPresentDevices(L"");
  if (!set) {
    USB_LOG("[ERROR] GetPrinterOnline - SetupDiGetClassDevs failed, Error=%d\n",
            static_cast<int>(platform::LastErrorCode()));
    return 0;
  }
  USB_LOG("[INFO] GetPrinterOnline - SetupDiGetClassDevs success, hDevInfo=%p\n", set->LogHandle());

  long found = 0;
  // Heap, not stack: the texts of one device are some 4 KB of UTF-16.
  auto texts = std::make_unique<DeviceTexts>();
  platform::DeviceRef ref;
  std::wstring id_text;
  for (uint32_t n = 0;; ++n) {
    if (!set->Enum(n, &ref)) {
      uint32_t code = platform::LastErrorCode();
      // The end of the set is the normal way out; any other code cut the walk short.
      if (code != platform::err::kNoMoreItems) {
        USB_LOG("[WARN] GetPrinterOnline - SetupDiEnumDeviceInfo failed at device #%u, Error=%d\n", n,
                static_cast<int>(code));
      }
      break;
    }
    // The instance id stays whole (Windows keeps it under 200 characters); the fields cut it.
    if (!set->InstanceId(ref, &id_text)) continue;
    const wchar_t* id = id_text.c_str();
    if (!HasUsbPrintPrefix(id)) continue;
    DeviceTexts& t = *texts;
    std::memset(&t, 0, sizeof(t));

    ReadProperties(*set, ref, &t);
    ExtractModelFromInstanceId(id, t.model, kUsbNameChars);
    ExtractVidPid(id, t.vid_pid, kUsbVidPidChars);
    ExtractPortFromInstanceId(id, t.port, kUsbPortChars);

    USB_LOG("[INFO] GetPrinterOnline - Device #%u: InstanceId=%ws\n", n, id);
    USB_LOG("[INFO] GetPrinterOnline -   Model=%ws, HardwareId=%ws\n", t.model, t.hardware_id);
    USB_LOG("[INFO] GetPrinterOnline -   Desc=%ws, Mfg=%ws, Friendly=%ws, VidPid=%ws, Bus=%ws\n", t.desc, t.mfg,
            t.friendly, t.vid_pid, t.bus);

    int matched = MatchCatalog(t.model);
    if (matched >= 0 && found >= kUsbInfoMaxDetected) {
      USB_LOG("[WARN] GetPrinterOnline - UsbInfo array full (%ld >= %d), skipping\n", found, kUsbInfoMaxDetected);
      matched = -1;
    }
    if (matched >= 0) {
      const ModelRecord& record = PrinterInfo[matched];
      FillEntry(found, id_text, t, record, szDevicePath);
      USB_LOG("[INFO] GetPrinterOnline - Matching printer found, idx=%ld, Model=%ws, Name=%ws, InstanceId=%ws, Port=%ws\n",
              found, t.model, UsbInfo[found].Name, id, t.port);
      ++found;
      continue;
    }
    USB_LOG("[WARN] GetPrinterOnline - No PrinterInfo matched for model=%ws, InstanceId=%ws\n", t.model, id);
  }
  set.reset();

  USB_LOG("[EXIT] GetPrinterOnline - Found %ld printer(s)\n", found);
  for (long k = 0; k < found; ++k) {
    USB_LOG("[INFO] GetPrinterOnline - UsbInfo[%ld]: InstanceId=%ws, Name=%ws\n", k, UsbInfo[k].InstanceId,
            UsbInfo[k].Name);
  }
  return found;
}
