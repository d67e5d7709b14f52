// The installer texts and the chosen language: process-wide values that start-up fills once (the
// installer text file, the language dialog) and every other part only reads. They live with the
// installation engine, the lowest layer that reads them (the driver and monitor names, the
// language of a printer's copy name), so that the engine, the dialogs and the application see
// the same values.
#pragma once

#include <string>

// Characters a text block and a value may hold (the terminator not counted).
constexpr int kInstallBlockMaxChars = 511;
constexpr int kInstallValueMaxChars = 254;
constexpr int kInstallBlockCount = 6;

// Wizard page body texts: 1 welcome, 2 choose folder, 3 installing, 4 complete, 5 cancelled,
// 6 failed (index 0 to 5). Empty when the file gives none.
extern std::wstring PageText[kInstallBlockCount];
// The seven values of the installer text file, in file order.
extern std::wstring Title;
extern std::wstring ProgramName;
extern std::wstring Driver;
extern std::wstring Monitor;
extern std::wstring PortPrefix;
extern std::wstring FolderName;
extern std::wstring Spare;

// Empties every installer text (program start; tests).
void ResetInstallTexts();
// Sets ProgramName, Driver, Monitor and PortPrefix to their built-in defaults.
void ApplyInstallTextDefaults();

// Language values: 1 Simplified Chinese, 2 Traditional Chinese, anything else English.
constexpr int kLanguageEnglish = 0;
constexpr int kLanguageSimplified = 1;
constexpr int kLanguageTraditional = 2;

// The language of the running application object (m_nLanguage); 0 while none is running.
int AppLanguage();
// Called by the application object: where its m_nLanguage lives (null when it ends).
void SetAppLanguageSource(const int* language);

// The text for `language` by the rule every part applies: 1 Simplified, 2 Traditional, else English.
const wchar_t* TextFor(int language, const wchar_t* english, const wchar_t* simplified,
                       const wchar_t* traditional);
