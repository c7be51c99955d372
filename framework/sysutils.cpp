#include "framework/sysutils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

TFormatSettings FormatSettings;

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

[[noreturn]] void ThrowNotInteger(std::string_view s) {
  throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
}
[[noreturn]] void ThrowNotFloat(std::string_view s) {
  throw EConvertError("'" + AnsiString(s) + "' is not a valid floating point value");
}

bool ParseInteger(std::string_view s, std::int64_t& value) {
  std::string_view t = s;
  while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
  bool negative = false;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t.front() == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return false;
  std::uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1u : 0u))
    return false;
  value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

// Digits and decimal exponent of a finite value, rounded to `precision`
// significant digits, trailing zeros removed.
struct Decimal {
  bool negative = false;
  std::string digits;  // at least one digit
  int exponent = 0;    // decimal exponent of the first digit
};

Decimal ToDecimal(double value, int precision) {
  Decimal d;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, value);
  std::string_view text(buffer);
  if (text.front() == '-') {
    d.negative = true;
    text.remove_prefix(1);
  }
  const auto ePos = text.find('e');
  for (char c : text.substr(0, ePos))
    if (c != '.') d.digits += c;
  d.exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits == "0") d.negative = false;
  return d;
}

AnsiString InsertThousands(const AnsiString& integral) {
  if (FormatSettings.ThousandSeparator == '\0') return integral;
  AnsiString out;
  const int n = static_cast<int>(integral.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += FormatSettings.ThousandSeparator;
    out += integral[i];
  }
  return out;
}

// Fixed notation with `decimals` places, C locale, then local separators.
AnsiString FixedText(double value, int decimals, bool thousands) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  AnsiString text(buffer);
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.erase(0, 1);
  auto dot = text.find('.');
  AnsiString integral = text.substr(0, dot);
  AnsiString fraction = dot == AnsiString::npos ? "" : text.substr(dot + 1);
  if (thousands) integral = InsertThousands(integral);
  if (negative && std::any_of(text.begin(), text.end(), [](char c) { return c >= '1' && c <= '9'; }))
    integral.insert(0, "-");
  return fraction.empty() ? integral : integral + FormatSettings.DecimalSeparator + fraction;
}

AnsiString GeneralText(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  const Decimal d = ToDecimal(value, precision);
  AnsiString out = d.negative ? "-" : "";
  const int integralDigits = d.exponent + 1;
  if (integralDigits <= precision && d.exponent >= -5) {
    if (integralDigits <= 0) {
      out += "0";
      out += FormatSettings.DecimalSeparator;
      out += AnsiString(-integralDigits, '0') + d.digits;
    } else if (static_cast<int>(d.digits.size()) <= integralDigits) {
      out += d.digits + AnsiString(integralDigits - d.digits.size(), '0');
    } else {
      out += d.digits.substr(0, integralDigits) + FormatSettings.DecimalSeparator +
             d.digits.substr(integralDigits);
    }
    return out;
  }
  out += d.digits.substr(0, 1);
  if (d.digits.size() > 1) out += FormatSettings.DecimalSeparator + d.digits.substr(1);
  return out + "E" + std::to_string(d.exponent);
}

AnsiString ScientificText(double value, int precision) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%.*E", std::max(precision - 1, 0), value);
  AnsiString text(buffer);
  std::replace(text.begin(), text.end(), '.', FormatSettings.DecimalSeparator);
  return text;
}

}  // namespace

// ---- Strings ----

AnsiString UpperCase(std::string_view s) {
  AnsiString out(s);
  std::transform(out.begin(), out.end(), out.begin(), UpperAscii);
  return out;
}

AnsiString LowerCase(std::string_view s) {
  AnsiString out(s);
  std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
  return out;
}

AnsiString TrimLeft(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  return AnsiString(s);
}

AnsiString TrimRight(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return AnsiString(s);
}

AnsiString Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(UpperAscii(a[i])) - static_cast<unsigned char>(UpperAscii(b[i]));
    if (d != 0) return d;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

AnsiString QuotedStr(std::string_view s, char quote) {
  AnsiString out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

AnsiString StringReplace(std::string_view s, std::string_view from, std::string_view to, bool all,
                         bool ignoreCase) {
  if (from.empty()) return AnsiString(s);
  const AnsiString haystack = ignoreCase ? UpperCase(s) : AnsiString(s);
  const AnsiString needle = ignoreCase ? UpperCase(from) : AnsiString(from);
  AnsiString out;
  size_t pos = 0;
  while (true) {
    const size_t hit = haystack.find(needle, pos);
    if (hit == AnsiString::npos) break;
    out.append(s.substr(pos, hit - pos)).append(to);
    pos = hit + from.size();
    if (!all) break;
  }
  return out.append(s.substr(pos));
}

// ---- Numbers ----

AnsiString IntToStr(std::int64_t value) { return std::to_string(value); }

AnsiString IntToHex(std::int64_t value, int digits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*llX", std::clamp(digits, 0, 16),
                static_cast<unsigned long long>(value));
  return buffer;
}

std::int64_t StrToInt64(std::string_view s) {
  std::int64_t value = 0;
  if (!ParseInteger(s, value)) ThrowNotInteger(s);
  return value;
}

bool TryStrToInt(std::string_view s, int& value) {
  std::int64_t wide = 0;
  if (!ParseInteger(s, wide) || wide < std::numeric_limits<std::int32_t>::min() ||
      wide > std::numeric_limits<std::int32_t>::max())
    return false;
  value = static_cast<int>(wide);
  return true;
}

int StrToInt(std::string_view s) {
  int value = 0;
  if (!TryStrToInt(s, value)) ThrowNotInteger(s);
  return value;
}

int StrToIntDef(std::string_view s, int defaultValue) {
  int value = 0;
  return TryStrToInt(s, value) ? value : defaultValue;
}

AnsiString FloatToStr(double value) { return GeneralText(value, 15); }

AnsiString FloatToStrF(double value, int digits, bool thousands) {
  return FixedText(value, std::clamp(digits, 0, 18), thousands);
}

bool TryStrToFloat(std::string_view s, double& value) {
  AnsiString text = Trim(s);
  if (text.empty()) return false;
  // Only the local decimal separator is a separator; a '.' is accepted when
  // it is that separator.
  if (FormatSettings.DecimalSeparator != '.') {
    if (text.find('.') != AnsiString::npos) return false;
    std::replace(text.begin(), text.end(), FormatSettings.DecimalSeparator, '.');
  }
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

double StrToFloat(std::string_view s) {
  double value = 0;
  if (!TryStrToFloat(s, value)) ThrowNotFloat(s);
  return value;
}

double StrToFloatDef(std::string_view s, double defaultValue) {
  double value = 0;
  return TryStrToFloat(s, value) ? value : defaultValue;
}

// ---- Format ----

namespace {

[[noreturn]] void ThrowBadFormat(std::string_view format) {
  throw EConvertError("Format '" + AnsiString(format) + "' invalid or incompatible with argument");
}

struct FormatSpec {
  bool leftAlign = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

AnsiString Pad(AnsiString text, const FormatSpec& spec) {
  if (spec.width > static_cast<int>(text.size())) {
    const AnsiString fill(spec.width - text.size(), ' ');
    text = spec.leftAlign ? text + fill : fill + text;
  }
  return text;
}

AnsiString FormatInteger(std::int64_t v, const FormatSpec& spec) {
  AnsiString digits;
  switch (spec.type) {
    case 'd': digits = std::to_string(v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v)); break;
    case 'u': digits = std::to_string(static_cast<std::uint32_t>(v)); break;
    default: digits = IntToHex(v < 0 && v >= std::numeric_limits<std::int32_t>::min() ? static_cast<std::uint32_t>(v) : v, 0);
  }
  if (digits.empty()) digits = "0";
  if (spec.precision > static_cast<int>(digits.size()))
    digits.insert(0, spec.precision - digits.size(), '0');
  if (spec.type == 'd' && v < 0) digits.insert(0, "-");
  return digits;
}

AnsiString FormatFloat(double v, const FormatSpec& spec) {
  switch (spec.type) {
    case 'e': return ScientificText(v, spec.precision < 0 ? 15 : spec.precision);
    case 'f': return FixedText(v, spec.precision < 0 ? 2 : spec.precision, false);
    case 'n': return FixedText(v, spec.precision < 0 ? 2 : spec.precision, true);
    case 'm': return FixedText(v, spec.precision < 0 ? 2 : spec.precision, true);
    default: return GeneralText(v, spec.precision < 0 || spec.precision > 15 ? 15 : std::max(spec.precision, 1));
  }
}

AnsiString FormatOne(const TVarRec& arg, const FormatSpec& spec, std::string_view format) {
  const auto& value = arg.Value();
  switch (spec.type) {
    case 'd': case 'u': case 'x':
      if (!std::holds_alternative<std::int64_t>(value)) ThrowBadFormat(format);
      return FormatInteger(std::get<std::int64_t>(value), spec);
    case 'e': case 'f': case 'g': case 'n': case 'm':
      if (!std::holds_alternative<double>(value)) ThrowBadFormat(format);
      return FormatFloat(std::get<double>(value), spec);
    case 's': {
      if (!std::holds_alternative<AnsiString>(value)) ThrowBadFormat(format);
      const AnsiString& text = std::get<AnsiString>(value);
      return spec.precision >= 0 ? text.substr(0, spec.precision) : text;
    }
    case 'p':
      if (!std::holds_alternative<const void*>(value)) ThrowBadFormat(format);
      return IntToHex(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(std::get<const void*>(value))), 8);
    default: ThrowBadFormat(format);
  }
}

}  // namespace

AnsiString Format(std::string_view format, const std::vector<TVarRec>& args) {
  AnsiString out;
  size_t next = 0;
  auto takeInt = [&](size_t& index) -> int {
    if (index >= args.size() || !std::holds_alternative<std::int64_t>(args[index].Value()))
      ThrowBadFormat(format);
    return static_cast<int>(std::get<std::int64_t>(args[index++].Value()));
  };
  auto readNumber = [&](size_t& i) {
    int n = 0;
    while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) n = n * 10 + (format[i++] - '0');
    return n;
  };
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (++i >= format.size()) ThrowBadFormat(format);
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    FormatSpec spec;
    // Optional "index:" selects the argument and continues from there.
    size_t j = i;
    if (std::isdigit(static_cast<unsigned char>(format[j]))) {
      const int n = readNumber(j);
      if (j < format.size() && format[j] == ':') {
        next = static_cast<size_t>(n);
        i = j + 1;
      }
    }
    if (i < format.size() && format[i] == '-') {
      spec.leftAlign = true;
      ++i;
    }
    if (i < format.size() && format[i] == '*') {
      spec.width = takeInt(next);
      ++i;
    } else if (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) {
      spec.width = readNumber(i);
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') {
        spec.precision = takeInt(next);
        ++i;
      } else {
        spec.precision = readNumber(i);
      }
    }
    if (i >= format.size()) ThrowBadFormat(format);
    spec.type = LowerAscii(format[i]);
    if (next >= args.size()) ThrowBadFormat(format);
    out += Pad(FormatOne(args[next++], spec, format), spec);
  }
  return out;
}

AnsiString Format(std::string_view format, std::initializer_list<TVarRec> args) {
  return Format(format, std::vector<TVarRec>(args));
}
