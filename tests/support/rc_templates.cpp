#include "tests/support/rc_templates.h"

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

namespace tavro_test {

using platform::sim::SimControlDef;
using platform::sim::SimControlKind;
using platform::sim::SimTemplate;

namespace {

std::wstring FromUtf8(const std::string& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    int extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else { cp = c & 0x07; extra = 3; }
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (s[i] & 0x3F);
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}

const std::map<std::string, uint32_t>& StyleNames() {
  static const std::map<std::string, uint32_t> names = {
      {"WS_POPUP", 0x80000000u}, {"WS_VISIBLE", 0x10000000u}, {"WS_DISABLED", 0x08000000u},
      {"WS_CAPTION", 0x00C00000u}, {"WS_BORDER", 0x00800000u}, {"WS_VSCROLL", 0x00200000u},
      {"WS_SYSMENU", 0x00080000u}, {"WS_GROUP", 0x00020000u}, {"WS_MINIMIZEBOX", 0x00020000u},
      {"WS_TABSTOP", 0x00010000u}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80},
      {"DS_CENTER", 0x800}, {"LVS_REPORT", 0x1}, {"LVS_SINGLESEL", 0x4},
      {"LVS_SHOWSELALWAYS", 0x8}, {"LVS_NOCOLUMNHEADER", 0x4000}, {"BS_AUTOCHECKBOX", 0x3},
      {"BS_AUTORADIOBUTTON", 0x9}, {"SS_NOTIFY", 0x100}, {"CBS_DROPDOWNLIST", 0x3},
      {"WS_EX_APPWINDOW", 0x40000}};
  return names;
}

// One statement's arguments split at top-level commas, quotes kept.
std::vector<std::string> SplitArgs(const std::string& rest) {
  std::vector<std::string> args;
  std::string cur;
  bool quoted = false;
  for (char ch : rest) {
    if (ch == '"') quoted = !quoted;
    if (ch == ',' && !quoted) {
      args.push_back(cur);
      cur.clear();
      continue;
    }
    cur.push_back(ch);
  }
  args.push_back(cur);
  for (std::string& a : args) {
    size_t b = a.find_first_not_of(" \t");
    size_t e = a.find_last_not_of(" \t\r");
    a = b == std::string::npos ? std::string() : a.substr(b, e - b + 1);
  }
  return args;
}

bool Unquote(const std::string& arg, std::wstring* out) {
  if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"') return false;
  *out = FromUtf8(arg.substr(1, arg.size() - 2));
  return true;
}

// A style expression: names or numbers joined by '|', a name after NOT removes its bits.
uint32_t Style(const std::string& expr, bool* has_visible_off, bool* unknown) {
  uint32_t style = 0;
  std::istringstream in(expr);
  std::string word;
  bool negate = false;
  while (in >> word) {
    if (word == "|") continue;
    if (word == "NOT") { negate = true; continue; }
    uint32_t bits = 0;
    if (std::isdigit(static_cast<unsigned char>(word[0]))) {
      bits = static_cast<uint32_t>(std::stoul(word, nullptr, 0));
    } else {
      auto it = StyleNames().find(word);
      if (it == StyleNames().end()) { *unknown = true; continue; }
      bits = it->second;
    }
    if (negate) {
      style &= ~bits;
      if (bits == 0x10000000u) *has_visible_off = true;
    } else {
      style |= bits;
    }
    negate = false;
  }
  return style;
}

// The ids of the resource header, by name (ParseRcTemplates fills it from "#define" lines).
std::map<std::string, int>& Symbols() {
  // The dialog ids of winuser.h that the scripts use besides the resource header's.
  static std::map<std::string, int> symbols = {{"IDOK", 1}, {"IDCANCEL", 2}};
  return symbols;
}

// A number, or a name the resource header defines (an unknown name throws, failing the test).
int Int(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t\r");
  std::string word = b == std::string::npos ? s : s.substr(b, e - b + 1);
  auto it = Symbols().find(word);
  if (it != Symbols().end()) return it->second;
  return static_cast<int>(std::stol(word, nullptr, 0));
}

void ReadDefines(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string directive, name, value;
    words >> directive >> name >> value;
    if (directive == "#define" && !value.empty()) Symbols()[name] = Int(value);
  }
}

bool ParseControl(const std::string& keyword, const std::string& rest, SimControlDef* c,
                  std::string* error) {
  std::vector<std::string> a = SplitArgs(rest);
  bool visible_off = false;
  bool unknown = false;
  size_t geometry;
  std::string style_expr;
  if (keyword == "CONTROL") {
    if (a.size() < 8 || !Unquote(a[0], &c->text) || !Unquote(a[2], &c->window_class)) {
      *error = "bad CONTROL: " + rest;
      return false;
    }
    c->id = Int(a[1]);
    style_expr = a[3];
    geometry = 4;
  } else if (keyword == "COMBOBOX") {
    if (a.size() < 5) { *error = "bad COMBOBOX: " + rest; return false; }
    c->id = Int(a[0]);
    c->window_class = L"ComboBox";
    geometry = 1;
    if (a.size() > 5) style_expr = a[5];
  } else {
    if (a.size() < 6 || !Unquote(a[0], &c->text)) { *error = "bad " + keyword + ": " + rest; return false; }
    c->id = Int(a[1]);
    geometry = 2;
    c->window_class = keyword == "LTEXT" ? L"Static" : L"Button";
    if (a.size() > 6) style_expr = a[6];
  }
  c->x = Int(a[geometry]);
  c->y = Int(a[geometry + 1]);
  c->width = Int(a[geometry + 2]);
  c->height = Int(a[geometry + 3]);
  c->style = Style(style_expr, &visible_off, &unknown);
  if (unknown) { *error = "unknown style in: " + rest; return false; }
  c->visible = !visible_off;
  c->enabled = (c->style & 0x08000000u) == 0;
  c->group = (c->style & 0x00020000u) != 0;
  c->default_button = keyword == "DEFPUSHBUTTON";
  if (keyword == "PUSHBUTTON" || keyword == "DEFPUSHBUTTON") c->kind = SimControlKind::kPushButton;
  else if (keyword == "LTEXT") c->kind = SimControlKind::kStatic;
  else if (keyword == "COMBOBOX") c->kind = SimControlKind::kCombo;
  else if (c->window_class == L"SysListView32") c->kind = SimControlKind::kListView;
  else if (c->window_class == L"msctls_progress32") c->kind = SimControlKind::kProgress;
  else if (c->window_class == L"Static") c->kind = SimControlKind::kStatic;
  else if (c->window_class == L"Edit") c->kind = SimControlKind::kEdit;
  else if (c->window_class == L"Button") {
    uint32_t type = c->style & 0x0F;
    c->kind = type == 0x9 ? SimControlKind::kRadio
              : type == 0x3 ? SimControlKind::kCheckBox
                            : SimControlKind::kPushButton;
  }
  return true;
}

}  // namespace

bool ParseRcTemplates(const std::string& text, std::vector<SimTemplate>* out, std::string* error) {
  ReadDefines(text);
  std::istringstream in(text);
  std::string line;
  SimTemplate* cur = nullptr;
  bool in_body = false;
  while (std::getline(in, line)) {
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line.compare(b, 2, "//") == 0 || line[b] == '#') continue;
    line = line.substr(b);
    std::istringstream words(line);
    std::string first, second;
    words >> first >> second;
    if (second == "DIALOGEX" || second == "DIALOG") {
      out->emplace_back();
      cur = &out->back();
      cur->id = Int(first);
      size_t at = line.find(second) + second.size();
      std::vector<std::string> a = SplitArgs(line.substr(at));
      if (a.size() < 4) { *error = "bad dialog header: " + line; return false; }
      cur->width = Int(a[2]);
      cur->height = Int(a[3]);
      in_body = false;
      continue;
    }
    if (cur == nullptr) continue;
    std::string rest = line.substr(first.size());
    if (first == "STYLE") {
      bool v = false, unknown = false;
      cur->style = Style(rest, &v, &unknown);
      if (unknown) { *error = "unknown style in: " + line; return false; }
    } else if (first == "CAPTION") {
      if (!Unquote(SplitArgs(rest)[0], &cur->caption)) { *error = "bad caption: " + line; return false; }
    } else if (first == "FONT") {
      std::vector<std::string> a = SplitArgs(rest);
      cur->font_size = Int(a[0]);
      if (a.size() < 2 || !Unquote(a[1], &cur->font_face)) { *error = "bad font: " + line; return false; }
    } else if (first == "BEGIN") {
      in_body = true;
    } else if (first == "END") {
      in_body = false;
      cur = nullptr;
    } else if (in_body) {
      SimControlDef c;
      if (!ParseControl(first, rest, &c, error)) return false;
      cur->controls.push_back(c);
    }
  }
  return true;
}

bool LoadProgramTemplates(platform::sim::SimWindowFramework& windows, std::string* error) {
  std::string here = __FILE__;
  std::string root = here.substr(0, here.rfind("tests/support/"));
  std::ifstream file(root + "ui/win32/dialogs.rc", std::ios::binary);
  if (!file) {
    *error = "cannot open " + root + "ui/win32/dialogs.rc";
    return false;
  }
  std::ifstream header(root + "ui/resource.h", std::ios::binary);
  if (!header) {
    *error = "cannot open " + root + "ui/resource.h";
    return false;
  }
  std::stringstream ids;
  ids << header.rdbuf();
  ReadDefines(ids.str());
  std::stringstream text;
  text << file.rdbuf();
  std::vector<SimTemplate> templates;
  if (!ParseRcTemplates(text.str(), &templates, error)) return false;
  for (const SimTemplate& t : templates) windows.DefineTemplate(t);
  return true;
}

}  // namespace tavro_test
