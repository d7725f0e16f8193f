#include "query/time_value.h"

#include <gtest/gtest.h>

#include <limits>

namespace lorewood {
namespace {

constexpr std::int64_t kMay1Noon = 1714564800;  // 2024-05-01T12:00:00Z
constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

TEST(ParseTimeValue, IntegersAndDecimalStrings) {
  EXPECT_EQ(parse_time_value(YamlValue::integer(kMay1Noon)), kMay1Noon);
  EXPECT_EQ(parse_time_value(YamlValue::integer(kMin)), kMin);
  EXPECT_EQ(parse_time_value(YamlValue::tagged("!t", YamlValue::integer(-5))), -5);
  EXPECT_EQ(parse_time_value(YamlValue::unsigned_integer(1ull << 63)), std::nullopt);
  EXPECT_EQ(parse_time_value(YamlValue::floating(1714564800.0)), std::nullopt);
  const std::pair<std::string, std::optional<std::int64_t>> strings[] = {
      {"1714564800", kMay1Noon},
      {"+7", 7},
      {"-0", 0},
      {"007", 7},
      {"9223372036854775807", kMax},
      {"-9223372036854775808", kMin},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"--1", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"1_000", std::nullopt},
      {"0x10", std::nullopt},
      {"1e3", std::nullopt},
  };
  for (const auto& [text, expected] : strings)
    EXPECT_EQ(parse_time_value(YamlValue::string(text)), expected) << '"' << text << '"';
}

TEST(ParseTimeValue, OtherKindsGiveNoTime) {
  EXPECT_EQ(parse_time_value(YamlValue::null()), std::nullopt);
  EXPECT_EQ(parse_time_value(YamlValue::boolean(true)), std::nullopt);
  EXPECT_EQ(parse_time_value(YamlValue::sequence({YamlValue::integer(1)})), std::nullopt);
  EXPECT_EQ(parse_time_value(YamlValue::mapping({})), std::nullopt);
}

TEST(ParseRfc3339, AcceptsTheGrammarOnly) {
  const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
      {"2024-05-01T12:00:00Z", kMay1Noon},
      {"2024-05-01T14:00:00+02:00", kMay1Noon},
      {"2024-05-01T02:30:00-09:30", kMay1Noon},
      {"2024-05-01t12:00:00z", kMay1Noon},
      {"1970-01-01T00:00:00Z", 0},
      {"1970-01-01T00:00:00+00:01", -60},
      {"0000-01-01T00:00:00Z", -62167219200},
      {"9999-12-31T23:59:59Z", 253402300799},
      {"2024-02-29T00:00:00Z", 1709164800},
      {"2000-02-29T00:00:00Z", 951782400},
      // Fractions are dropped (towards the past, also before the epoch).
      {"2024-05-01T12:00:00.999999999999Z", kMay1Noon},
      {"1969-12-31T23:59:59.5Z", -1},
      // Not RFC 3339.
      {"2024-05-01", std::nullopt},
      {"2024-05-01T12:00:00", std::nullopt},
      {"2024-05-01T12:00Z", std::nullopt},
      {"2024-05-01 12:00:00Z", std::nullopt},
      {" 2024-05-01T12:00:00Z", std::nullopt},
      {"2024-05-01T12:00:00Z ", std::nullopt},
      {"2024-05-01T12:00:00.Z", std::nullopt},
      {"2024-05-01T12:00:00,5Z", std::nullopt},
      {"2024-05-01T12:00:00+0200", std::nullopt},
      {"2024-05-01T12:00:00+02", std::nullopt},
      {"2024-05-01T12:00:00UTC", std::nullopt},
      {"2024-5-01T12:00:00Z", std::nullopt},
      {"+2024-05-01T12:00:00Z", std::nullopt},
      {"12024-05-01T12:00:00Z", std::nullopt},
      {"2023-02-29T00:00:00Z", std::nullopt},
      {"1900-02-29T00:00:00Z", std::nullopt},
      {"2024-04-31T00:00:00Z", std::nullopt},
      {"2024-13-01T00:00:00Z", std::nullopt},
      {"2024-00-01T00:00:00Z", std::nullopt},
      {"2024-05-00T00:00:00Z", std::nullopt},
      {"2024-05-01T24:00:00Z", std::nullopt},
      {"2024-05-01T23:60:00Z", std::nullopt},
      {"2024-05-01T12:00:61Z", std::nullopt},
      {"2024-05-01T12:00:00+24:00", std::nullopt},
      {"2024-05-01T12:00:00+02:60", std::nullopt},
      {"2024-05-01T12:00:00Z\n", std::nullopt},
      {std::string("2024-05-01T12:00:00Z\0", 21), std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(parse_rfc3339(text), expected) << text;
  EXPECT_EQ(parse_time_value(YamlValue::string("2024-05-01T14:00:00+02:00")), kMay1Noon);
}

// Second 60 exists only as a leap second at the end of a UTC day; the whole
// seconds of such an instant are those of 23:59:59 (it does not roll over into
// the next day), whatever offset it is written with.
TEST(ParseRfc3339, LeapSecondCountsAsTheLastSecondOfTheDay) {
  const std::int64_t last_second_of_2016 = 1483228799;  // 2016-12-31T23:59:59Z
  EXPECT_EQ(parse_rfc3339("2016-12-31T23:59:60Z"), last_second_of_2016);
  EXPECT_EQ(parse_rfc3339("2016-12-31T23:59:60.5Z"), last_second_of_2016);
  EXPECT_EQ(parse_rfc3339("2016-12-31T15:59:60-08:00"), last_second_of_2016);
  EXPECT_EQ(parse_rfc3339("2017-01-01T00:59:60+01:00"), last_second_of_2016);
  EXPECT_EQ(parse_rfc3339("2016-12-31T23:58:60Z"), std::nullopt);
  EXPECT_EQ(parse_rfc3339("2016-12-31T23:59:60+01:00"), std::nullopt);
}

}  // namespace
}  // namespace lorewood
