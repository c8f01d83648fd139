#include "components/datetimevalue.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/errors.h"

namespace tov {

namespace {

using namespace std::chrono;

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr sys_days kDayZero = year{1899} / December / 30;
constexpr double kFirstDay = double((sys_days{year{1} / January / 1} - kDayZero).count());
constexpr double kLastDay = double((sys_days{year{9999} / December / 31} - kDayZero).count());

bool dateIsValid(const DateTimeParts& p) {
  if (p.year < 1 || p.year > 9999) return false;
  return year_month_day{year{p.year}, month{p.month}, day{p.day}}.ok();
}

bool timeIsValid(const DateTimeParts& p) {
  return p.hour < 24 && p.minute < 60 && p.second < 60 && p.millisecond < 1000;
}

std::string dateText(const DateTimeParts& p) {
  char text[48];
  std::snprintf(text, sizeof text, "%d-%u-%u", int(p.year), unsigned(p.month), unsigned(p.day));
  return text;
}

std::string timeText(const DateTimeParts& p) {
  char text[48];
  std::snprintf(text, sizeof text, "%u:%u:%u.%u", unsigned(p.hour), unsigned(p.minute),
                unsigned(p.second), unsigned(p.millisecond));
  return text;
}

std::int64_t dayNumber(const DateTimeParts& p) {
  const sys_days date = year_month_day{year{p.year}, month{p.month}, day{p.day}};
  return (date - kDayZero).count();
}

std::int64_t msOfDay(const DateTimeParts& p) {
  return ((std::int64_t(p.hour) * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond;
}

// Days before day zero count down while their time of day still counts up: -1.25 is
// 1899-12-29 06:00. The fraction's sign follows the days' sign.
double combine(std::int64_t days, std::int64_t ms) {
  const double fraction = double(ms) / double(kMsPerDay);
  return days < 0 ? double(days) - fraction : double(days) + fraction;
}

}  // namespace

double encodeDateTime(const DateTimeParts& parts) {
  if (!dateIsValid(parts)) throw EConvertError(ErrorCode::InvalidDateEncode, dateText(parts));
  if (!timeIsValid(parts)) throw EConvertError(ErrorCode::InvalidTimeEncode, timeText(parts));
  return combine(dayNumber(parts), msOfDay(parts));
}

DateTimeParts decodeDateTime(double value) {
  // Values outside the calendar (set directly, never encoded) read as its nearest end.
  if (!std::isfinite(value)) value = 0;
  double wholeDays = std::clamp(std::trunc(value), kFirstDay, kLastDay);
  if (wholeDays != std::trunc(value)) value = wholeDays;
  // Rounded to the millisecond: a value read back from its double lands on the millisecond
  // it was made from.
  std::int64_t ms = std::llround(std::fabs(value - wholeDays) * double(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    wholeDays += value < 0 ? -1 : 1;
  }
  const year_month_day date{kDayZero + days{std::int64_t(wholeDays)}};
  DateTimeParts parts;
  parts.year = std::int32_t(int(date.year()));
  parts.month = std::uint8_t(unsigned(date.month()));
  parts.day = std::uint8_t(unsigned(date.day()));
  parts.millisecond = std::uint16_t(ms % 1000);
  parts.second = std::uint8_t(ms / 1000 % 60);
  parts.minute = std::uint8_t(ms / 60'000 % 60);
  parts.hour = std::uint8_t(ms / 3'600'000);
  return parts;
}

double currentDateTime() {
  const auto now = time_point_cast<milliseconds>(system_clock::now());
  const std::time_t wholeSeconds = system_clock::to_time_t(now);
  // The C library's local time: the compilers this builds with have no time zones in
  // <chrono> yet. Its result lies in a buffer that every caller shares, so it is copied at
  // once; the clock is read on the user-interface thread only.
  const std::tm* local = std::localtime(&wholeSeconds);
  if (!local) return encodeDateTime(DateTimeParts{});
  const std::tm fields = *local;
  DateTimeParts parts;
  parts.year = fields.tm_year + 1900;
  parts.month = std::uint8_t(fields.tm_mon + 1);
  parts.day = std::uint8_t(fields.tm_mday);
  parts.hour = std::uint8_t(fields.tm_hour);
  parts.minute = std::uint8_t(fields.tm_min);
  // A leap second reads as the last second of its minute, as a clock without them shows it.
  parts.second = std::uint8_t(std::min(fields.tm_sec, 59));
  parts.millisecond = std::uint16_t(now.time_since_epoch().count() % 1000);
  return encodeDateTime(parts);
}

// ---------------------------------------------------------------------------------------------
// TDateTimeValue

TDateTimeValue::TDateTimeValue() : value_(encodeDateTime(DateTimeParts{1990, 1, 1, 0, 0, 0, 0})) {}

void TDateTimeValue::setDatePart(DateTimeParts changed) {
  changed.millisecond = 0;
  value_ = encodeDateTime(changed);  // on a throw the value is untouched
}

void TDateTimeValue::setTimePart(DateTimeParts changed) { value_ = encodeDateTime(changed); }

void TDateTimeValue::setDay(std::uint8_t day) {
  DateTimeParts p = parts();
  if (p.day == day) return;
  p.day = day;
  setDatePart(p);
}

void TDateTimeValue::setMonth(std::uint8_t month) {
  DateTimeParts p = parts();
  if (p.month == month) return;
  p.month = month;
  setDatePart(p);
}

void TDateTimeValue::setYear(std::int32_t year) {
  DateTimeParts p = parts();
  if (p.year == year) return;
  p.year = year;
  setDatePart(p);
}

void TDateTimeValue::setHour(std::uint8_t hour) {
  DateTimeParts p = parts();
  if (p.hour == hour) return;
  p.hour = hour;
  setTimePart(p);
}

void TDateTimeValue::setMinute(std::uint8_t minute) {
  DateTimeParts p = parts();
  if (p.minute == minute) return;
  p.minute = minute;
  setTimePart(p);
}

void TDateTimeValue::setSecond(std::uint8_t second) {
  DateTimeParts p = parts();
  if (p.second == second) return;
  p.second = second;
  setTimePart(p);
}

}  // namespace tov
