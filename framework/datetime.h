#pragma once
// Dates and times as the framework keeps them: days since 30 December 1899,
// the time of day as the fraction.
#include <cstdint>

#include "framework/sysutils.h"

class TDateTime {
 public:
  TDateTime() = default;
  TDateTime(double value) : Val(value) {}
  operator double() const { return Val; }
  double Val = 0;
};

TDateTime EncodeDate(int year, int month, int day);  // EConvertError for an invalid date
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
int DayOfWeek(TDateTime value);  // 1 = Sunday
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Format codes: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes after h),
// yy yyyy, h hh, n nn, s ss, z zzz, t tt, c, am/pm a/p ampm, '/' and ':'
// (the local separators), quoted literals.
AnsiString FormatDateTime(std::string_view format, TDateTime value);
AnsiString DateToStr(TDateTime value);
AnsiString TimeToStr(TDateTime value);
AnsiString DateTimeToStr(TDateTime value);
// Parse by the order of day, month and year in ShortDateFormat with the
// local separator; two-digit years follow TwoDigitYearCenturyWindow; a
// missing year is this year. Bad text raises EConvertError.
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);
bool TryStrToDate(std::string_view text, TDateTime& value);
bool TryStrToTime(std::string_view text, TDateTime& value);
