#include "app/command_line.h"

#include "install/install_texts.h"
#include "text/case_fold.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// A decimal number of at most `max_digits` digits without sign; false for anything else.
bool ParseDecimal(const std::wstring& text, size_t max_digits, long* out) {
  if (text.empty() || text.size() > max_digits) return false;
  long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  *out = value;
  return true;
}

// A host the Standard TCP/IP monitor can store (49 characters with the terminator): an IPv4
// address or a host name, nothing that could name a path or carry a second argument.
bool IsHostAddress(const std::wstring& text) {
  if (text.empty() || text.size() > 48 || text.front() == L'.' || text.front() == L'-') return false;
  for (wchar_t c : text) {
    const bool ok = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                    c == L'.' || c == L'-';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& command_line) {
  std::vector<std::wstring> words;
  size_t i = 0;
  const size_t n = command_line.size();
  // The program name: no backslash rules, a quote only opens and closes.
  std::wstring program;
  bool quoted = false;
  for (; i < n; ++i) {
    const wchar_t c = command_line[i];
    if (c == L'"') {
      quoted = !quoted;
    } else if (!quoted && IsBlank(c)) {
      break;
    } else {
      program += c;
    }
  }
  words.push_back(program);

  while (i < n) {
    while (i < n && IsBlank(command_line[i])) ++i;
    if (i >= n) break;
    std::wstring word;
    int quotes = 0;  // odd while inside quotes
    size_t backslashes = 0;
    for (; i < n; ++i) {
      const wchar_t c = command_line[i];
      if (IsBlank(c) && quotes % 2 == 0) break;
      if (c == L'\\') {
        word += c;
        ++backslashes;
        continue;
      }
      if (c != L'"') {
        word += c;
        backslashes = 0;
        continue;
      }
      word.resize(word.size() - backslashes / 2);
      if (backslashes % 2 == 1) {
        word.back() = L'"';  // the odd backslash becomes the literal quote
        backslashes = 0;
        continue;
      }
      backslashes = 0;
      ++quotes;
      // Further quotes right after: every third one of a run is a literal quote.
      while (i + 1 < n && command_line[i + 1] == L'"') {
        ++i;
        if (++quotes == 3) {
          word += L'"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    }
    words.push_back(word);
  }
  return words;
}

bool ParseSerialSettings(const std::wstring& text, SerialPreset* out) {
  std::vector<std::wstring> fields(1);
  for (wchar_t c : text) {
    if (c == L',') {
      fields.emplace_back();
    } else {
      fields.back() += AsciiLower(c);
    }
  }
  if (fields.size() != 5) return false;
  SerialPreset s;
  long baud = 0;
  long data = 0;
  if (!ParseDecimal(fields[0], 7, &baud) || baud < 75 || baud > 4000000) return false;
  s.baud_rate = static_cast<int>(baud);
  const std::wstring parities = L"eonms";
  if (fields[1].size() != 1 || parities.find(fields[1][0]) == std::wstring::npos) return false;
  s.parity = static_cast<int>(parities.find(fields[1][0]));
  if (!ParseDecimal(fields[2], 1, &data) || data < 5 || data > 8) return false;
  s.data_bits = static_cast<int>(data);
  if (fields[3] == L"1") {
    s.stop_bits = 0;
  } else if (fields[3] == L"1.5") {
    s.stop_bits = 1;
  } else if (fields[3] == L"2") {
    s.stop_bits = 2;
  } else {
    return false;
  }
  if (fields[4] == L"x") {
    s.flow_control = 0;
  } else if (fields[4] == L"p") {
    s.flow_control = 1;
  } else if (fields[4].empty()) {
    s.flow_control = 2;
  } else {
    return false;
  }
  s.given = true;
  *out = s;
  return true;
}

CommandLine ParseCommandLine(const std::vector<std::wstring>& args) {
  CommandLine result;
  std::vector<std::wstring> seen;
  auto fail = [&result](const std::wstring& why) {
    result.valid = false;
    result.error = why;
    return result;
  };
  for (const std::wstring& arg : args) {
    if (arg.empty()) continue;  // "" on a command line is an empty word, not a switch
    result.any = true;
    if (arg[0] != L'/') return fail(L"Not a switch: " + arg);
    const size_t eq = arg.find(L'=');
    const std::wstring name = AsciiLower(arg.substr(1, eq == std::wstring::npos ? std::wstring::npos : eq - 1));
    const bool has_value = eq != std::wstring::npos;
    const std::wstring value = has_value ? arg.substr(eq + 1) : std::wstring();
    for (const std::wstring& s : seen) {
      if (s == name) return fail(L"Switch given twice: /" + name);
    }
    seen.push_back(name);

    const bool flag = name == L"quiet" || name == L"nodefault" || name == L"?";
    const bool valued = name == L"language" || name == L"model" || name == L"port" || name == L"ip" ||
                        name == L"serial" || name == L"log";
    if (!flag && !valued) return fail(L"Unknown switch: " + arg);
    if (flag && has_value) return fail(L"Switch takes no value: " + arg);
    if (valued && value.empty()) return fail(L"Switch needs a value: " + arg);

    if (name == L"quiet") {
      result.preset.quiet = true;
    } else if (name == L"nodefault") {
      result.preset.no_default = true;
    } else if (name == L"?") {
      result.help = true;
    } else if (name == L"language") {
      const std::wstring l = AsciiLower(value);
      if (l == L"en") {
        result.language = kLanguageEnglish;
      } else if (l == L"zh-cn") {
        result.language = kLanguageSimplified;
      } else if (l == L"zh-tw") {
        result.language = kLanguageTraditional;
      } else {
        return fail(L"Unknown language: " + value);
      }
    } else if (name == L"model") {
      if (value.size() > 255) return fail(L"Model name too long");
      result.preset.model = value;
    } else if (name == L"port") {
      if (value.size() > 255) return fail(L"Port name too long");
      if (AsciiLower(value) == L"auto") {
        result.preset.port_auto = true;
      } else {
        result.preset.port = value;
      }
    } else if (name == L"ip") {
      if (!IsHostAddress(value)) return fail(L"Not a printer address: " + value);
      result.preset.ip = value;
    } else if (name == L"serial") {
      if (!ParseSerialSettings(value, &result.preset.serial)) {
        return fail(L"Serial settings not in the form BAUD,PARITY,DATA,STOP,FLOW (9600,n,8,1,p): " + value);
      }
    } else if (name == L"log") {
      if (value.size() > 200) return fail(L"Log folder too long");
      result.log_folder = value;
    }
  }
  if (result.preset.ip.size() != 0 && (result.preset.port_auto || !result.preset.port.empty())) {
    return fail(L"/ip and /port cannot be given together");
  }
  if (result.preset.serial.given && (result.preset.port_auto || !result.preset.ip.empty())) {
    return fail(L"/serial needs a serial port (/port=COMn)");
  }
  return result;
}

std::wstring UsageText(int language) {
  const std::wstring syntax =
      L"TavroPrintSetup.exe [/quiet] [/language=en|zh-CN|zh-TW] [/model=NAME] [/port=PORT|auto]\r\n"
      L"    [/ip=ADDRESS] [/serial=BAUD,PARITY,DATA,STOP,FLOW] [/nodefault] [/log=FOLDER] [/?]\r\n\r\n";
  if (language == kLanguageSimplified) {
    return syntax +
           L"/quiet\t无人值守安装，不显示任何窗口，结果见退出代码\r\n"
           L"/language\t界面语言\r\n"
           L"/model\t打印机型号，如 /model=\"Tavro TR-80\"\r\n"
           L"/port\t端口名称（USB001、COM1、IP_10.0.0.9），auto 为已连接的 USB 打印机\r\n"
           L"/ip\t为该地址使用或创建标准 TCP/IP 端口\r\n"
           L"/serial\t串口设置，如 9600,n,8,1,p\r\n"
           L"/nodefault\t不设置为默认打印机\r\n"
           L"/log\t日志另存一份到该文件夹\r\n\r\n"
           L"退出代码：0 成功，87 命令行有误，1602 用户取消，1603 安装失败，1618 另一安装正在运行，"
           L"1633 此 Windows 不支持第三方打印机驱动";
  }
  if (language == kLanguageTraditional) {
    return syntax +
           L"/quiet\t無人值守安裝，不顯示任何視窗，結果見結束代碼\r\n"
           L"/language\t介面語言\r\n"
           L"/model\t印表機型號，如 /model=\"Tavro TR-80\"\r\n"
           L"/port\t連接埠名稱（USB001、COM1、IP_10.0.0.9），auto 為已連接的 USB 印表機\r\n"
           L"/ip\t為該位址使用或建立標準 TCP/IP 連接埠\r\n"
           L"/serial\t序列埠設定，如 9600,n,8,1,p\r\n"
           L"/nodefault\t不設為預設印表機\r\n"
           L"/log\t記錄檔另存一份到該資料夾\r\n\r\n"
           L"結束代碼：0 成功，87 命令列有誤，1602 使用者取消，1603 安裝失敗，1618 另一安裝正在執行，"
           L"1633 此 Windows 不支援協力廠商印表機驅動程式";
  }
  return syntax +
         L"/quiet\tinstall without any window; the exit code tells the result\r\n"
         L"/language\tthe language of the dialogs\r\n"
         L"/model\tthe printer model, e.g. /model=\"Tavro TR-80\"\r\n"
         L"/port\ta port as the port list shows it (USB001, COM1, IP_10.0.0.9); auto: the plugged-in USB printer\r\n"
         L"/ip\tuse or create a Standard TCP/IP port for this address\r\n"
         L"/serial\tthe serial settings, e.g. 9600,n,8,1,p\r\n"
         L"/nodefault\tdo not make the printer the default printer\r\n"
         L"/log\ta further folder that receives a copy of the log\r\n\r\n"
         L"Exit codes: 0 installed, 87 unusable command line, 1602 cancelled, 1603 failed, "
         L"1618 another installation is running, 1633 this Windows takes no third-party printer drivers";
}
