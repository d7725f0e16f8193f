#include "query/search_text.h"

#include <algorithm>
#include <vector>

namespace lorewood {

namespace {

// The text of a value that is not split further: a scalar, or an empty
// sequence or mapping (which gives the empty text).
void append_leaf(const YamlValue& value, std::string& out) {
  switch (value.kind()) {
    case YamlValue::Kind::Bool:
      out += value.as_bool() ? "true" : "false";
      break;
    case YamlValue::Kind::Int:
      out += std::to_string(value.as_int());
      break;
    case YamlValue::Kind::UInt:
      out += std::to_string(value.as_uint());
      break;
    case YamlValue::Kind::Float:
      out += format_yaml_float(value.as_float());
      break;
    case YamlValue::Kind::String:
      out += value.as_string();
      break;
    default:  // null, empty containers
      break;
  }
}

}  // namespace

bool is_leaf(const YamlValue& value) {
  if (value.is_sequence()) return value.as_sequence().empty();
  if (value.is_mapping()) return value.as_mapping().empty();
  return true;
}

// Joining nested parts with single spaces is the same as joining the leaves of
// the value in pre-order (mapping entries as key, then value), where an empty
// container counts as one empty leaf. The walk below does exactly that.
std::string value_to_search_text(const YamlValue& value) {
  std::string out;
  value_to_search_text(value, out);
  return out;
}

void value_to_search_text(const YamlValue& value, std::string& out) {
  out.clear();
  const YamlValue& top = value.untagged();
  if (is_leaf(top)) return append_leaf(top, out);
  // Fast path for the common flat sequence (a list of tags): no walk needed.
  if (top.is_sequence() && std::all_of(top.as_sequence().begin(), top.as_sequence().end(),
                                       [](const YamlValue& v) { return is_leaf(v.untagged()); })) {
    bool first = true;
    for (const YamlValue& item : top.as_sequence()) {
      if (!first) out += ' ';
      first = false;
      append_leaf(item.untagged(), out);
    }
    return;
  }
  std::vector<const YamlValue*> pending{&top};
  bool first = true;
  while (!pending.empty()) {
    const YamlValue& v = *pending.back();
    pending.pop_back();
    if (v.is_sequence() && !v.as_sequence().empty()) {
      const YamlSequence& items = v.as_sequence();
      for (auto it = items.rbegin(); it != items.rend(); ++it) pending.push_back(&it->untagged());
      continue;
    }
    if (v.is_mapping() && !v.as_mapping().empty()) {
      const YamlMapping& entries = v.as_mapping();
      for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        pending.push_back(&it->second.untagged());
        pending.push_back(&it->first.untagged());
      }
      continue;
    }
    if (!first) out += ' ';
    first = false;
    append_leaf(v, out);
  }
}

}  // namespace lorewood
