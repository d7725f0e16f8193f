// Tags of a node and the tag filter of the searches.
//
//   TagFilter filter({"Research"});
//   bool keep = filter.matches(entry.metadata.extra);   // tags [research, notes]
//
// A node's tags are read from its frontmatter key "tags": a sequence gives its
// string elements (each untagged first), a plain string is one tag, anything
// else (the top-level value tagged included) gives none. Required tags all have
// to be present; tags compare equal after folding ASCII letters.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "node/yaml_value.h"

namespace lorewood {

// The tags carried by the value stored under "tags", in sequence order. The
// value itself is examined without untagging it.
std::vector<std::string> tags_from_value(const YamlValue& value);

// True when every tag of `required` is among the tags of `extra` (an empty list
// requires nothing and looks at nothing).
bool tags_match(const std::map<std::string, YamlValue>& extra,
                const std::vector<std::string>& required);

// The required tags of one search, folded once and tested against many nodes.
class TagFilter {
 public:
  explicit TagFilter(const std::vector<std::string>& required);

  // Same answer as tags_match(extra, required), without copying node tags.
  bool matches(const std::map<std::string, YamlValue>& extra) const;

 private:
  std::vector<std::string> folded_;
};

}  // namespace lorewood
