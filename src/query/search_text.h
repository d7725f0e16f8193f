// The searchable text of a frontmatter value.
//
//   value_to_search_text(mapping {a: {b: 1}, c: [x, true]})  // "a b 1 c x true"
//
// Scalars give their text (null the empty text, booleans "true"/"false",
// numbers as the YAML writer prints them, strings unchanged); sequences and
// mappings give the texts of their parts joined with single spaces, a mapping
// entry as its key's text, a space and its value's text. Tag wrappers are
// removed at every level. An empty sequence or mapping gives the empty text.
#pragma once

#include <string>

#include "node/yaml_value.h"

namespace lorewood {

// The searchable text of `value`. Never fails; works without recursion, so the
// depth of the value does not matter.
std::string value_to_search_text(const YamlValue& value);

// The same text written into `out` (replacing its content), so that a caller
// scoring many values can reuse one buffer.
void value_to_search_text(const YamlValue& value, std::string& out);

}  // namespace lorewood
