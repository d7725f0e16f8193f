// Test helpers for YAML values and node records: readable gtest output.
#pragma once

#include <ostream>

#include "node/frontmatter/yaml_writer.h"
#include "node/node.h"
#include "node/yaml_value.h"

namespace lorewood {

// Prints a value as the YAML text the writer makes of it.
inline void PrintTo(const YamlValue& value, std::ostream* os) {
  auto text = write_yaml(value);
  *os << (text ? *text : "<unwritable: " + text.error() + ">");
}

// Prints a record as its frontmatter text.
inline void PrintTo(const NodeMetadata& metadata, std::ostream* os) {
  auto text = write_frontmatter_yaml(metadata);
  *os << "\n" << (text ? *text : "<unwritable: " + text.error() + ">");
}

}  // namespace lorewood
