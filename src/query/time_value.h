// Frontmatter time values: the validity bounds "valid_from" and "valid_until".
//
//   parse_time_value(YamlValue::integer(1714564800))            // 1714564800
//   parse_time_value(YamlValue::string("1714564800"))           // 1714564800
//   parse_time_value(YamlValue::string("2024-05-01T14:00:00+02:00"))  // 1714564800
//   parse_time_value(YamlValue::string("2024-05-01"))           // nullopt
//
// Times are signed 64-bit whole seconds since the Unix epoch.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "node/yaml_value.h"

namespace lorewood {

// The time a value gives, after removing tag wrappers: a signed 64-bit integer;
// a string holding a decimal integer (optional sign, digits only, in range); or
// a string holding an RFC 3339 date-time (parse_rfc3339). Anything else
// (floats, larger integers, null, booleans, containers, other text) gives none.
std::optional<std::int64_t> parse_time_value(const YamlValue& value);

// An RFC 3339 date-time, exactly by its grammar: "YYYY-MM-DDTHH:MM:SS", an
// optional fraction ("." and one or more digits), then "Z" or "+HH:MM" /
// "-HH:MM". "T" and "Z" may be lower case. Nothing else is accepted: no space
// separator, no missing offset or seconds, no surrounding white space.
// Returns the instant in UTC as whole seconds: the fraction is dropped, which
// rounds towards the past. A leap second (second 60) is accepted only where the
// time is 23:59 in UTC, and counts as second 59 of that minute.
std::optional<std::int64_t> parse_rfc3339(std::string_view text);

}  // namespace lorewood
