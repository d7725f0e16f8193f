#include "query/frontmatter_fields.h"

namespace lorewood {

namespace {

const YamlValue* field(const ExtraMap& extra, std::string_view key) {
  auto found = extra.find(std::string(key));
  return found == extra.end() ? nullptr : &found->second.untagged();
}

}  // namespace

bool is_suppressed(const ExtraMap& extra) {
  const YamlValue* value = field(extra, "suppressed");
  return value != nullptr && value->kind() == YamlValue::Kind::Bool && value->as_bool();
}

const std::string* string_field(const ExtraMap& extra, std::string_view key) {
  const YamlValue* value = field(extra, key);
  return value != nullptr && value->is_string() ? &value->as_string() : nullptr;
}

}  // namespace lorewood
