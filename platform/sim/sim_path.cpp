#include "platform/sim/sim_path.h"

#include <cwctype>

#include "text/case_fold.h"

namespace platform::sim {

namespace {
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kBadNetPath = 53;
constexpr uint32_t kInvalidName = 123;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasInvalidCharacter(const std::wstring& part) {
  for (wchar_t c : part) {
    if (static_cast<uint32_t>(c) < 32) return true;
    switch (c) {
      case L'<': case L'>': case L':': case L'"': case L'|': case L'?': case L'*':
        return true;
      default:
        break;
    }
  }
  return false;
}
}  // namespace

std::wstring SimPathKey(const std::vector<std::wstring>& parts, size_t count) {
  std::wstring key;
  for (size_t i = 0; i < count && i < parts.size(); ++i) {
    if (i > 0) key.push_back(L'\\');
    key += FoldCase(parts[i]);
  }
  return key;
}

bool ParseSimPath(const std::wstring& path, const SimPath& current, SimPath* out, uint32_t* error) {
  std::wstring text = path;
  if (text.size() >= 4 && IsSeparator(text[0]) && IsSeparator(text[1]) && text[2] == L'?' &&
      IsSeparator(text[3])) {
    text = text.substr(4);
  } else if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) {
    *error = kBadNetPath;
    return false;
  }
  if (text.empty()) {
    *error = kPathNotFound;
    return false;
  }
  std::vector<std::wstring> parts;
  size_t pos = 0;
  if (text.size() >= 2 && text[1] == L':' && std::iswalpha(static_cast<wint_t>(text[0]))) {
    parts.push_back(std::wstring(1, FoldCase(text[0])) + L":");
    pos = 2;
    if (pos >= text.size() || !IsSeparator(text[pos])) {
      // "C:name" is relative to the drive's current folder: the current folder when on that
      // drive, else its root.
      if (!current.parts.empty() && FoldCase(current.parts[0]) == parts[0]) parts = current.parts;
    }
  } else if (IsSeparator(text[0])) {
    if (!current.parts.empty()) parts.push_back(current.parts[0]);
  } else {
    parts = current.parts;
  }
  if (parts.empty()) {
    *error = kPathNotFound;
    return false;
  }
  while (pos <= text.size()) {
    size_t end = pos;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    std::wstring part = text.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (parts.size() > 1) parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    if (part.empty()) continue;
    if (HasInvalidCharacter(part)) {
      *error = kInvalidName;
      return false;
    }
    parts.push_back(part);
  }
  out->parts = parts;
  out->key = SimPathKey(parts, parts.size());
  out->parent_key = parts.size() > 1 ? SimPathKey(parts, parts.size() - 1) : std::wstring();
  return true;
}

}  // namespace platform::sim
