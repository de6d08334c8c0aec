// COleDateTime (a day number and a status, 12 bytes, kept in shop records)
// and CTime (seconds since 1970, 4 bytes). Both read and give local time.
#pragma once

#include <ctime>

#include "fw_string.h"

class COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  // The current local date and time, to the second.
  static COleDateTime GetCurrentTime();

  COleDateTime() : m_dt(0), m_status(valid) {}
  COleDateTime(DATE value) : m_dt(value), m_status(valid) {}
  // Invalid (status invalid, value 0) outside years 100-9999 or for a date
  // or time that does not exist.
  COleDateTime(int year, int month, int day, int hour, int minute, int second);
  explicit COleDateTime(time_t seconds);

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }
  // 0 when set, 1 when the parts give no valid date-time (then invalid).
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  operator DATE() const { return m_dt; }

  // Parts of a valid value (-1 when it is not valid). Day of week: 1 Sunday.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  int GetDayOfYear() const;

  // strftime-style text of a valid value; empty when it is not valid.
  CString Format(LPCTSTR format) const;

  bool operator==(const COleDateTime& other) const { return m_status == other.m_status && m_dt == other.m_dt; }
  bool operator!=(const COleDateTime& other) const { return !(*this == other); }
  bool operator<(const COleDateTime& other) const { return m_dt < other.m_dt; }

  DATE m_dt;
  DateTimeStatus m_status;

 private:
  bool Parts(struct tm* parts) const;
};
static_assert(sizeof(COleDateTime) == 12, "a date-time is a day number and a status word");

class CTime {
 public:
  static CTime GetCurrentTime();

  CTime() : m_time(0) {}
  CTime(time_t seconds) : m_time(seconds) {}
  // Local time; daylight saving decided by the C library.
  CTime(int year, int month, int day, int hour, int minute, int second);

  time_t GetTime() const { return m_time; }
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  CString Format(LPCTSTR format) const;

  bool operator==(const CTime& other) const { return m_time == other.m_time; }
  bool operator<(const CTime& other) const { return m_time < other.m_time; }

 private:
  struct tm Local() const;
  time_t m_time;
};
static_assert(sizeof(CTime) == 4);
