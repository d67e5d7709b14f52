#include <cstddef>

#include "ports/usb_strings.h"
#include "text/case_fold.h"
#include "text/fixed_field.h"

namespace {

size_t Length(const wchar_t* text) {
  size_t n = 0;
  if (text) {
    while (text[n]) ++n;
  }
  return n;
}

// First occurrence of `needle` (NUL-terminated, not empty) in `text`, or null.
const wchar_t* Find(const wchar_t* text, const wchar_t* needle) {
  for (; *text; ++text) {
    size_t k = 0;
    while (needle[k] && text[k] == needle[k]) ++k;
    if (!needle[k]) return text;
  }
  return nullptr;
}

const wchar_t* FindChar(const wchar_t* text, wchar_t c) {
  for (; *text; ++text) {
    if (*text == c) return text;
  }
  return nullptr;
}

}  // namespace

void ExtractModelFromInstanceId(const wchar_t* instance_id, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = L'\0';
  if (!instance_id) return;
  const wchar_t* first = FindChar(instance_id, L'\\');
  if (!first) return;
  const wchar_t* start = first + 1;
  const wchar_t* end = FindChar(start, L'\\');
  size_t length = end ? static_cast<size_t>(end - start) : Length(start);
  CopyToField(out, capacity, start, length);
}

void ExtractVidPid(const wchar_t* instance_id, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = L'\0';
  if (!instance_id) return;
  const wchar_t* vid = Find(instance_id, L"vid_");
  const wchar_t* pid = Find(instance_id, L"pid_");
  if (!vid || !pid) return;
  // "VID_" + 4 + "&PID_" + 4 characters, the same 31-character limit as the formatted text.
  wchar_t text[32];
  size_t n = 0;
  auto append = [&](const wchar_t* s, size_t max) {
    for (size_t k = 0; k < max && s[k] && n < 31; ++k) text[n++] = s[k];
  };
  append(L"VID_", 4);
  append(vid + 4, 4);
  append(L"&PID_", 5);
  append(pid + 4, 4);
  text[n] = L'\0';
  CopyToField(out, capacity, text, n);
}

void ExtractPortFromInstanceId(const wchar_t* instance_id, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = L'\0';
  if (!instance_id) return;
  const wchar_t* first = FindChar(instance_id, L'\\');
  if (!first) return;
  const wchar_t* second = FindChar(first + 1, L'\\');
  if (!second) return;
  const wchar_t* rest = second + 1;
  if (const wchar_t* third = FindChar(rest, L'\\')) rest = third + 1;
  const wchar_t* last_amp = nullptr;
  for (const wchar_t* p = rest; *p; ++p) {
    if (*p == L'&') last_amp = p;
  }
  if (last_amp && last_amp[1]) rest = last_amp + 1;
  CopyToField(out, capacity, rest, Length(rest));
}

void StripSeparators(int capacity, const wchar_t* input, wchar_t* out) {
  if (!out || capacity <= 0) return;
  size_t limit = static_cast<size_t>(capacity - 1);
  size_t n = 0;
  if (input) {
    for (const wchar_t* p = input; *p && n < limit; ++p) {
      if (*p != L'_' && *p != L'-') out[n++] = *p;
    }
  }
  out[n] = L'\0';
}

bool HasUsbPrintPrefix(const wchar_t* instance_id) {
  return StartsWithIgnoringAsciiCase(instance_id, L"USBPRINT\\");
}
