#include "install/install_texts.h"

#include <atomic>

std::wstring PageText[kInstallBlockCount];
std::wstring Title;
std::wstring ProgramName;
std::wstring Driver;
std::wstring Monitor;
std::wstring PortPrefix;
std::wstring FolderName;
std::wstring Spare;

namespace {
std::atomic<const int*> g_language{nullptr};
}  // namespace

void ResetInstallTexts() {
  for (std::wstring& block : PageText) block.clear();
  for (std::wstring* value : {&Title, &ProgramName, &Driver, &Monitor, &PortPrefix, &FolderName, &Spare}) {
    value->clear();
  }
}

void ApplyInstallTextDefaults() {
  ProgramName = L"USB Printer";
  Driver = L"USB Printer Driver";
  Monitor = L"USB Printer Monitor";
  PortPrefix = L"USB PRINTER PORT:";
}

int AppLanguage() {
  const int* language = g_language.load();
  return language != nullptr ? *language : kLanguageEnglish;
}

void SetAppLanguageSource(const int* language) { g_language.store(language); }

const wchar_t* TextFor(int language, const wchar_t* english, const wchar_t* simplified,
                       const wchar_t* traditional) {
  if (language == kLanguageSimplified) return simplified;
  if (language == kLanguageTraditional) return traditional;
  return english;
}
