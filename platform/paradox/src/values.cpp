// BCD conversion, date and time decoding, and the engine's date and time
// formats.
#include <charconv>
#include <cstring>

#include "engine_state.h"

namespace dvparadox {
namespace {

constexpr long kSerialDayOfDayZero = 1721425;    // serial day number of the day before 1 January of year 1
constexpr std::uint32_t kMillisecondsPerDay = 86400000;

}  // namespace

Result BcdToDouble(const BcdValue* bcd, double* value) {
  if (!bcd || !value) return Fail(kErrInvalidParameter, "no BCD value");
  const char* begin = bcd->text;
  const char* end = begin + std::strlen(begin);
  if (*begin == '+') ++begin;
  double parsed = 0;
  auto [stop, error] = std::from_chars(begin, end, parsed);
  if (error != std::errc() || stop != end) return Fail(kErrInvalidParameter, std::string("BCD text ") + bcd->text);
  *value = parsed;
  return Succeed();
}

Result DateDecode(std::int32_t date, std::uint16_t* month, std::uint16_t* day, std::int16_t* year) {
  if (!month || !day || !year) return Fail(kErrInvalidParameter, "no place for the date parts");
  if (date <= 0) return Fail(kErrInvalidParameter, "date " + std::to_string(date));
  int y = 0, m = 0, d = 0;
  PX_SdnToGregorian(static_cast<long>(date) + kSerialDayOfDayZero, &y, &m, &d);
  if (y <= 0 || y > 9999) return Fail(kErrInvalidParameter, "date " + std::to_string(date));
  *month = static_cast<std::uint16_t>(m);
  *day = static_cast<std::uint16_t>(d);
  *year = static_cast<std::int16_t>(y);
  return Succeed();
}

Result TimeDecode(std::uint32_t time, std::uint16_t* hour, std::uint16_t* minute, std::uint16_t* millisecond) {
  if (!hour || !minute || !millisecond) return Fail(kErrInvalidParameter, "no place for the time parts");
  if (time >= kMillisecondsPerDay) return Fail(kErrInvalidParameter, "time " + std::to_string(time));
  *hour = static_cast<std::uint16_t>(time / 3600000);
  *minute = static_cast<std::uint16_t>(time / 60000 % 60);
  *millisecond = static_cast<std::uint16_t>(time % 60000);
  return Succeed();
}

Result GetDateFormat(DateFormat* format) {
  if (Result r = CheckRunning()) return r;
  if (!format) return Fail(kErrInvalidParameter, "no place for the date format");
  *format = DateFormat{DateOrder::kMonthDayYear, "/", true, true, true};
  return Succeed();
}

Result GetTimeFormat(TimeFormat* format) {
  if (Result r = CheckRunning()) return r;
  if (!format) return Fail(kErrInvalidParameter, "no place for the time format");
  *format = TimeFormat{':', false, "AM", "PM", true, false};
  return Succeed();
}

}  // namespace dvparadox
