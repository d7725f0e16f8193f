// Strings that a YAML reader would take for something else when written plain.
//
// Written node files are read back by this system (YAML 1.2 core schema) and
// by ordinary YAML 1.1 readers such as PyYAML's safe_load, so a string must be
// quoted when either would resolve its plain form to a non-string: null,
// booleans (1.1 also has yes/no/on/off/y/n), integers (1.1 also has 0b, leading
// zero octal, underscores and base-60 "12:30"), floats, dates and timestamps,
// and the 1.1 merge key "<<" and value key "=". Digit strings that form no
// number in either reader ("1.2.3", "08") are quoted too, to be safe against
// readers with other rules.
#pragma once

#include <string_view>

namespace lorewood {

// True when `text`, written as a plain scalar, might not read back as the
// string `text`.
bool plain_reads_as_non_string(std::string_view text);

}  // namespace lorewood
