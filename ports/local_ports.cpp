#include "ports/local_ports.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/machine.h"
#include "platform/spooler.h"
#include "ports/port_text.h"
#include "ports/usb_strings.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

wchar_t AllPorts[kAllPortsCount][kAllPortsChars];

namespace {

// QueryDosDeviceW's buffer: 32768 characters, doubled while too small, four attempts in all.
constexpr size_t kFirstDosBufferChars = 32768;
constexpr int kDosAttempts = 4;

// The MS-DOS device names, or none when they cannot be read.
std::vector<std::wstring> DosDeviceNames(platform::Files& files) {
  std::vector<std::wstring> names;
  size_t chars = kFirstDosBufferChars;
  for (int attempt = 0; attempt < kDosAttempts; ++attempt, chars *= 2) {
    if (files.QueryDosDeviceNames(chars, &names)) return names;
    if (platform::LastErrorCode() != platform::err::kInsufficientBuffer) break;
  }
  names.clear();
  return names;
}

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

void ClearAllPorts() { std::memset(AllPorts, 0, sizeof(AllPorts)); }

void CacheAllPorts(platform::Spooler& spooler) {
  std::vector<platform::PortInfo> ports;
  if (!spooler.EnumPorts(&ports) || ports.empty()) return;
  ClearAllPorts();
  int n = 0;
  for (const platform::PortInfo& port : ports) {
    if (n >= kAllPortsCount) break;
    // An empty name would end the table early; a cut one would name another port.
    if (port.name.empty() || port.name.size() >= static_cast<size_t>(kAllPortsChars)) continue;
    CopyToField(AllPorts[n++], kAllPortsChars, port.name);
  }
}

int EnumLocalPorts(platform::Machine& machine, const wchar_t* prefix, wchar_t (*slots)[kLocalPortChars],
                   int count) {
  if (prefix == nullptr || prefix[0] == L'\0' || slots == nullptr || count <= 0) return 0;
  const size_t prefix_length = std::wcslen(prefix);
  int n = 0;

  if (EqualsIgnoringAsciiCase(prefix, L"COM") || EqualsIgnoringAsciiCase(prefix, L"LPT")) {
    for (const std::wstring& name : DosDeviceNames(machine.files())) {
      if (n >= count) break;
      // COM3 and COM12 name ports, COMX and COM do not; the name and its colon must fit a slot.
      if (name.size() <= prefix_length || !StartsWithIgnoringAsciiCase(name.c_str(), prefix) ||
          !IsAsciiDigit(name[prefix_length]) || name.size() + 1 >= static_cast<size_t>(kLocalPortChars)) {
        continue;
      }
      CopyToField(slots[n++], kLocalPortChars, name + L":");
    }
    if (n > 0) return n;
  }

  for (int k = 0; k < kAllPortsCount && AllPorts[k][0] != L'\0' && n < count; ++k) {
    size_t length = FieldLength(AllPorts[k], kAllPortsChars);
    if (length >= static_cast<size_t>(kLocalPortChars)) continue;  // it would not fit a slot
    wchar_t entry[kLocalPortChars];
    CopyToField(entry, kLocalPortChars, AllPorts[k], length);
    if (StartsWithIgnoringAsciiCase(entry, prefix)) CopyToField(slots[n++], kLocalPortChars, entry);
  }
  return n;
}
