// COleDateTime and CTime.
#include "fw_datetime.h"

#include <cmath>

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
long days_from_civil(long year, int month, int day) {
  year -= month <= 2;
  long era = (year >= 0 ? year : year - 399) / 400;
  long year_of_era = year - era * 400;
  long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

void civil_from_days(long days, int* year, int* month, int* day) {
  days += 719468;
  long era = (days >= 0 ? days : days - 146096) / 146097;
  long day_of_era = days - era * 146097;
  long year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  long day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  long mp = (5 * day_of_year + 2) / 153;
  *day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(year_of_era + era * 400 + (*month <= 2));
}

// Day 0 of the day numbers: 30 December 1899.
const long kDayZero = days_from_civil(1899, 12, 30);

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

CString format_tm(LPCTSTR format, const struct tm& parts) {
  if (*format == '\0') return CString();
  char buffer[512];
  size_t length = std::strftime(buffer, sizeof buffer, format, &parts);
  return CString(buffer, static_cast<int>(length));
}

}  // namespace

COleDateTime COleDateTime::GetCurrentTime() { return COleDateTime(std::time(nullptr)); }

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(time_t seconds) {
  struct tm parts;
  if (localtime_r(&seconds, &parts) == nullptr) {
    m_dt = 0;
    m_status = invalid;
    return;
  }
  SetDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    m_dt = 0;
    m_status = invalid;
    return 1;
  }
  double days = static_cast<double>(days_from_civil(year, month, day) - kDayZero);
  double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  // Before day 0 the fraction still counts forward from midnight.
  m_dt = days >= 0 ? days + time : days - time;
  m_status = valid;
  return 0;
}

bool COleDateTime::Parts(struct tm* parts) const {
  if (m_status != valid) return false;
  double whole = std::trunc(m_dt);
  long days = static_cast<long>(whole);
  long seconds = std::lround(std::fabs(m_dt - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += 1;  // rounded up to the next midnight (also before day 0)
  }
  int year, month, day;
  civil_from_days(days + kDayZero, &year, &month, &day);
  *parts = {};
  parts->tm_year = year - 1900;
  parts->tm_mon = month - 1;
  parts->tm_mday = day;
  parts->tm_hour = static_cast<int>(seconds / 3600);
  parts->tm_min = static_cast<int>(seconds / 60 % 60);
  parts->tm_sec = static_cast<int>(seconds % 60);
  long weekday = (days + kDayZero + 4) % 7;  // 1970-01-01 was a Thursday
  parts->tm_wday = static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
  parts->tm_yday = static_cast<int>(days + kDayZero - days_from_civil(year, 1, 1));
  return true;
}

int COleDateTime::GetYear() const {
  struct tm p;
  return Parts(&p) ? p.tm_year + 1900 : -1;
}
int COleDateTime::GetMonth() const {
  struct tm p;
  return Parts(&p) ? p.tm_mon + 1 : -1;
}
int COleDateTime::GetDay() const {
  struct tm p;
  return Parts(&p) ? p.tm_mday : -1;
}
int COleDateTime::GetHour() const {
  struct tm p;
  return Parts(&p) ? p.tm_hour : -1;
}
int COleDateTime::GetMinute() const {
  struct tm p;
  return Parts(&p) ? p.tm_min : -1;
}
int COleDateTime::GetSecond() const {
  struct tm p;
  return Parts(&p) ? p.tm_sec : -1;
}
int COleDateTime::GetDayOfWeek() const {
  struct tm p;
  return Parts(&p) ? p.tm_wday + 1 : -1;
}
int COleDateTime::GetDayOfYear() const {
  struct tm p;
  return Parts(&p) ? p.tm_yday + 1 : -1;
}

CString COleDateTime::Format(LPCTSTR format) const {
  struct tm parts;
  if (!Parts(&parts)) return CString();
  return format_tm(format, parts);
}

CTime CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

CTime::CTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm parts = {};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  m_time = std::mktime(&parts);
}

struct tm CTime::Local() const {
  struct tm parts = {};
  localtime_r(&m_time, &parts);
  return parts;
}

int CTime::GetYear() const { return Local().tm_year + 1900; }
int CTime::GetMonth() const { return Local().tm_mon + 1; }
int CTime::GetDay() const { return Local().tm_mday; }
int CTime::GetHour() const { return Local().tm_hour; }
int CTime::GetMinute() const { return Local().tm_min; }
int CTime::GetSecond() const { return Local().tm_sec; }
int CTime::GetDayOfWeek() const { return Local().tm_wday + 1; }
CString CTime::Format(LPCTSTR format) const { return format_tm(format, Local()); }
