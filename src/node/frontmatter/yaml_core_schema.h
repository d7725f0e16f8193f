// Plain-scalar resolution by the YAML 1.2 core schema.
//
// An untagged plain scalar is null, a boolean, an integer or a float when its
// text has one of those forms, and a string otherwise:
//
//   null    ~  null  Null  NULL  (and the empty scalar)
//   bool    true True TRUE false False FALSE
//   int     [-+]?[0-9]+   [-+]?0o[0-7]+   [-+]?0x[0-9a-fA-F]+
//   float   [-+]?(\.[0-9]+|[0-9]+(\.[0-9]*)?)([eE][-+]?[0-9]+)?
//           [-+]?(\.inf|\.Inf|\.INF)   \.nan|\.NaN|\.NAN
//
// A sign is accepted in front of the 0o and 0x forms as well. Integers above
// the signed 64-bit maximum are kept unsigned up to the unsigned 64-bit maximum.
// An integer literal outside both ranges resolves to a string that keeps its
// digits exactly: turning it into a float would silently lose digits, and
// refusing it would make a whole node unreadable over one metadata value.
#pragma once

#include <optional>
#include <string_view>

#include "node/yaml_value.h"

namespace lorewood {

// The non-string value a plain scalar resolves to, or nullopt for a string.
std::optional<YamlValue> resolve_core_scalar(std::string_view text);

// The value of `text` under an explicit standard tag; nullopt when the text
// does not have the tag's form (or, for !!int, its value is out of range).
std::optional<YamlValue> parse_core_null(std::string_view text);
std::optional<YamlValue> parse_core_bool(std::string_view text);
std::optional<YamlValue> parse_core_int(std::string_view text);
std::optional<YamlValue> parse_core_float(std::string_view text);

// True when `text` has the integer form but its value fits neither range.
bool is_out_of_range_core_int(std::string_view text);

}  // namespace lorewood
