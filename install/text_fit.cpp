#include "install/text_fit.h"

#include <vector>

#include "platform/codepage.h"

std::wstring FitWithSuffix(const std::wstring& base, const std::wstring& suffix, size_t max_units) {
  if (suffix.size() >= max_units) return CutToUnits(suffix, max_units);
  return CutToUnits(base, max_units - suffix.size()) + suffix;
}

std::string AnsiPrefixFitting(platform::CodePage& codepage, const std::wstring& text, size_t max_bytes) {
  if (text.empty()) return std::string();
  std::string whole = codepage.ToAnsi(text);
  if (whole.size() <= max_bytes) return whole;
  // The ANSI length grows with the prefix: search the character boundaries for the longest fit.
  std::vector<size_t> ends;
  for (size_t i = 1; i <= text.size(); ++i) {
    if (CharBoundaryAtOrBefore(text, i) == i) ends.push_back(i);
  }
  std::string best;
  size_t lo = 0, hi = ends.size();  // candidates ends[0 .. hi-1]
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    std::string ansi = codepage.ToAnsi(text.substr(0, ends[mid]));
    if (ansi.size() <= max_bytes) {
      best = ansi;
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return best;
}
