// TOML text to configuration records, with the schema's shape rules: required
// keys, value types, enumeration names, unsigned ranges. Unknown keys are ignored.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "config/schema/lorewood_config.h"

namespace lorewood {

// The records of `text`, or the reader's description of the first problem
// (syntax, duplicate key, missing key, wrong type, bad enumeration name, integer
// out of range), naming its line and column.
std::expected<LorewoodConfig, std::string> parse_config_text(std::string_view text);

}  // namespace lorewood
