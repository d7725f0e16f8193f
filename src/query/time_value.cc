#include "query/time_value.h"

#include <charconv>
#include <limits>

namespace lorewood {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `width` digits at `text[at]`; advances `at` on success.
std::optional<int> read_digits(std::string_view text, std::size_t& at, std::size_t width) {
  if (at + width > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t k = 0; k < width; ++k) {
    char c = text[at + k];
    if (!is_digit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  at += width;
  return value;
}

bool read_char(std::string_view text, std::size_t& at, char lower, char upper) {
  if (at >= text.size() || (text[at] != lower && text[at] != upper)) return false;
  ++at;
  return true;
}

bool read_char(std::string_view text, std::size_t& at, char c) { return read_char(text, at, c, c); }

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given proleptic Gregorian date.
std::int64_t days_from_civil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t year_of_era = y - era * 400;
  const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct DateTime {
  int year, month, day, hour, minute, second;
  int offset_minutes;  // east of UTC
};

std::optional<DateTime> read_date_time(std::string_view text) {
  DateTime t{};
  std::size_t at = 0;
  auto number = [&](std::size_t width, int low, int high, int& out) {
    std::optional<int> value = read_digits(text, at, width);
    if (!value || *value < low || *value > high) return false;
    out = *value;
    return true;
  };
  if (!number(4, 0, 9999, t.year) || !read_char(text, at, '-') || !number(2, 1, 12, t.month) ||
      !read_char(text, at, '-') || !number(2, 1, days_in_month(t.year, t.month), t.day) ||
      !read_char(text, at, 't', 'T') || !number(2, 0, 23, t.hour) || !read_char(text, at, ':') ||
      !number(2, 0, 59, t.minute) || !read_char(text, at, ':') || !number(2, 0, 60, t.second))
    return std::nullopt;
  if (read_char(text, at, '.')) {
    std::size_t digits = at;
    while (at < text.size() && is_digit(text[at])) ++at;
    if (at == digits) return std::nullopt;
  }
  if (read_char(text, at, 'z', 'Z')) {
    t.offset_minutes = 0;
  } else {
    int sign = 0, hours = 0, minutes = 0;
    if (read_char(text, at, '+')) sign = 1;
    else if (read_char(text, at, '-')) sign = -1;
    else return std::nullopt;
    if (!number(2, 0, 23, hours) || !read_char(text, at, ':') || !number(2, 0, 59, minutes))
      return std::nullopt;
    t.offset_minutes = sign * (hours * 60 + minutes);
  }
  if (at != text.size()) return std::nullopt;
  return t;
}

// A decimal integer: optional sign, one or more digits, in the signed range.
std::optional<std::int64_t> parse_decimal(std::string_view text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  for (char c : digits)
    if (!is_digit(c)) return std::nullopt;
  // Parse the magnitude as unsigned so that the most negative value fits.
  std::uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  if (!negative) {
    if (magnitude > kMax) return std::nullopt;
    return static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > kMax + 1) return std::nullopt;
  return magnitude == kMax + 1 ? std::numeric_limits<std::int64_t>::min()
                               : -static_cast<std::int64_t>(magnitude);
}

}  // namespace

std::optional<std::int64_t> parse_rfc3339(std::string_view text) {
  std::optional<DateTime> t = read_date_time(text);
  if (!t) return std::nullopt;
  const std::int64_t local_minutes =
      days_from_civil(t->year, t->month, t->day) * 1440 + t->hour * 60 + t->minute;
  const std::int64_t utc_minutes = local_minutes - t->offset_minutes;
  int second = t->second;
  if (second == 60) {
    // A leap second ends a UTC day; elsewhere second 60 does not exist.
    const std::int64_t minute_of_day = ((utc_minutes % 1440) + 1440) % 1440;
    if (minute_of_day != 23 * 60 + 59) return std::nullopt;
    second = 59;
  }
  return utc_minutes * 60 + second;
}

std::optional<std::int64_t> parse_time_value(const YamlValue& value) {
  const YamlValue& plain = value.untagged();
  if (plain.kind() == YamlValue::Kind::Int) return plain.as_int();
  if (!plain.is_string()) return std::nullopt;
  const std::string& text = plain.as_string();
  if (std::optional<std::int64_t> seconds = parse_decimal(text)) return seconds;
  return parse_rfc3339(text);
}

}  // namespace lorewood
