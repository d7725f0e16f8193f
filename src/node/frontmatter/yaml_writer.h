// YAML writer: a node's frontmatter record, or any YamlValue, as YAML text in
// block style, written with libyaml's emitter.
//
// Every string reads back as the same string through this system's reader and
// through YAML 1.1 readers (PyYAML safe_load):
//   - a string with a line feed is written as a literal block ("|-"), unless a
//     literal block cannot carry it exactly once the frontmatter is trimmed
//     (a trailing line break or white space, a leading space or line break, a
//     carriage return or other line-break character); those are written
//     double-quoted with escapes;
//   - a string that a reader would take for null, a boolean, a number, a date
//     or a merge key (yaml_lookalikes.h), or that begins or ends with white
//     space, is written single-quoted;
//   - any other string is written plain where YAML allows, quoted otherwise.
// Mapping keys follow the same rules. Floats always carry a decimal point
// ("1.0", "1.0e+20", ".inf"), so that both kinds of reader see floats.
#pragma once

#include <expected>
#include <string>

#include "node/node.h"
#include "node/yaml_value.h"

namespace lorewood {

// The frontmatter as a block mapping: "id", "type", "source" (when present),
// "links" (when not empty), then the extra entries in key order. Fails with
// the writer's description (an extra key that names one of the record's
// fields, text that is not UTF-8, nesting deeper than the reader accepts).
std::expected<std::string, std::string> write_frontmatter_yaml(const NodeMetadata& metadata);

// One YAML document holding `value`, in block style.
std::expected<std::string, std::string> write_yaml(const YamlValue& value);

}  // namespace lorewood
