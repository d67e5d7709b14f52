// UTF-16LE as Windows stores text in the registry and in Unicode files, for the platform's
// backends and the values they carry. wchar_t is 16-bit on Windows and 32-bit off it: there
// characters above U+FFFF travel as surrogate pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The UTF-16LE units of `data` from `offset` on as text, surrogate pairs joined where wchar_t is
// 32-bit (a lone surrogate stays as it is); an odd last byte is dropped. With `stop_at_nul` the
// text ends before the first NUL unit, otherwise NULs are kept.
std::wstring DecodeUtf16Le(const std::vector<uint8_t>& data, size_t offset, bool stop_at_nul);

// Appends `text` to `out` as UTF-16LE, without a terminator.
void AppendUtf16Le(const std::wstring& text, std::vector<uint8_t>* out);

}  // namespace platform
