#include "query/tags.h"

#include <algorithm>

#include "platform/seeded_hash.h"
#include "query/folded_text.h"

namespace lorewood {

namespace {

// Above this many (node tag, required tag) pairs, node tags are hashed.
constexpr std::size_t kPairwiseLimit = 256;

// Calls `visit` with each tag text of the "tags" value, in order.
template <typename Visit>
void for_each_tag(const YamlValue& value, Visit visit) {
  if (value.is_string()) {
    visit(value.as_string());
    return;
  }
  if (!value.is_sequence()) return;
  for (const YamlValue& item : value.as_sequence()) {
    const YamlValue& plain = item.untagged();
    if (plain.is_string()) visit(plain.as_string());
  }
}

}  // namespace

std::vector<std::string> tags_from_value(const YamlValue& value) {
  std::vector<std::string> tags;
  for_each_tag(value, [&](const std::string& tag) { tags.push_back(tag); });
  return tags;
}

bool tags_match(const std::map<std::string, YamlValue>& extra,
                const std::vector<std::string>& required) {
  if (required.empty()) return true;
  return TagFilter(required).matches(extra);
}

TagFilter::TagFilter(const std::vector<std::string>& required) {
  folded_.reserve(required.size());
  for (const std::string& tag : required) folded_.push_back(fold_ascii(tag));
}

bool TagFilter::matches(const std::map<std::string, YamlValue>& extra) const {
  if (folded_.empty()) return true;
  auto found = extra.find("tags");
  if (found == extra.end()) return false;
  std::vector<std::string_view> tags;
  for_each_tag(found->second, [&](const std::string& tag) { tags.push_back(tag); });
  if (tags.size() * folded_.size() <= kPairwiseLimit) {
    return std::all_of(folded_.begin(), folded_.end(), [&](const std::string& wanted) {
      return std::any_of(tags.begin(), tags.end(),
                         [&](std::string_view tag) { return equal_folded(tag, wanted); });
    });
  }
  // Many tags on both sides: one hashed pass instead of every pair.
  TextSet folded_tags;
  for (std::string_view tag : tags) folded_tags.insert(fold_ascii(tag));
  return std::all_of(folded_.begin(), folded_.end(),
                     [&](const std::string& wanted) { return folded_tags.contains(wanted); });
}

}  // namespace lorewood
