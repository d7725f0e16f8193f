// Frontmatter entries that the searches interpret, each read after removing
// tag wrappers from its value.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "node/yaml_value.h"

namespace lorewood {

using ExtraMap = std::map<std::string, YamlValue>;

// True when "suppressed" holds the boolean true; any other value (false, the
// string "true", a number, null) or no entry at all is false.
bool is_suppressed(const ExtraMap& extra);

// The string under `key`, or nullptr when there is none or it is not a string.
const std::string* string_field(const ExtraMap& extra, std::string_view key);

}  // namespace lorewood
