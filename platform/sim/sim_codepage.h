// The simulated machine's code pages: conversions through iconv, the ANSI code page a setting
// of the machine that lives where Windows keeps it, the registry's
// HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage "ACP" (1252 while no registry keeps it).
// Code pages 1252 and 936 follow Windows beyond iconv's tables (sim_codepage_tables.h): best-fit
// look-alikes on the way to 8 bits, the extra round-trip characters, and 936's invalid pairs
// read as '?'. A character beyond the BMP is two UTF-16 units to an 8-bit code page: "??".
// Fault names: "WideCharToMultiByte" (FromWide), "MultiByteToWideChar" (ToWide).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/codepage.h"
#include "platform/sim/sim_faults.h"

namespace platform::sim {

class SimRegistry;

class SimCodePage : public CodePage {
 public:
  static constexpr const wchar_t* kNlsCodePageKey = L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";

  explicit SimCodePage(SimFaults& faults);
  ~SimCodePage() override;

  uint32_t AnsiCodePage() override;
  // What the code page lacks becomes its best-fit look-alike where Windows has one (1252, 936),
  // else '?'. Empty with the last error set when told to fail or when the code page is unknown
  // (87).
  std::string FromWide(uint32_t code_page, const std::wstring& text) override;
  // Bytes invalid in the code page become U+FFFD (in 936: '?' for an invalid pair, as Windows).
  std::wstring ToWide(uint32_t code_page, const std::string& text) override;
  // No look-alikes: a character without its own form in the code page, or one beyond the BMP in
  // an 8-bit code page, makes it false with 1113. Fault name "WideCharToMultiByte" too.
  bool FromWideExact(uint32_t code_page, const std::wstring& text, std::string* out) override;

  // Arranging: the machine's ANSI code page (1252, 936, 950 ...), written to the registry.
  void SetAnsiCodePage(uint32_t code_page);
  // The registry that keeps the ANSI code page; the registry names itself when it is made.
  void KeepIn(SimRegistry* registry);

  // The same conversions without fault injection, for the machine's own services (the C runtime
  // converting an ANSI path does not go through the caller's WideCharToMultiByte).
  bool Encode(uint32_t code_page, const std::wstring& text, std::string* out);
  bool Decode(uint32_t code_page, const std::string& text, std::wstring* out);

 private:
  // kCodePageAnsi becomes the machine's ANSI code page. Called before taking mutex_, so that no
  // lock of the registry is ever taken under it.
  uint32_t Resolve(uint32_t code_page);
  // Encode, with or without best-fit look-alikes; *replaced (may be null) tells whether any
  // character became a look-alike or the default character.
  bool EncodeWith(uint32_t code_page, const std::wstring& text, std::string* out, bool best_fit, bool* replaced);
  void DecodeWindows(uint32_t code_page, void* converter, const std::string& text, std::wstring* out);
  void* Converter(uint32_t code_page, bool to_wide);

  SimFaults& faults_;
  std::mutex mutex_;  // iconv descriptors are not safe for concurrent use
  SimRegistry* registry_ = nullptr;
  std::map<uint64_t, void*> converters_;
};

}  // namespace platform::sim
