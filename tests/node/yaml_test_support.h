// Test helpers for YAML values: readable gtest output.
#pragma once

#include <ostream>

#include "node/frontmatter/yaml_writer.h"
#include "node/yaml_value.h"

namespace lorewood {

// Prints a value as the YAML text the writer makes of it.
inline void PrintTo(const YamlValue& value, std::ostream* os) {
  auto text = write_yaml(value);
  *os << (text ? *text : "<unwritable: " + text.error() + ">");
}

}  // namespace lorewood
