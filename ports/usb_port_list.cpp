#include "ports/usb_port_list.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/codepage.h"
#include "platform/devices.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "ports/port_text.h"
#include "ports/usb_detect.h"
#include "ports/usb_strings.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

UsbPortRow UsbPortRows[kUsbPortRowCount];
UsbPortMatch UsbPortRowMatch[kUsbPortRowCount];
UsbMonitorEntry UsbMonitor[kUsbMonitorCount];

namespace {

constexpr const char* kFoundUsbMonitor = "CInstallDlg::FoundUsbMonitor";
constexpr const char* kGetUsbPorts = "CInstallDlg::GetUsbPortsFromEnumPorts";
constexpr const char* kGetAllPortList = "CInstallDlg::GetAllPortList";
constexpr const char* kParentLookup = "GetUsbPrintPortParentInstanceId";

constexpr platform::Hive kHklm = platform::Hive::kLocalMachine;
constexpr platform::RegView kView = platform::RegView::kDefault;  // KEY_READ; HKLM\SYSTEM has one view

constexpr const char* kUsbMonitorPortsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\USB Monitor\\Ports";
// RegQueryValueExA of "Device Path" into 255 bytes: a longer value does not fit (ERROR_MORE_DATA).
constexpr size_t kDevicePathBytes = 255;

// The port name compared with device ids: at most 127 characters.
constexpr int kPortNameChars = 128;
// A device instance id as the parent lookup reads it: at most 199 characters.
constexpr int kDeviceIdChars = 200;
// HKLM\SYSTEM\CurrentControlSet\Enum\<id>\Device Parameters: at most 327 characters.
constexpr size_t kEnumKeyChars = 327;
// "PortName" read into 256 bytes (128 UTF-16 characters with the NUL).
constexpr size_t kPortNameValueBytes = 256;
// Nodes walked up from a device before giving up; device trees are far shallower.
constexpr int kMaxParentSteps = 64;

// GetAllPortList's capacities: a candidate port and the expected USB instance hold at most
// 127 characters, the parent id 199.
constexpr int kCandidateChars = 128;
constexpr int kExpectChars = 128;
constexpr int kParentChars = 200;
constexpr int kPrinterCountLimit = 256;

template <int N>
void CopyField(wchar_t (&out)[N], const wchar_t* field, int field_capacity) {
  CopyToField(out, N, field, FieldLength(field, field_capacity));
}

// ---- FoundUsbMonitor -------------------------------------------------------------------------

// Reads one USB Monitor port key into UsbMonitor[index] (when there is room), logging each step.
void ReadUsbMonitorPort(platform::Machine& machine, int index, const std::string& name) {
  platform::Registry& reg = machine.registry();
  LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbMonitor - Enum USB subkey: %s\n", name.c_str());
  const std::string key = std::string(kUsbMonitorPortsKey) + "\\" + name;
  if (!reg.KeyExistsA(kHklm, key, kView)) {
    LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbMonitor - Failed to open subkey, result=%d\n",
           static_cast<int>(platform::LastErrorCode()));
    return;
  }
  LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbMonitor - RegOpenKeyExA success, result=%d\n", 0);
  platform::RegValue value;
  if (!reg.QueryValueA(kHklm, key, "Device Path", kView, &value) || value.data.size() > kDevicePathBytes) {
    // Nothing was read, so there is no type to judge and nothing to store.
    LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbMonitor - Device Path query failed\n");
    return;
  }
  if (value.type != platform::regtype::kSz) {
    LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbFormContainerID - dwType is not REG_SZ (%lu)\n",
           static_cast<unsigned long>(value.type));
    return;
  }
  std::string ansi(value.data.begin(), value.data.end());
  ansi = ansi.substr(0, ansi.find('\0'));
  wchar_t device_path[kUsbMonitorPathChars];
  wchar_t port_name[kUsbMonitorPathChars];
  CopyToField(device_path, kUsbMonitorPathChars, machine.codepage().FromAnsi(ansi));
  CopyToField(port_name, kUsbMonitorPathChars, machine.codepage().FromAnsi(name));
  LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbMonitor - Device Path: %ws\n", device_path);
  if (index >= kUsbMonitorCount) {
    LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor,
           "[WARN] FoundUsbMonitor - UsbMonitor array full (%d >= %d), skipping write for %s\n", index,
           kUsbMonitorCount, name.c_str());
    return;
  }
  CopyField(UsbMonitor[index].DevicePath, device_path, kUsbMonitorPathChars);
  CopyField(UsbMonitor[index].PortName, port_name, kUsbMonitorPathChars);
}

// ---- GetUsbPrintPortParentInstanceId ---------------------------------------------------------

// True when the device's Enum\<id>\Device Parameters "PortName", cut at its first colon,
// equals the port name ignoring case.
bool PortNameMatches(platform::Registry& reg, const wchar_t* id, const wchar_t* port_name) {
  std::wstring key = L"SYSTEM\\CurrentControlSet\\Enum\\" + std::wstring(id) + L"\\Device Parameters";
  if (key.size() > kEnumKeyChars) return false;
  platform::RegValue value;
  if (!reg.QueryValue(kHklm, key, L"PortName", kView, &value)) return false;
  if (value.type != platform::regtype::kSz || value.data.size() > kPortNameValueBytes) return false;
  std::wstring text = value.AsString();
  text = text.substr(0, text.find(L':'));
  if (!EqualsIgnoringAsciiCase(text.c_str(), port_name)) return false;
  LOG_AT(kLogUnitInstallDlg, kParentLookup,
         "[INFO] GetUsbPrintPortParentInstanceId - PortName=%ws matched via registry fallback\n", text.c_str());
  return true;
}

// Walks up from the device to the first node whose id holds "VID_" and "PID_"; true with its
// id (cut to `capacity`) in `parent`. A lookup that finds no parent (neither the configuration
// manager nor the parent property knows one) ends the walk.
bool FindUsbAncestor(platform::Machine& machine, platform::DeviceSet& set, const platform::DeviceRef& ref,
                     const wchar_t* port_name, wchar_t* parent, int capacity) {
  platform::ParentLookup lookup;
  bool answered = set.Parent(ref, &lookup);
  for (int step = 0; answered && step < kMaxParentSteps; ++step) {
    wchar_t node[kDeviceIdChars];
    CopyToField(node, kDeviceIdChars, lookup.instance_id);
    // The node's id was read, so the call that reads it succeeded (cr 0, CR_SUCCESS).
    LOG_AT(kLogUnitInstallDlg, kParentLookup, "[INFO] GetUsbPrintPortParentInstanceId - parent candidate=%ws, cr=%d\n",
           node, static_cast<int>(platform::cr::kSuccess));
    if (std::wcsstr(node, L"VID_") && std::wcsstr(node, L"PID_")) {
      CopyToField(parent, capacity, node);
      LOG_AT(kLogUnitInstallDlg, kParentLookup,
             "[INFO] GetUsbPrintPortParentInstanceId - matched port=%ws, parent=%ws\n", port_name, parent);
      return true;
    }
    std::wstring current = lookup.instance_id;
    answered = machine.devices().ParentOfInstanceId(current, &lookup);
  }
  return false;
}

// ---- GetAllPortList --------------------------------------------------------------------------

// The EnumPorts USB names as candidates: at most 127 characters, one trailing colon removed.
struct Candidates {
  wchar_t name[kEnumPortsUsbMax][kCandidateChars];
  int count = 0;
};

// True when a row before `row` already holds exactly this port.
bool InUse(int row, const wchar_t* port) {
  for (int r = 0; r < row && r < kUsbPortRowCount; ++r) {
    if (std::wcsncmp(UsbPortRows[r].Port, port, kUsbPortRowPortChars) == 0) return true;
  }
  return false;
}

void FillRow(int row, const UsbInfoRecord& printer, const wchar_t* port) {
  CopyField(UsbPortRows[row].Name, printer.Name, kUsbNameChars);
  CopyToField(UsbPortRows[row].Port, kUsbPortRowPortChars, port);
  UsbPortRows[row].Valid = 1;
}

// Pass 1: a candidate whose USBPRINT device hangs below the printer's own USB node.
bool MatchByUsbInstance(platform::Machine& machine, int i, const Candidates& candidates, const wchar_t* device) {
  wchar_t expect[kExpectChars];
  wchar_t bus[kUsbBusChars];
  CopyField(bus, UsbInfo[i].Bus, kUsbBusChars);
  CopyToField(expect, kExpectChars, AfterLastBackslash(bus));
  for (int c = 0; c < candidates.count; ++c) {
    const wchar_t* candidate = candidates.name[c];
    if (InUse(i, candidate)) continue;
    wchar_t parent[kParentChars] = {};
    if (!GetUsbPrintPortParentInstanceId(machine, candidate, parent, kParentChars)) {
      LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
             "[WARN] GetAllPortList - GetUsbPrintPortParentInstanceId failed for port %ws, skipping\n", candidate);
      continue;
    }
    const wchar_t* instance = AfterLastBackslash(parent);
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
           "[INFO] GetAllPortList - Fallback port %ws parent=%ws, USB instance=%ws, expect=%ws\n", candidate, parent,
           instance, expect);
    if (instance[0] && EqualsIgnoringAsciiCase(instance, expect)) {
      CopyToField(UsbPortRows[i].Port, kUsbPortRowPortChars, candidate);
      UsbPortRows[i].Valid = 1;
      UsbPortRowMatch[i] = UsbPortMatch::kByInstance;
      LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
             "[INFO] GetAllPortList - Fallback matched by USB instance ID: port=%ws, device=%ws\n", candidate, device);
      return true;
    }
  }
  return false;
}

// Pass 2: a candidate named as the port the printer's id ends in.
bool MatchByUsbPort(int i, const Candidates& candidates, const wchar_t* usb_port, const wchar_t* device) {
  for (int c = 0; c < candidates.count; ++c) {
    const wchar_t* candidate = candidates.name[c];
    if (InUse(i, candidate)) continue;
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - Fallback port %ws, USB port=%ws\n", candidate,
           usb_port);
    if (usb_port[0] && EqualsIgnoringAsciiCase(usb_port, candidate)) {
      FillRow(i, UsbInfo[i], candidate);
      UsbPortRowMatch[i] = UsbPortMatch::kByUsbPort;
      LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
             "[INFO] GetAllPortList - Fallback matched by USB port: port=%ws, device=%ws\n", candidate, device);
      return true;
    }
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[WARN] GetAllPortList - port %ws not match USB port %ws, skipping\n",
           candidate, usb_port);
  }
  return false;
}

// Pairs printer i with a port through the four passes; logs the outcome.
void PairPrinter(platform::Machine& machine, int i, const Candidates& candidates) {
  wchar_t device[kUsbInstanceIdChars];
  CopyField(device, UsbInfo[i].InstanceId, kUsbInstanceIdChars);
  LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - Enumerated USB printer: %ws\n", device);
  if (!device[0]) return;
  wchar_t usb_port[kUsbPortChars];
  CopyField(usb_port, UsbInfo[i].Port, kUsbPortChars);

  bool by_instance = false;
  bool matched = false;
  if (candidates.count > 0) {
    by_instance = MatchByUsbInstance(machine, i, candidates, device);
    matched = by_instance || MatchByUsbPort(i, candidates, usb_port, device);
    if (!matched && usb_port[0] && !InUse(i, usb_port)) {
      FillRow(i, UsbInfo[i], usb_port);
      UsbPortRowMatch[i] = UsbPortMatch::kByName;
      LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
             "[INFO] GetAllPortList - Fallback matched by UsbInfo port name (port not in EnumPorts): port=%ws, "
             "device=%ws\n",
             usb_port, device);
      matched = true;
    }
    for (int c = 0; !matched && c < candidates.count; ++c) {
      if (InUse(i, candidates.name[c])) continue;
      FillRow(i, UsbInfo[i], candidates.name[c]);
      UsbPortRowMatch[i] = UsbPortMatch::kByOrder;
      LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
             "[INFO] GetAllPortList - Fallback assigned by order (model hidden): port=%ws, device=%ws\n",
             candidates.name[c], device);
      matched = true;
    }
  }
  if (by_instance) {
    CopyField(UsbPortRows[i].Name, UsbInfo[i].Name, kUsbNameChars);
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - Port=%ws, PrinterName=%ws\n",
           UsbPortRows[i].Port, UsbPortRows[i].Name);
  } else if (!matched) {
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[WARN] GetAllPortList - USB device not matched: %ws\n", device);
  }
}

}  // namespace

void ClearUsbPortRows() {
  std::memset(UsbPortRows, 0, sizeof(UsbPortRows));
  for (UsbPortMatch& match : UsbPortRowMatch) match = UsbPortMatch::kNone;
}

int FoundUsbMonitor(platform::Machine& machine) {
  LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[ENTRY] FoundUsbMonitor\n");
  platform::Registry& reg = machine.registry();
  if (!reg.KeyExistsA(kHklm, kUsbMonitorPortsKey, kView)) return 0;
  std::vector<std::string> names;
  bool complete = reg.EnumSubKeysA(kHklm, kUsbMonitorPortsKey, kView, &names);
  uint32_t enum_error = complete ? platform::err::kNoMoreItems : platform::LastErrorCode();
  int index = 0;
  for (const std::string& name : names) {
    ReadUsbMonitorPort(machine, index, name);
    ++index;
  }
  if (enum_error == platform::err::kNoMoreItems) {
    LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[INFO] FoundUsbMonitor - No more USB subkeys, total enumerated: %d\n",
           index);
  } else {
    LOG_AT(kLogUnitInstallDlg, kFoundUsbMonitor, "[ERROR] FoundUsbMonitor - RegEnumKeyExA failed, result=%d\n",
           static_cast<int>(enum_error));
  }
  return index;
}

int GetUsbPortsFromEnumPorts(platform::Spooler& spooler, wchar_t (*names)[kEnumPortsUsbChars], int max) {
  LOG_AT(kLogUnitInstallDlg, kGetUsbPorts, "[ENTRY] GetUsbPortsFromEnumPorts\n");
  std::vector<platform::PortInfo> ports;
  if (!spooler.EnumPorts(&ports)) {
    LOG_AT_ERROR(kLogUnitInstallDlg, kGetUsbPorts, "[ERROR] GetUsbPortsFromEnumPorts - EnumPorts failed");
    return 0;
  }
  if (ports.empty() || names == nullptr) return 0;
  int count = 0;
  for (const platform::PortInfo& port : ports) {
    if (count >= max) break;
    if (!StartsWithIgnoringAsciiCase(port.name.c_str(), L"USB")) continue;
    if (port.name.size() >= static_cast<size_t>(kEnumPortsUsbChars)) {
      LOG_AT(kLogUnitInstallDlg, kGetUsbPorts,
             "[WARN] GetUsbPortsFromEnumPorts - Port name of %d characters does not fit %d, skipping: %ws\n",
             static_cast<int>(port.name.size()), kEnumPortsUsbChars - 1, port.name.c_str());
      continue;
    }
    CopyToField(names[count], kEnumPortsUsbChars, port.name);
    LOG_AT(kLogUnitInstallDlg, kGetUsbPorts, "[INFO] GetUsbPortsFromEnumPorts - Found USB port: %ws\n", names[count]);
    ++count;
  }
  LOG_AT(kLogUnitInstallDlg, kGetUsbPorts, "[INFO] GetUsbPortsFromEnumPorts - Total %d USB ports found\n", count);
  return count;
}

bool GetUsbPrintPortParentInstanceId(platform::Machine& machine, const wchar_t* port, wchar_t* parent,
                                     int capacity) {
  if (port == nullptr || port[0] == L'\0' || parent == nullptr || capacity <= 0) return false;
  wchar_t port_name[kPortNameChars];
  CopyToField(port_name, kPortNameChars, port, static_cast<size_t>(-1));
  StripTrailingColon(port_name);
  parent[0] = L'\0';
  // A lone colon names no port; as a search text it would be found in every id.
  if (port_name[0] == L'\0') return false;

  std::unique_ptr<platform::DeviceSet> set = machine.devices().OpenPresentDevices(L"");
  if (!set) {
    LOG_AT_ERROR(kLogUnitInstallDlg, kParentLookup,
                 "[ERROR] GetUsbPrintPortParentInstanceId - SetupDiGetClassDevs failed");
    return false;
  }
  int scanned = 0;
  bool found = false;
  platform::DeviceRef ref;
  std::wstring id_text;
  for (uint32_t n = 0;; ++n) {
    if (!set->Enum(n, &ref)) {
      uint32_t code = platform::LastErrorCode();
      if (code != platform::err::kNoMoreItems) {
        LOG_AT(kLogUnitInstallDlg, kParentLookup,
               "[WARN] GetUsbPrintPortParentInstanceId - SetupDiEnumDeviceInfo failed at device #%u, Error=%d\n", n,
               static_cast<int>(code));
      }
      break;
    }
    if (!set->InstanceId(ref, &id_text)) continue;
    wchar_t id[kDeviceIdChars];
    CopyToField(id, kDeviceIdChars, id_text);
    if (!StartsWithIgnoringAsciiCase(id, L"USBPRINT")) continue;
    ++scanned;
    LOG_AT(kLogUnitInstallDlg, kParentLookup,
           "[INFO] GetUsbPrintPortParentInstanceId - USBPRINT device #%d: %ws (checking port=%ws)\n", scanned, id,
           port_name);
    bool belongs = std::wcsstr(id, port_name) != nullptr || PortNameMatches(machine.registry(), id, port_name);
    if (!belongs || found) continue;
    found = FindUsbAncestor(machine, *set, ref, port_name, parent, capacity);
  }
  set.reset();
  LOG_AT(kLogUnitInstallDlg, kParentLookup,
         "[INFO] GetUsbPrintPortParentInstanceId - scanned %d USBPRINT devices total, found=%d for port=%ws\n", scanned,
         found ? 1 : 0, port_name);
  if (!found) {
    LOG_AT(kLogUnitInstallDlg, kParentLookup,
           "[WARN] GetUsbPrintPortParentInstanceId - no USBPRINT device found for port=%ws\n", port_name);
  }
  return found;
}

namespace {

// The one failure left once every call reports by its result: memory for the pairing's tables.
// It ends the refresh as the exception it would be on Windows (STATUS_NO_MEMORY) ends it.
void AbortForMemory() {
  constexpr unsigned kStatusNoMemory = 0xC0000017u;
  LOG_AT(kLogUnitInstallDlg, kGetAllPortList,
         "[ERROR] GetAllPortList - SEH exception 0x%08X caught during USB enumeration, list refresh aborted\n",
         kStatusNoMemory);
}

}  // namespace

void BuildUsbPortRows(platform::Machine& machine) {
  ClearUsbPortRows();
  int monitors = FoundUsbMonitor(machine);
  LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - Enumerated %d USB monitors\n", monitors);
  if (monitors > kUsbMonitorCount) {
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[WARN] GetAllPortList - usbMonitorCount %d > %d, clamped\n", monitors,
           kUsbMonitorCount);
  }

  // GetPrinterOnline wants room for 32 device paths; the pairing reads UsbInfo instead.
  std::unique_ptr<wchar_t[][kUsbDevicePathChars]> paths(new (std::nothrow) wchar_t[kUsbInfoMaxDetected][kUsbDevicePathChars]());
  if (!paths) {
    AbortForMemory();
    return;
  }
  long detected = GetPrinterOnline(machine.devices(), paths.get());
  int count = static_cast<int>(detected);
  LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - Enumerated %d USB printers\n", count);
  if (count > kPrinterCountLimit) {
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[WARN] GetAllPortList - count %d > %d, clamped\n", count,
           kPrinterCountLimit);
  }
  if (count > kUsbPortRowCount) count = kUsbPortRowCount;
  if (count <= 0) {
    LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - No USB printer found\n");
    return;
  }

  std::unique_ptr<Candidates> candidates(new (std::nothrow) Candidates());
  if (!candidates) {
    AbortForMemory();
    return;
  }
  wchar_t names[kEnumPortsUsbMax][kEnumPortsUsbChars] = {};
  int ports = GetUsbPortsFromEnumPorts(machine.spooler(), names, kEnumPortsUsbMax);
  LOG_AT(kLogUnitInstallDlg, kGetAllPortList, "[INFO] GetAllPortList - Fallback: found %d USB ports via EnumPorts\n",
         ports);
  for (int c = 0; c < ports && c < kEnumPortsUsbMax; ++c) {
    CopyField(candidates->name[c], names[c], kEnumPortsUsbChars);
    StripTrailingColon(candidates->name[c]);
    candidates->count = c + 1;
  }

  for (int i = 0; i < count; ++i) PairPrinter(machine, i, *candidates);
}
