// TDateTimeValue: the standard value of a date, the component setters (milliseconds dropped by
// a date change, kept by a time change), and impossible dates and times.

#include "components/datetimevalue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <ostream>
#include <string>

#include "platform/errors.h"

namespace tov {

// For GoogleTest's messages, found beside the type.
void PrintTo(const DateTimeParts& p, std::ostream* out) {
  *out << p.year << "-" << int(p.month) << "-" << int(p.day) << " " << int(p.hour) << ":"
       << int(p.minute) << ":" << int(p.second) << "." << p.millisecond;
}

namespace {

DateTimeParts partsOf(const TDateTimeValue& value) { return decodeDateTime(value.Value()); }

TDateTimeValue valueOf(const DateTimeParts& parts) {
  TDateTimeValue value;
  value.setValue(encodeDateTime(parts));
  return value;
}

TEST(DateTimeValue, StandardValues) {
  struct Case {
    DateTimeParts parts;
    double value;
  };
  for (const Case& c : {Case{{1899, 12, 30, 0, 0, 0, 0}, 0.0}, Case{{1900, 1, 1, 0, 0, 0, 0}, 2.0},
                        Case{{1990, 1, 1, 0, 0, 0, 0}, 32874.0}, Case{{1899, 12, 29, 6, 0, 0, 0}, -1.25},
                        Case{{2000, 2, 29, 18, 0, 0, 0}, 36585.75}, Case{{1, 1, 1, 0, 0, 0, 0}, -693593.0}}) {
    EXPECT_DOUBLE_EQ(encodeDateTime(c.parts), c.value);
    EXPECT_EQ(decodeDateTime(c.value), c.parts);
  }
  EXPECT_EQ(partsOf(TDateTimeValue()), (DateTimeParts{1990, 1, 1, 0, 0, 0, 0}));
}

TEST(DateTimeValue, EveryMillisecondOfADayReadsBack) {
  for (std::int64_t ms = 0; ms < 86'400'000; ms += 997) {
    const DateTimeParts parts{2024, 3, 31, std::uint8_t(ms / 3'600'000), std::uint8_t(ms / 60'000 % 60),
                              std::uint8_t(ms / 1000 % 60), std::uint16_t(ms % 1000)};
    ASSERT_EQ(decodeDateTime(encodeDateTime(parts)), parts);
  }
}

struct SetterCase {
  const char* name;
  friend void PrintTo(const SetterCase& c, std::ostream* out) { *out << c.name; }
  std::function<void(TDateTimeValue&)> set;
  DateTimeParts expected;
};

class DateTimeSetters : public ::testing::TestWithParam<SetterCase> {};

// From 1990-01-01 10:20:30.400.
TEST_P(DateTimeSetters, ChangeOneComponent) {
  TDateTimeValue value = valueOf({1990, 1, 1, 10, 20, 30, 400});
  GetParam().set(value);
  EXPECT_EQ(partsOf(value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateTimeSetters,
    ::testing::Values(
        SetterCase{"DayDropsMilliseconds", [](TDateTimeValue& v) { v.setDay(15); }, {1990, 1, 15, 10, 20, 30, 0}},
        SetterCase{"MonthDropsMilliseconds", [](TDateTimeValue& v) { v.setMonth(2); }, {1990, 2, 1, 10, 20, 30, 0}},
        SetterCase{"YearDropsMilliseconds", [](TDateTimeValue& v) { v.setYear(2030); }, {2030, 1, 1, 10, 20, 30, 0}},
        SetterCase{"MinuteKeepsMilliseconds", [](TDateTimeValue& v) { v.setMinute(5); }, {1990, 1, 1, 10, 5, 30, 400}},
        SetterCase{"HourKeepsMilliseconds", [](TDateTimeValue& v) { v.setHour(0); }, {1990, 1, 1, 0, 20, 30, 400}},
        SetterCase{"SecondKeepsMilliseconds", [](TDateTimeValue& v) { v.setSecond(59); }, {1990, 1, 1, 10, 20, 59, 400}},
        SetterCase{"EqualDayChangesNothing", [](TDateTimeValue& v) { v.setDay(1); }, {1990, 1, 1, 10, 20, 30, 400}},
        SetterCase{"EqualYearChangesNothing", [](TDateTimeValue& v) { v.setYear(1990); }, {1990, 1, 1, 10, 20, 30, 400}},
        SetterCase{"YearBeforeDayZero", [](TDateTimeValue& v) { v.setYear(1850); }, {1850, 1, 1, 10, 20, 30, 0}}),
    [](const ::testing::TestParamInfo<SetterCase>& info) { return std::string(info.param.name); });

struct ImpossibleCase {
  const char* name;
  friend void PrintTo(const ImpossibleCase& c, std::ostream* out) { *out << c.name; }
  DateTimeParts from;
  std::function<void(TDateTimeValue&)> set;
  const char* message;
};

class ImpossibleDateTimes : public ::testing::TestWithParam<ImpossibleCase> {};

TEST_P(ImpossibleDateTimes, RaiseTheConversionErrorAndChangeNothing) {
  TDateTimeValue value = valueOf(GetParam().from);
  try {
    GetParam().set(value);
    FAIL() << "accepted";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
  EXPECT_EQ(partsOf(value), GetParam().from);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ImpossibleDateTimes,
    ::testing::Values(
        ImpossibleCase{"April31", {1990, 4, 1, 1, 2, 3, 4}, [](TDateTimeValue& v) { v.setDay(31); },
                       "Invalid argument to date encode: 1990-4-31"},
        ImpossibleCase{"MonthToApril", {1990, 1, 31, 1, 2, 3, 4}, [](TDateTimeValue& v) { v.setMonth(4); },
                       "Invalid argument to date encode: 1990-4-31"},
        ImpossibleCase{"LeapDayToCommonYear", {2000, 2, 29, 0, 0, 0, 0}, [](TDateTimeValue& v) { v.setYear(2001); },
                       "Invalid argument to date encode: 2001-2-29"},
        ImpossibleCase{"Month13", {1990, 1, 1, 0, 0, 0, 0}, [](TDateTimeValue& v) { v.setMonth(13); },
                       "Invalid argument to date encode: 1990-13-1"},
        ImpossibleCase{"Day0", {1990, 1, 1, 0, 0, 0, 1}, [](TDateTimeValue& v) { v.setDay(0); },
                       "Invalid argument to date encode: 1990-1-0"},
        ImpossibleCase{"Year0", {1990, 1, 1, 0, 0, 0, 0}, [](TDateTimeValue& v) { v.setYear(0); },
                       "Invalid argument to date encode: 0-1-1"},
        ImpossibleCase{"Year10000", {1990, 1, 1, 0, 0, 0, 0}, [](TDateTimeValue& v) { v.setYear(10000); },
                       "Invalid argument to date encode: 10000-1-1"},
        ImpossibleCase{"Hour24", {1990, 1, 1, 10, 20, 30, 400}, [](TDateTimeValue& v) { v.setHour(24); },
                       "Invalid argument to time encode: 24:20:30.400"},
        ImpossibleCase{"Minute60", {1990, 1, 1, 10, 20, 30, 400}, [](TDateTimeValue& v) { v.setMinute(60); },
                       "Invalid argument to time encode: 10:60:30.400"},
        ImpossibleCase{"Second255", {1990, 1, 1, 10, 20, 30, 400}, [](TDateTimeValue& v) { v.setSecond(255); },
                       "Invalid argument to time encode: 10:20:255.400"}),
    [](const ::testing::TestParamInfo<ImpossibleCase>& info) { return std::string(info.param.name); });

TEST(DateTimeValue, ValuesOutsideTheCalendarReadAsItsEnds) {
  EXPECT_EQ(decodeDateTime(1e300).year, 9999);
  EXPECT_EQ(decodeDateTime(-1e300).year, 1);
  EXPECT_EQ(decodeDateTime(std::nan("")), decodeDateTime(0));
}

// The standard value of this moment in UTC, shifted by offset.
double utcNowShiftedBy(std::chrono::hours offset) {
  using namespace std::chrono;
  const auto now = time_point_cast<milliseconds>(system_clock::now()) + offset;
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  return encodeDateTime({int(date.year()), std::uint8_t(unsigned(date.month())), std::uint8_t(unsigned(date.day())),
                         std::uint8_t(time.hours().count()), std::uint8_t(time.minutes().count()),
                         std::uint8_t(time.seconds().count()), std::uint16_t(time.subseconds().count())});
}

// In a zone 14 hours ahead of UTC the clock reads the local time there: between two readings
// of UTC shifted by as much, taken before and after it.
TEST(DateTimeValue, TheClockReadsLocalTime) {
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  ::setenv("TZ", "AHEAD-14", 1);
  ::tzset();
  const double before = utcNowShiftedBy(std::chrono::hours(14));
  const double now = currentDateTime();
  const double after = utcNowShiftedBy(std::chrono::hours(14));
  if (saved)
    ::setenv("TZ", previous.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace tov
