#pragma once
// One date and time in the platform's standard form: a double counting whole days since
// 1899-12-30, with the time of day as the fraction. Each component reads and writes on its own.

#include <cstdint>

namespace tov {

struct DateTimeParts {
  std::int32_t year = 1899;
  std::uint8_t month = 12;
  std::uint8_t day = 30;
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint16_t millisecond = 0;

  friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

// The standard value of a date and time; EConvertError for an impossible one (years 1 to
// 9999, the platform's calendar range).
double encodeDateTime(const DateTimeParts& parts);
DateTimeParts decodeDateTime(double value);
// This moment in local time, to the millisecond.
double currentDateTime();

class TDateTimeValue {
 public:
  TDateTimeValue();  // 1990-01-01 00:00:00.000

  double Value() const { return value_; }
  void setValue(double value) { value_ = value; }
  void Assign(const TDateTimeValue& source) { value_ = source.value_; }

  std::uint8_t Day() const { return parts().day; }
  std::uint8_t Month() const { return parts().month; }
  std::int32_t Year() const { return parts().year; }
  std::uint8_t Hour() const { return parts().hour; }
  std::uint8_t Minute() const { return parts().minute; }
  std::uint8_t Second() const { return parts().second; }

  // A new date with this component replaced, and the time of day without its milliseconds.
  void setDay(std::uint8_t day);
  void setMonth(std::uint8_t month);
  void setYear(std::int32_t year);
  // A new time of day with this component replaced; date and milliseconds are kept.
  void setHour(std::uint8_t hour);
  void setMinute(std::uint8_t minute);
  void setSecond(std::uint8_t second);
  // Every setter raises EConvertError for an impossible date or time and then leaves the
  // value as it was; an equal component changes nothing.

 private:
  DateTimeParts parts() const { return decodeDateTime(value_); }
  void setDatePart(DateTimeParts changed);
  void setTimePart(DateTimeParts changed);

  double value_;
};

}  // namespace tov
