// YAML reader: one YAML document, read with libyaml's event API, into a
// YamlValue tree.
//
// Plain scalars resolve by the YAML 1.2 core schema (yaml_core_schema.h);
// quoted and block scalars are strings. The standard tags !!str !!int !!float
// !!bool !!null !!seq !!map give plain values; any other tag gives a tagged
// value whose inner value resolves as if it were untagged. Aliases are expanded
// into copies. Hostile input fails with an error text, never with a stack
// overflow or unbounded memory: nesting depth and the amount of copied content
// are limited (constants below).
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include "node/yaml_value.h"

namespace lorewood {

// Deepest nesting of sequences and mappings accepted, counting the outermost
// collection as level 1.
inline constexpr std::size_t kYamlMaxDepth = 256;
// Anchored content is copied once when anchored and once per alias; these bound
// the total copied nodes and scalar bytes of one document.
inline constexpr std::size_t kYamlMaxCopiedNodes = 100000;
inline constexpr std::size_t kYamlMaxCopiedBytes = std::size_t{16} << 20;

// Where the text begins inside the file it was cut from (1-based), so that
// error positions name lines and columns of that file. The column applies to
// the text's first line only.
struct YamlTextOrigin {
  std::size_t line = 1;
  std::size_t column = 1;
};

// Reads `text` as at most one YAML document. An empty stream (no document,
// only blanks or comments) reads as null. On failure returns a one-line
// description ending in the position, such as
// "did not find expected key at line 3 column 5".
std::expected<YamlValue, std::string> parse_yaml(std::string_view text,
                                                 YamlTextOrigin origin = {});

}  // namespace lorewood
