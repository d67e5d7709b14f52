// The installer's command line: CommandLineToArgvW's splitting, then the switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/install_texts.h"

namespace {

using Words = std::vector<std::wstring>;

CommandLine Parse(const std::wstring& line) {
  Words words = SplitCommandLine(L"TavroPrintSetup.exe " + line);
  words.erase(words.begin());
  return ParseCommandLine(words);
}

TEST(SplitCommandLine, FollowsCommandLineToArgvW) {
  // The program name takes no backslash rules and ends at its closing quote.
  EXPECT_EQ(SplitCommandLine(L"\"C:\\Program Files\\Tavro\\setup.exe\" /quiet"),
            (Words{L"C:\\Program Files\\Tavro\\setup.exe", L"/quiet"}));
  EXPECT_EQ(SplitCommandLine(L"C:\\a\\\"b c"), (Words{L"C:\\a\\b c"}));
  // The documented cases of CommandLineToArgvW.
  EXPECT_EQ(SplitCommandLine(L"p \"abc\" d e"), (Words{L"p", L"abc", L"d", L"e"}));
  EXPECT_EQ(SplitCommandLine(L"p a\\\\\\b d\"e f\"g h"), (Words{L"p", L"a\\\\\\b", L"de fg", L"h"}));
  EXPECT_EQ(SplitCommandLine(L"p a\\\\\\\"b c d"), (Words{L"p", L"a\\\"b", L"c", L"d"}));
  EXPECT_EQ(SplitCommandLine(L"p a\\\\\\\\\"b c\" d e"), (Words{L"p", L"a\\\\b c", L"d", L"e"}));
  EXPECT_EQ(SplitCommandLine(L"p a\"b\"\" c d"), (Words{L"p", L"ab\"", L"c", L"d"}));
  // Tabs separate, runs of blanks are one separator, an empty quoted word stays a word.
  EXPECT_EQ(SplitCommandLine(L"p\t/a   /b \"\" /c  "), (Words{L"p", L"/a", L"/b", L"", L"/c"}));
  EXPECT_EQ(SplitCommandLine(L""), (Words{L""}));
}

TEST(SplitCommandLine, QuotedValuesOfSwitchesKeepTheirBlanksAndCharacters) {
  EXPECT_EQ(SplitCommandLine(L"p /model=\"Tavro TR-80\" /log=\"D:\\logs\\\\\""),
            (Words{L"p", L"/model=Tavro TR-80", L"/log=D:\\logs\\"}));
  EXPECT_EQ(SplitCommandLine(L"p \"/model=天河 打印机 80\""), (Words{L"p", L"/model=天河 打印机 80"}));
}

TEST(ParseCommandLine, EverySwitch) {
  CommandLine c = Parse(L"/QUIET /language=zh-TW /model=\"Tavro TR-80\" /port=COM3 /serial=115200,e,7,2,x "
                        L"/NoDefault /log=\"C:\\Deploy Logs\"");
  ASSERT_TRUE(c.valid) << c.error;
  EXPECT_TRUE(c.any);
  EXPECT_TRUE(c.preset.quiet);
  EXPECT_EQ(c.language, kLanguageTraditional);
  EXPECT_EQ(c.preset.model, L"Tavro TR-80");
  EXPECT_EQ(c.preset.port, L"COM3");
  EXPECT_FALSE(c.preset.port_auto);
  EXPECT_TRUE(c.preset.no_default);
  EXPECT_EQ(c.log_folder, L"C:\\Deploy Logs");
  ASSERT_TRUE(c.preset.serial.given);
  EXPECT_EQ(c.preset.serial.baud_rate, 115200);
  EXPECT_EQ(c.preset.serial.parity, 0);
  EXPECT_EQ(c.preset.serial.data_bits, 7);
  EXPECT_EQ(c.preset.serial.stop_bits, 2);
  EXPECT_EQ(c.preset.serial.flow_control, 0);

  c = Parse(L"/port=AUTO /language=zh-cn");
  ASSERT_TRUE(c.valid);
  EXPECT_TRUE(c.preset.port_auto);
  EXPECT_TRUE(c.preset.port.empty());
  EXPECT_EQ(c.language, kLanguageSimplified);
  EXPECT_EQ(Parse(L"/language=EN").language, kLanguageEnglish);

  c = Parse(L"/ip=10.0.0.9 /model=天河打印机");
  ASSERT_TRUE(c.valid);
  EXPECT_EQ(c.preset.ip, L"10.0.0.9");
  EXPECT_EQ(c.preset.model, L"天河打印机");
  EXPECT_TRUE(Parse(L"/?").help);
  EXPECT_TRUE(Parse(L"/ip=printer-3.shop.example").valid);
}

TEST(ParseCommandLine, NoSwitchesIsTheOrdinaryRun) {
  CommandLine c = Parse(L"");
  EXPECT_TRUE(c.valid);
  EXPECT_FALSE(c.any);
  EXPECT_FALSE(c.preset.quiet);
  EXPECT_EQ(c.language, -1);
  // A word of nothing ("") is not a switch either.
  EXPECT_FALSE(Parse(L"\"\"").any);
}

TEST(ParseCommandLine, UnusableCommandLinesSayWhy) {
  const struct {
    const wchar_t* line;
    const wchar_t* error;
  } cases[] = {
      {L"/silent", L"Unknown switch: /silent"},
      {L"-quiet", L"Not a switch: -quiet"},
      {L"install", L"Not a switch: install"},
      {L"/quiet /quiet", L"Switch given twice: /quiet"},
      {L"/model=A /MODEL=B", L"Switch given twice: /model"},
      {L"/model=", L"Switch needs a value: /model="},
      {L"/port", L"Switch needs a value: /port"},
      {L"/quiet=yes", L"Switch takes no value: /quiet=yes"},
      {L"/language=de", L"Unknown language: de"},
      {L"/ip=10.0.0.9 /port=USB001", L"/ip and /port cannot be given together"},
      {L"/ip=10.0.0.9\\..\\x", L"Not a printer address: 10.0.0.9\\..\\x"},
      {L"/ip=-x", L"Not a printer address: -x"},
      {L"/port=auto /serial=9600,n,8,1,p", L"/serial needs a serial port (/port=COMn)"},
  };
  for (const auto& c : cases) {
    CommandLine result = Parse(c.line);
    EXPECT_FALSE(result.valid) << c.line;
    EXPECT_EQ(result.error, c.error) << c.line;
  }
  EXPECT_FALSE(Parse(L"/ip=" + std::wstring(49, L'1')).valid) << "PORT_DATA_1 holds 48 characters";
  EXPECT_FALSE(Parse(L"/model=" + std::wstring(256, L'M')).valid);
}

TEST(ParseSerialSettings, ThePortsKeyFormat) {
  SerialPreset s;
  ASSERT_TRUE(ParseSerialSettings(L"9600,n,8,1,p", &s));
  EXPECT_EQ(s.baud_rate, 9600);
  EXPECT_EQ(s.parity, 2);
  EXPECT_EQ(s.data_bits, 8);
  EXPECT_EQ(s.stop_bits, 0);
  EXPECT_EQ(s.flow_control, 1);
  ASSERT_TRUE(ParseSerialSettings(L"921600,O,5,1.5,", &s)) << "no flow control: an empty last field";
  EXPECT_EQ(s.parity, 1);
  EXPECT_EQ(s.data_bits, 5);
  EXPECT_EQ(s.stop_bits, 1);
  EXPECT_EQ(s.flow_control, 2);
  ASSERT_TRUE(ParseSerialSettings(L"4800,m,6,2,x", &s));
  EXPECT_EQ(s.parity, 3);
  for (const wchar_t* bad : {L"9600,n,8,1", L"9600,n,8,1,p,", L"fast,n,8,1,p", L"9600,z,8,1,p", L"9600,n,9,1,p",
                             L"9600,n,8,3,p", L"9600,n,8,1,h", L"-9600,n,8,1,p", L"", L"12345678,n,8,1,p"}) {
    SerialPreset untouched;
    untouched.baud_rate = 1;
    EXPECT_FALSE(ParseSerialSettings(bad, &untouched)) << bad;
    EXPECT_EQ(untouched.baud_rate, 1) << "a refused text changes nothing";
  }
}

TEST(UsageText, ComesInTheThreeLanguagesWithTheExitCodes) {
  for (int language : {kLanguageEnglish, kLanguageSimplified, kLanguageTraditional}) {
    const std::wstring text = UsageText(language);
    EXPECT_EQ(text.find(L"TavroPrintSetup.exe [/quiet]"), 0u);
    for (const wchar_t* code : {L"87", L"1602", L"1603", L"1618", L"1633"}) {
      EXPECT_NE(text.find(code), std::wstring::npos) << language << " " << code;
    }
  }
  EXPECT_NE(UsageText(kLanguageSimplified).find(L"退出代码"), std::wstring::npos);
  EXPECT_NE(UsageText(kLanguageTraditional).find(L"結束代碼"), std::wstring::npos);
  EXPECT_NE(UsageText(7).find(L"Exit codes"), std::wstring::npos);
}

}  // namespace
