#include "log/log_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>

#include "platform/codepage.h"

namespace {

enum class Length { kNone, kChar, kShort, kLong32, kLong64, kSize, kMax, kPtrdiff, kLongDouble, kWide };

struct Directive {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  int width = -1;
  int precision = -1;
  Length length = Length::kNone;
  char conversion = 0;
};

class Output {
 public:
  Output(char* out, size_t size) : out_(out), cap_(size == 0 ? 0 : size - 1) {}

  void Append(const char* text, size_t n) {
    size_t room = cap_ - len_;
    if (n > room) n = room;
    if (n == 0) return;
    std::memcpy(out_ + len_, text, n);
    len_ += n;
  }
  // Appends wide characters known to be ASCII, one byte each.
  void AppendAscii(const wchar_t* text, size_t n) {
    size_t room = cap_ - len_;
    if (n > room) n = room;
    char* to = out_ + len_;
    for (size_t i = 0; i < n; ++i) to[i] = static_cast<char>(text[i]);
    len_ += n;
  }
  void Repeat(char c, size_t n) {
    size_t room = cap_ - len_;
    if (n > room) n = room;
    if (n == 0) return;
    std::memset(out_ + len_, c, n);
    len_ += n;
  }
  // Appends through snprintf straight into the remaining room.
  template <typename T>
  void Printf(const char* format, T value) {
    size_t room = cap_ - len_;
    int n = std::snprintf(out_ + len_, room + 1, format, value);
    if (n > 0) len_ += static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
  }
  void Finish() {
    if (out_ != nullptr && cap_ + 1 > 0) out_[len_] = '\0';
  }
  size_t length() const { return len_; }
  bool full() const { return len_ >= cap_; }

 private:
  char* out_;
  size_t cap_;
  size_t len_ = 0;
};

void AppendPadded(Output* o, const Directive& s, const char* text, size_t n) {
  if (s.precision >= 0 && static_cast<size_t>(s.precision) < n) n = static_cast<size_t>(s.precision);
  size_t pad = s.width > 0 && static_cast<size_t>(s.width) > n ? static_cast<size_t>(s.width) - n : 0;
  if (!s.left) o->Repeat(s.zero ? '0' : ' ', pad);
  o->Append(text, n);
  if (s.left) o->Repeat(' ', pad);
}

std::string WideToAnsi(platform::CodePage* codepage, const std::wstring& text) {
  if (codepage != nullptr) return codepage->ToAnsi(text);
  std::string out;
  for (wchar_t c : text) out.push_back(static_cast<uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// A precision on a wide string limits the bytes written, never splitting a character.
std::string WideToAnsiLimited(platform::CodePage* codepage, const wchar_t* text, int precision) {
  std::wstring wide(text);
  std::string whole = WideToAnsi(codepage, wide);
  if (precision < 0 || whole.size() <= static_cast<size_t>(precision)) return whole;
  std::string out;
  for (wchar_t c : wide) {
    std::string one = WideToAnsi(codepage, std::wstring(1, c));
    if (out.size() + one.size() > static_cast<size_t>(precision)) break;
    out += one;
  }
  return out;
}

void BuildNumberFormat(const Directive& s, const char* length, char conversion, char* out, size_t size) {
  char flags[8];
  size_t f = 0;
  if (s.left) flags[f++] = '-';
  if (s.plus) flags[f++] = '+';
  if (s.space) flags[f++] = ' ';
  if (s.alt) flags[f++] = '#';
  if (s.zero) flags[f++] = '0';
  flags[f] = '\0';
  char width[16] = "";
  char precision[16] = "";
  if (s.width >= 0) std::snprintf(width, sizeof(width), "%d", s.width);
  if (s.precision >= 0) std::snprintf(precision, sizeof(precision), ".%d", s.precision);
  std::snprintf(out, size, "%%%s%s%s%s%c", flags, width, precision, length, conversion);
}

bool IsSigned(char c) { return c == 'd' || c == 'i'; }

// The C library's d i u o x X of a value given as sign and magnitude, written without snprintf:
// flags - + space # 0, width, precision (the least number of digits; 0 with the value 0 writes no
// digit; a precision turns the 0 flag off), "+"/space only for the signed conversions, "#" gives
// o a leading 0 and a non-zero x/X the prefix 0x/0X.
void AppendInteger(Output* o, const Directive& s, bool negative, unsigned long long magnitude) {
  char digits[24];  // 22 octal digits for 64 bits at most, written from the end
  char* end = digits + sizeof(digits);
  char* first = end;
  switch (s.conversion) {
    case 'o':
      for (unsigned long long v = magnitude; v != 0; v >>= 3) *--first = static_cast<char>('0' + (v & 7));
      break;
    case 'x':
    case 'X': {
      const char* hex = s.conversion == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
      for (unsigned long long v = magnitude; v != 0; v >>= 4) *--first = hex[v & 15];
      break;
    }
    default:
      if (magnitude <= UINT32_MAX) {  // most values: the cheaper 32-bit division
        for (uint32_t v = static_cast<uint32_t>(magnitude); v != 0; v /= 10) *--first = static_cast<char>('0' + v % 10);
      } else {
        for (unsigned long long v = magnitude; v != 0; v /= 10) *--first = static_cast<char>('0' + v % 10);
      }
      break;
  }
  size_t ndigits = static_cast<size_t>(end - first);
  // The least number of digits: 1 without a precision (the value 0 still shows its "0").
  size_t least = s.precision >= 0 ? static_cast<size_t>(s.precision) : 1;
  if (s.alt && s.conversion == 'o' && least <= ndigits) least = ndigits + 1;  // a leading 0
  size_t zeros = least > ndigits ? least - ndigits : 0;
  char prefix[2];
  size_t nprefix = 0;
  if (IsSigned(s.conversion)) {
    if (negative) prefix[nprefix++] = '-';
    else if (s.plus) prefix[nprefix++] = '+';
    else if (s.space) prefix[nprefix++] = ' ';
  } else if (s.alt && (s.conversion == 'x' || s.conversion == 'X') && magnitude != 0) {
    prefix[nprefix++] = '0';
    prefix[nprefix++] = s.conversion;
  }
  size_t body = nprefix + zeros + ndigits;
  size_t pad = s.width > 0 && static_cast<size_t>(s.width) > body ? static_cast<size_t>(s.width) - body : 0;
  if (!s.left && s.zero && s.precision < 0) {
    zeros += pad;  // the 0 flag pads with zeros after the sign or prefix
    pad = 0;
  }
  if (!s.left) o->Repeat(' ', pad);
  o->Append(prefix, nprefix);
  o->Repeat('0', zeros);
  o->Append(first, ndigits);
  if (s.left) o->Repeat(' ', pad);
}

void FormatInteger(Output* o, const Directive& s, va_list* args) {
  long long value = 0;
  unsigned long long uvalue = 0;
  bool is_signed = IsSigned(s.conversion);
  switch (s.length) {
    case Length::kChar: {
      int v = va_arg(*args, int);
      value = static_cast<signed char>(v);
      uvalue = static_cast<unsigned char>(v);
      break;
    }
    case Length::kShort: {
      int v = va_arg(*args, int);
      value = static_cast<short>(v);
      uvalue = static_cast<unsigned short>(v);
      break;
    }
    case Length::kLong64: {
      long long v = va_arg(*args, long long);
      value = v;
      uvalue = static_cast<unsigned long long>(v);
      break;
    }
    case Length::kSize:
    case Length::kPtrdiff: {
      size_t v = va_arg(*args, size_t);
      value = static_cast<long long>(static_cast<ptrdiff_t>(v));
      uvalue = v;
      break;
    }
    case Length::kMax: {
      intmax_t v = va_arg(*args, intmax_t);
      value = v;
      uvalue = static_cast<uintmax_t>(v);
      break;
    }
    default: {
      // "l" is 32 bits as on Windows; reading an int also takes the low half of a 64-bit long.
      int v = va_arg(*args, int);
      value = v;
      uvalue = static_cast<unsigned int>(v);
      break;
    }
  }
  if (is_signed) {
    bool negative = value < 0;
    AppendInteger(o, s, negative, negative ? 0 - static_cast<unsigned long long>(value) : uvalue);
  } else {
    AppendInteger(o, s, false, uvalue);
  }
}

void FormatFloat(Output* o, const Directive& s, va_list* args) {
  char format[48];
  if (s.length == Length::kLongDouble) {
    long double v = va_arg(*args, long double);
    BuildNumberFormat(s, "L", s.conversion, format, sizeof(format));
    o->Printf(format, v);
  } else {
    double v = va_arg(*args, double);
    BuildNumberFormat(s, "", s.conversion, format, sizeof(format));
    o->Printf(format, v);
  }
}

void FormatString(Output* o, platform::CodePage* codepage, const Directive& s, va_list* args) {
  bool wide = s.length == Length::kLong32 || s.length == Length::kWide || s.conversion == 'S';
  if (s.length == Length::kShort) wide = false;
  if (wide) {
    const wchar_t* text = va_arg(*args, const wchar_t*);
    if (text != nullptr) {
      // ASCII text is the same in every ANSI code page: one byte a character, no conversion.
      size_t n = 0;
      while (text[n] != 0 && static_cast<uint32_t>(text[n]) < 0x80) ++n;
      if (text[n] == 0) {
        if (s.precision >= 0 && static_cast<size_t>(s.precision) < n) n = static_cast<size_t>(s.precision);
        size_t pad = s.width > 0 && static_cast<size_t>(s.width) > n ? static_cast<size_t>(s.width) - n : 0;
        if (!s.left) o->Repeat(s.zero ? '0' : ' ', pad);
        o->AppendAscii(text, n);
        if (s.left) o->Repeat(' ', pad);
        return;
      }
    }
    std::string narrow = text == nullptr ? std::string("(null)") : WideToAnsiLimited(codepage, text, s.precision);
    Directive unlimited = s;
    unlimited.precision = -1;
    AppendPadded(o, unlimited, narrow.data(), narrow.size());
  } else {
    const char* text = va_arg(*args, const char*);
    if (text == nullptr) text = "(null)";
    size_t n = s.precision >= 0 ? strnlen(text, static_cast<size_t>(s.precision)) : std::strlen(text);
    AppendPadded(o, s, text, n);
  }
}

void FormatChar(Output* o, platform::CodePage* codepage, const Directive& s, va_list* args) {
  bool wide = s.length == Length::kLong32 || s.length == Length::kWide || s.conversion == 'C';
  if (s.length == Length::kShort) wide = false;
  Directive no_precision = s;
  no_precision.precision = -1;
  if (wide) {
    // wint_t is 16 bits on Windows and arrives promoted to int.
    using WideCharArg = std::conditional<sizeof(wint_t) < sizeof(int), int, wint_t>::type;
    wchar_t c = static_cast<wchar_t>(va_arg(*args, WideCharArg));
    if (static_cast<uint32_t>(c) < 0x80) {
      char ascii = static_cast<char>(c);
      AppendPadded(o, no_precision, &ascii, 1);
      return;
    }
    std::string narrow = WideToAnsi(codepage, std::wstring(1, c));
    AppendPadded(o, no_precision, narrow.data(), narrow.size());
  } else {
    char c = static_cast<char>(va_arg(*args, int));
    AppendPadded(o, no_precision, &c, 1);
  }
}

void FormatPointer(Output* o, const Directive& s, va_list* args) {
  const void* p = va_arg(*args, const void*);
  // Upper-case hex digits, two for each byte of a pointer.
  constexpr size_t kDigits = 2 * sizeof(void*);
  char digits[kDigits];
  uintptr_t v = reinterpret_cast<uintptr_t>(p);
  for (size_t i = kDigits; i > 0; --i, v >>= 4) digits[i - 1] = "0123456789ABCDEF"[v & 15];
  Directive plain = s;
  plain.precision = -1;
  plain.zero = false;
  AppendPadded(o, plain, digits, kDigits);
}

// A decimal width or precision, capped far above any line's length.
int ReadNumber(const char** p) {
  int value = 0;
  while (**p >= '0' && **p <= '9') {
    if (value < 100000) value = value * 10 + (**p - '0');
    ++*p;
  }
  return value;
}

// Reads flags, width, precision and length after a '%'; returns the position of the conversion.
const char* ParseDirective(const char* p, Directive* s, va_list* args) {
  for (;; ++p) {
    if (*p == '-') s->left = true;
    else if (*p == '+') s->plus = true;
    else if (*p == ' ') s->space = true;
    else if (*p == '#') s->alt = true;
    else if (*p == '0') s->zero = true;
    else break;
  }
  if (*p == '*') {
    s->width = va_arg(*args, int);
    if (s->width < 0) {
      s->left = true;
      s->width = s->width == INT32_MIN ? 0 : -s->width;
    }
    ++p;
  } else if (*p >= '0' && *p <= '9') {
    s->width = ReadNumber(&p);
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      s->precision = va_arg(*args, int);
      if (s->precision < 0) s->precision = -1;
      ++p;
    } else {
      s->precision = ReadNumber(&p);
    }
  }
  if (s->left) s->zero = false;
  switch (*p) {
    case 'h':
      ++p;
      if (*p == 'h') {
        ++p;
        s->length = Length::kChar;
      } else {
        s->length = Length::kShort;
      }
      break;
    case 'l':
      ++p;
      if (*p == 'l') {
        ++p;
        s->length = Length::kLong64;
      } else {
        s->length = Length::kLong32;
      }
      break;
    case 'L': ++p; s->length = Length::kLongDouble; break;
    case 'z': ++p; s->length = Length::kSize; break;
    case 't': ++p; s->length = Length::kPtrdiff; break;
    case 'j': ++p; s->length = Length::kMax; break;
    case 'w': ++p; s->length = Length::kWide; break;
    case 'q': ++p; s->length = Length::kLong64; break;
    case 'I':
      if (p[1] == '6' && p[2] == '4') {
        p += 3;
        s->length = Length::kLong64;
      } else if (p[1] == '3' && p[2] == '2') {
        p += 3;
        s->length = Length::kLong32;
      } else {
        ++p;
        s->length = sizeof(void*) == 8 ? Length::kSize : Length::kLong32;
      }
      break;
    default:
      break;
  }
  s->conversion = *p;
  return p;
}

}  // namespace

size_t LogFormatV(platform::CodePage* codepage, char* out, size_t size, const char* format, va_list args) {
  if (out == nullptr || size == 0) return 0;
  Output o(out, size);
  if (format == nullptr) format = "";
  va_list ap;
  va_copy(ap, args);
  const char* p = format;
  while (*p != '\0' && !o.full()) {
    const char* percent = std::strchr(p, '%');
    if (percent == nullptr) {
      o.Append(p, std::strlen(p));
      break;
    }
    o.Append(p, static_cast<size_t>(percent - p));
    Directive s;
    const char* conv = ParseDirective(percent + 1, &s, &ap);
    switch (s.conversion) {
      case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
        FormatInteger(&o, s, &ap);
        break;
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        FormatFloat(&o, s, &ap);
        break;
      case 's': case 'S':
        FormatString(&o, codepage, s, &ap);
        break;
      case 'c': case 'C':
        FormatChar(&o, codepage, s, &ap);
        break;
      case 'p':
        FormatPointer(&o, s, &ap);
        break;
      case 'n':
        (void)va_arg(ap, void*);  // never written through: a format must not store into memory
        break;
      case '%':
        o.Append("%", 1);
        break;
      case '\0':
        // A format ending inside a conversion: write what was there.
        o.Append(percent, static_cast<size_t>(conv - percent));
        p = conv;
        continue;
      default:
        // An unknown conversion is written as it stands and consumes no argument.
        o.Append(percent, static_cast<size_t>(conv - percent) + 1);
        break;
    }
    p = conv + 1;
  }
  va_end(ap);
  o.Finish();
  return o.length();
}

size_t LogFormat(platform::CodePage* codepage, char* out, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = LogFormatV(codepage, out, size, format, args);
  va_end(args);
  return n;
}
