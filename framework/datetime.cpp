#include "framework/datetime.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

namespace {

constexpr double kMsPerDay = 86400000.0;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 (civil calendar), valid for all years.
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe) + static_cast<int>(era * 400) + (m <= 2);
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30);

// Whole days and milliseconds of the day; negative values count the fraction
// away from zero as the framework does.
void Split(TDateTime value, long long& days, long long& ms) {
  days = static_cast<long long>(std::trunc(value.Val));
  ms = std::llround(std::fabs(value.Val - std::trunc(value.Val)) * kMsPerDay);
  if (ms >= static_cast<long long>(kMsPerDay)) {
    ms = 0;
    days += value.Val < 0 ? -1 : 1;
  }
}

AnsiString TwoDigits(int v) { return (v < 10 ? "0" : "") + IntToStr(v); }

AnsiString Expand(std::string_view format, TDateTime value, int depth) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  const TFormatSettings& fs = FormatSettings;
  // With an am/pm marker anywhere the hours are shown on a 12-hour clock.
  const AnsiString upper = UpperCase(format);
  const bool twelveHour = upper.find("AM/PM") != AnsiString::npos ||
                          upper.find("A/P") != AnsiString::npos ||
                          upper.find("AMPM") != AnsiString::npos;
  AnsiString out;
  bool lastWasHour = false;
  size_t i = 0;
  auto count = [&](char c) {
    size_t n = 0;
    while (i + n < format.size() && std::tolower(static_cast<unsigned char>(format[i + n])) == c) ++n;
    return n;
  };
  auto startsWith = [&](std::string_view word) {
    return SameText(format.substr(i, word.size()), word);
  };
  while (i < format.size()) {
    const char c = format[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"' || c == '\'') {
      const size_t end = format.find(c, i + 1);
      out += format.substr(i + 1, (end == std::string_view::npos ? format.size() : end) - i - 1);
      i = end == std::string_view::npos ? format.size() : end + 1;
      continue;
    }
    const bool upperMarker = std::isupper(static_cast<unsigned char>(c));
    if (startsWith("am/pm")) { out += hour < 12 ? (upperMarker ? "AM" : "am") : (upperMarker ? "PM" : "pm"); i += 5; continue; }
    if (startsWith("a/p")) { out += hour < 12 ? (upperMarker ? "A" : "a") : (upperMarker ? "P" : "p"); i += 3; continue; }
    if (startsWith("ampm")) { out += hour < 12 ? fs.TimeAMString : fs.TimePMString; i += 4; continue; }
    size_t n = 1;
    switch (lower) {
      case 'y':
        n = count('y');
        out += n <= 2 ? TwoDigits(year % 100) : IntToStr(year);
        break;
      case 'm': {
        n = count('m');
        if (lastWasHour && n <= 2) {
          out += n == 1 ? IntToStr(minute) : TwoDigits(minute);
        } else if (n == 1) { out += IntToStr(month);
        } else if (n == 2) { out += TwoDigits(month);
        } else if (n == 3) { out += fs.ShortMonthNames[month - 1];
        } else { out += fs.LongMonthNames[month - 1]; }
        break;
      }
      case 'd':
        n = count('d');
        if (n == 1) out += IntToStr(day);
        else if (n == 2) out += TwoDigits(day);
        else if (n == 3) out += fs.ShortDayNames[DayOfWeek(value) - 1];
        else if (n == 4) out += fs.LongDayNames[DayOfWeek(value) - 1];
        else if (depth < 2) out += Expand(n == 5 ? fs.ShortDateFormat : fs.LongDateFormat, value, depth + 1);
        break;
      case 'h': {
        n = count('h');
        int h = hour;
        if (twelveHour) h = hour % 12 == 0 ? 12 : hour % 12;
        out += n == 1 ? IntToStr(h) : TwoDigits(h);
        break;
      }
      case 'n': n = count('n'); out += n == 1 ? IntToStr(minute) : TwoDigits(minute); break;
      case 's': n = count('s'); out += n == 1 ? IntToStr(second) : TwoDigits(second); break;
      case 'z': {
        n = count('z');
        AnsiString text = IntToStr(ms);
        if (n >= 3) text.insert(0, 3 - text.size(), '0');
        out += text;
        break;
      }
      case 't':
        n = count('t');
        if (depth < 2) out += Expand(n == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, value, depth + 1);
        break;
      case 'c':
        if (depth < 2) {
          out += Expand(fs.ShortDateFormat, value, depth + 1);
          if (hour || minute || second || ms) out += " " + Expand(fs.LongTimeFormat, value, depth + 1);
        }
        break;
      case '/': out += fs.DateSeparator; break;
      case ':': out += fs.TimeSeparator; break;
      default: out += c;
    }
    if (lower == 'h') lastWasHour = true;
    else if (std::isalpha(static_cast<unsigned char>(lower))) lastWasHour = false;
    i += n;
  }
  return out;
}

// Splits text into runs of digits; other characters separate them. Month
// names are accepted where a month number is expected.
std::vector<AnsiString> Fields(std::string_view text, char separator) {
  std::vector<AnsiString> fields;
  AnsiString current;
  for (char c : text) {
    if (c == separator || c == ' ') {
      if (!current.empty()) fields.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) fields.push_back(current);
  return fields;
}

int ExpandYear(int year, size_t digits) {
  if (digits > 2) return year;
  int currentYear, m, d;
  DecodeDate(Now(), currentYear, m, d);
  const int window = FormatSettings.TwoDigitYearCenturyWindow;
  int century = currentYear - currentYear % 100;
  int full = century + year;
  if (window > 0) {
    const int pivot = currentYear - window;
    if (full < pivot) full += 100;
    else if (full > pivot + 100) full -= 100;
  }
  return full;
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  result = TDateTime(static_cast<double>(DaysFromCivil(year, month, day) - kEpochOffset));
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999)
    throw EConvertError("Invalid argument to time encode");
  return TDateTime((((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  long long days, ms;
  Split(value, days, ms);
  CivilFromDays(days + kEpochOffset, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  long long days, ms;
  Split(value, days, ms);
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  millisecond = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value) {
  long long days, ms;
  Split(value, days, ms);
  // 30 December 1899 was a Saturday.
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime Now() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return TDateTime(EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).Val +
                   EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, ms).Val);
}

TDateTime Date() { return TDateTime(std::trunc(Now().Val)); }
TDateTime Time() {
  const double now = Now().Val;
  return TDateTime(now - std::trunc(now));
}

AnsiString FormatDateTime(std::string_view format, TDateTime value) {
  return Expand(format.empty() ? std::string_view("c") : format, value, 0);
}

AnsiString DateToStr(TDateTime value) { return FormatDateTime("ddddd", value); }
AnsiString TimeToStr(TDateTime value) { return FormatDateTime("tt", value); }
AnsiString DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

bool TryStrToDate(std::string_view text, TDateTime& value) {
  const std::vector<AnsiString> fields = Fields(Trim(text), FormatSettings.DateSeparator);
  if (fields.size() < 2 || fields.size() > 3) return false;
  // Field order from the short date format: the order in which d, m and y
  // first appear.
  AnsiString order;
  for (char c : LowerCase(FormatSettings.ShortDateFormat))
    if ((c == 'd' || c == 'm' || c == 'y') && order.find(c) == AnsiString::npos) order += c;
  if (order.size() != 3) order = "mdy";
  if (fields.size() == 2) order.erase(order.find('y'), 1);
  int year = 0, month = 0, day = 0;
  size_t yearDigits = 4;
  for (size_t i = 0; i < fields.size(); ++i) {
    int number = 0;
    if (!TryStrToInt(fields[i], number) || number < 0) {
      if (order[i] != 'm') return false;
      number = 0;
      for (int k = 0; k < 12 && number == 0; ++k)
        if (SameText(fields[i], FormatSettings.ShortMonthNames[k]) ||
            SameText(fields[i], FormatSettings.LongMonthNames[k]))
          number = k + 1;
      if (number == 0) return false;
    }
    if (order[i] == 'd') day = number;
    if (order[i] == 'm') month = number;
    if (order[i] == 'y') { year = number; yearDigits = fields[i].size(); }
  }
  if (fields.size() == 2) {
    int m, d;
    DecodeDate(Now(), year, m, d);
  } else {
    year = ExpandYear(year, yearDigits);
  }
  return TryEncodeDate(year, month, day, value);
}

bool TryStrToTime(std::string_view text, TDateTime& value) {
  AnsiString t = Trim(text);
  int pm = -1;
  for (const auto& [marker, isPm] : {std::pair{FormatSettings.TimeAMString, 0}, {FormatSettings.TimePMString, 1},
                                     {AnsiString("AM"), 0}, {AnsiString("PM"), 1}}) {
    if (!marker.empty() && t.size() >= marker.size() &&
        SameText(std::string_view(t).substr(t.size() - marker.size()), marker)) {
      pm = isPm;
      t = Trim(std::string_view(t).substr(0, t.size() - marker.size()));
      break;
    }
  }
  const std::vector<AnsiString> fields = Fields(t, FormatSettings.TimeSeparator);
  if (fields.empty() || fields.size() > 3) return false;
  int parts[3] = {0, 0, 0};
  for (size_t i = 0; i < fields.size(); ++i)
    if (!TryStrToInt(fields[i], parts[i]) || parts[i] < 0) return false;
  int hour = parts[0];
  if (pm >= 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
  }
  if (hour > 23 || parts[1] > 59 || parts[2] > 59) return false;
  value = EncodeTime(hour, parts[1], parts[2], 0);
  return true;
}

TDateTime StrToDate(std::string_view text) {
  TDateTime value;
  if (!TryStrToDate(text, value)) throw EConvertError("'" + AnsiString(text) + "' is not a valid date");
  return value;
}

TDateTime StrToTime(std::string_view text) {
  TDateTime value;
  if (!TryStrToTime(text, value)) throw EConvertError("'" + AnsiString(text) + "' is not a valid time");
  return value;
}

TDateTime StrToDateTime(std::string_view text) {
  const AnsiString t = Trim(text);
  const size_t space = t.find(' ');
  TDateTime date, time;
  if (space == AnsiString::npos) {
    if (TryStrToDate(t, date)) return date;
    return StrToTime(t);
  }
  if (!TryStrToDate(t.substr(0, space), date) || !TryStrToTime(t.substr(space + 1), time))
    throw EConvertError("'" + t + "' is not a valid date and time");
  return TDateTime(date.Val + (date.Val < 0 ? -time.Val : time.Val));
}
