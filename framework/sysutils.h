#pragma once
// Text types, exceptions and the number conversions of the component
// framework. AnsiString holds UTF-8; bytes that are Windows text on a wire or
// in a file go through the codec (codec.h) at that edge.
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using AnsiString = std::string;
using String = AnsiString;
using WideString = std::u16string;

// Base of every exception the framework raises and of the ones its users
// define; the event boundary shows Message.
class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  AnsiString Message;
};

#define FRAMEWORK_EXCEPTION(Name, Base) \
  class Name : public Base {            \
   public:                              \
    using Base::Base;                   \
  };
FRAMEWORK_EXCEPTION(EConvertError, Exception)
FRAMEWORK_EXCEPTION(EListError, Exception)
FRAMEWORK_EXCEPTION(EStringListError, Exception)
FRAMEWORK_EXCEPTION(EInvalidOperation, Exception)
FRAMEWORK_EXCEPTION(EStreamError, Exception)
FRAMEWORK_EXCEPTION(EFOpenError, EStreamError)
FRAMEWORK_EXCEPTION(EFCreateError, EStreamError)
FRAMEWORK_EXCEPTION(EReadError, EStreamError)
FRAMEWORK_EXCEPTION(EWriteError, EStreamError)
FRAMEWORK_EXCEPTION(EThread, Exception)
FRAMEWORK_EXCEPTION(EInvalidGraphic, Exception)
FRAMEWORK_EXCEPTION(ERegistryException, Exception)
FRAMEWORK_EXCEPTION(EIniFileException, Exception)
#undef FRAMEWORK_EXCEPTION

// Separators and names the conversions use; tests set them to other locales.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  AnsiString ShortDateFormat = "M/d/yyyy";
  AnsiString LongDateFormat = "dddd, MMMM d, yyyy";
  AnsiString ShortTimeFormat = "h:mm AMPM";
  AnsiString LongTimeFormat = "h:mm:ss AMPM";
  AnsiString TimeAMString = "AM";
  AnsiString TimePMString = "PM";
  AnsiString ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  AnsiString LongMonthNames[12] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};
  AnsiString ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  AnsiString LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                "Thursday", "Friday", "Saturday"};
  // Two-digit years fall within this many years before or after now.
  int TwoDigitYearCenturyWindow = 50;
};
// The process's settings (the framework's global of that name).
extern TFormatSettings FormatSettings;

// ---- Strings ----
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);
int CompareText(std::string_view a, std::string_view b);  // ASCII case-insensitive, <0 / 0 / >0
bool SameText(std::string_view a, std::string_view b);
AnsiString QuotedStr(std::string_view s, char quote = '\'');
AnsiString StringReplace(std::string_view s, std::string_view from, std::string_view to,
                         bool all = true, bool ignoreCase = false);

// ---- Numbers ----
AnsiString IntToStr(std::int64_t value);
AnsiString IntToHex(std::int64_t value, int digits);
// Decimal with optional sign, or hexadecimal after "$" or "0x"; surrounding
// blanks are allowed. Anything else, or a value outside 32 bits, raises
// EConvertError.
int StrToInt(std::string_view s);
std::int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
bool TryStrToInt(std::string_view s, int& value);
// Shortest form with up to 15 significant digits, scientific when the number
// needs more integral digits or is below 1e-5; decimal separator from
// FormatSettings.
AnsiString FloatToStr(double value);
double StrToFloat(std::string_view s);
double StrToFloatDef(std::string_view s, double defaultValue);
bool TryStrToFloat(std::string_view s, double& value);
// Fixed notation with `digits` decimals and, when thousands is set, the
// thousand separator.
AnsiString FloatToStrF(double value, int digits, bool thousands = false);

// ---- Format ----
// One argument of Format: integers, floating-point numbers, text, characters
// and pointers.
class TVarRec {
 public:
  TVarRec(int v) : value_(static_cast<std::int64_t>(v)) {}
  TVarRec(unsigned v) : value_(static_cast<std::int64_t>(v)) {}
  TVarRec(long v) : value_(static_cast<std::int64_t>(v)) {}
  TVarRec(unsigned long v) : value_(static_cast<std::int64_t>(v)) {}
  TVarRec(long long v) : value_(static_cast<std::int64_t>(v)) {}
  TVarRec(unsigned long long v) : value_(static_cast<std::int64_t>(v)) {}
  TVarRec(double v) : value_(v) {}
  TVarRec(char v) : value_(AnsiString(1, v)) {}
  TVarRec(const char* v) : value_(AnsiString(v ? v : "")) {}
  TVarRec(const AnsiString& v) : value_(v) {}
  TVarRec(std::string_view v) : value_(AnsiString(v)) {}
  TVarRec(const void* v) : value_(v) {}

  const std::variant<std::int64_t, double, AnsiString, const void*>& Value() const {
    return value_;
  }

 private:
  std::variant<std::int64_t, double, AnsiString, const void*> value_;
};
// The framework's Format: %d %u %x %X %e %f %g %n %m %s %p with optional
// "index:", "-", width and ".precision" (either may be "*"); "%%" is a
// percent sign. %x gives upper-case digits. A specifier that does not fit its
// argument, or a missing argument, raises EConvertError.
AnsiString Format(std::string_view format, std::initializer_list<TVarRec> args);
AnsiString Format(std::string_view format, const std::vector<TVarRec>& args);
