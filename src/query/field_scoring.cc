#include "query/field_scoring.h"

#include <algorithm>
#include <limits>

#include "query/search_text.h"

namespace lorewood {

std::int32_t score_text(std::string_view text, std::string_view lowered_query, std::int32_t weight,
                        std::string_view label, std::vector<std::string>& matched) {
  if (!FoldedPattern(std::string(lowered_query)).found_in(text)) return 0;
  matched.emplace_back(label);
  return weight;
}

void FieldScorer::add(std::string_view text, std::int32_t weight, std::uint8_t label) {
  if (!query_.found_in(text)) return;
  total_ += weight;
  labels_ |= label;
}

void FieldScorer::add_value(const YamlValue& value) {
  const YamlValue& plain = value.untagged();
  if (plain.is_string()) return add(plain.as_string(), kFrontmatterWeight, kLabelFrontmatter);
  value_to_search_text(plain, scratch_);
  add(scratch_, kFrontmatterWeight, kLabelFrontmatter);
}

FieldScore FieldScorer::score(std::string_view id, const NodeIndexEntry& entry) {
  total_ = 0;
  labels_ = 0;
  add(id, kIdWeight, kLabelId);
  add(entry.metadata.node_type, kTypeWeight, kLabelType);
  if (entry.body) add(*entry.body, kBodyWeight, kLabelBody);
  for (const std::string& link : entry.metadata.links) add(link, kLinkWeight, kLabelLinks);
  for (const auto& [key, value] : entry.metadata.extra) {
    add(key, kFrontmatterWeight, kLabelFrontmatter);
    add_value(value);
  }
  // Saturates rather than overflows (only a huge frontmatter could get there).
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return FieldScore{static_cast<std::int32_t>(std::min(total_, kMax)), labels_};
}

std::vector<std::string> label_names(std::uint8_t labels) {
  // Already in ascending byte order.
  static constexpr std::pair<std::uint8_t, std::string_view> kNames[] = {
      {kLabelBody, "body"}, {kLabelFrontmatter, "frontmatter"}, {kLabelId, "id"},
      {kLabelLinks, "links"}, {kLabelType, "type"}};
  std::vector<std::string> names;
  for (const auto& [bit, name] : kNames)
    if (labels & bit) names.emplace_back(name);
  return names;
}

}  // namespace lorewood
