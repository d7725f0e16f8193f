#include "graph/adjacency.h"

#include <algorithm>

#include "error/display_path.h"
#include "graph/link_resolver.h"

namespace lorewood {

GraphAdjacency::IdList GraphAdjacency::list(std::string_view id,
                                            const std::vector<std::uint32_t>& offsets,
                                            const std::vector<std::uint32_t>& items) const {
  auto position = table_.find(id);
  if (!position) return {};
  std::span<const std::uint32_t> all(items);
  return IdList(table_.ids().data(),
                all.subspan(offsets[*position], offsets[*position + 1] - offsets[*position]));
}

GraphAdjacency::IdList GraphAdjacency::outgoing(std::string_view id) const {
  return list(id, out_offsets_, out_targets_);
}

GraphAdjacency::IdList GraphAdjacency::incoming(std::string_view id) const {
  return list(id, in_offsets_, in_sources_);
}

std::span<const std::string> GraphAdjacency::unresolved(std::string_view id) const {
  auto position = table_.find(id);
  if (!position) return {};
  std::span<const std::string> all(unresolved_texts_);
  return all.subspan(unresolved_offsets_[*position],
                     unresolved_offsets_[*position + 1] - unresolved_offsets_[*position]);
}

namespace {

// Inverts the outgoing lists into incoming lists (a counting sort by target),
// each sorted by id text.
void invert(const std::vector<std::string>& ids, const std::vector<std::uint32_t>& out_offsets,
            const std::vector<std::uint32_t>& out_targets, std::vector<std::uint32_t>& in_offsets,
            std::vector<std::uint32_t>& in_sources) {
  const std::size_t n = ids.size();
  in_offsets.assign(n + 1, 0);
  for (std::uint32_t target : out_targets) ++in_offsets[target + 1];
  for (std::size_t k = 0; k < n; ++k) in_offsets[k + 1] += in_offsets[k];
  in_sources.resize(out_targets.size());
  std::vector<std::uint32_t> cursor(in_offsets.begin(), in_offsets.end() - 1);
  for (std::uint32_t source = 0; source < n; ++source)
    for (std::uint32_t e = out_offsets[source]; e < out_offsets[source + 1]; ++e)
      in_sources[cursor[out_targets[e]]++] = source;
  // Each source lists a target once, so the sorted lists have no repeats.
  auto by_id = [&ids](std::uint32_t a, std::uint32_t b) { return ids[a] < ids[b]; };
  for (std::size_t k = 0; k < n; ++k)
    std::sort(in_sources.begin() + in_offsets[k], in_sources.begin() + in_offsets[k + 1], by_id);
}

}  // namespace

GraphAdjacency adjacency(const GraphIndex& index) {
  GraphAdjacency graph;
  graph.table_ = IdTable(index);
  const std::string* base = graph.table_.ids().data();
  LinkResolver resolver(index, &graph.table_);
  const std::size_t n = index.size();
  graph.out_offsets_.reserve(n + 1);
  graph.unresolved_offsets_.reserve(n + 1);
  graph.out_offsets_.push_back(0);
  graph.unresolved_offsets_.push_back(0);
  // Positions follow the iteration order of the entries, as in the table.
  for (const auto& [id, entry] : index.entries()) {
    resolver.for_each_link(
        entry,
        [&](const std::string& target) {
          graph.out_targets_.push_back(static_cast<std::uint32_t>(&target - base));
        },
        [&](std::string_view text) { graph.unresolved_texts_.emplace_back(text); });
    graph.out_offsets_.push_back(static_cast<std::uint32_t>(graph.out_targets_.size()));
    graph.unresolved_offsets_.push_back(static_cast<std::uint32_t>(graph.unresolved_texts_.size()));
  }
  invert(graph.table_.ids(), graph.out_offsets_, graph.out_targets_, graph.in_offsets_,
         graph.in_sources_);
  return graph;
}

namespace {

// Whether `source` has a link that resolves to `id`, given the stem that names
// `id` (empty when none does). Mirrors LinkResolver for the one target.
bool links_to(const NodeIndexEntry& source, const GraphIndex& index, std::string_view id,
              std::string_view owned_stem) {
  auto names_id = [&](const std::string& text) {
    std::string_view trimmed = trim_unicode_whitespace(text);
    if (trimmed.empty()) return false;
    if (trimmed == id) return true;
    return !owned_stem.empty() && trimmed == owned_stem && !index.contains(trimmed);
  };
  return std::any_of(source.metadata.links.begin(), source.metadata.links.end(), names_id) ||
         std::any_of(source.wikilinks.begin(), source.wikilinks.end(), names_id);
}

// The stem that names `id`: its file stem, unless an entry met earlier in the
// index's iteration order has the same stem (or the stem is not valid UTF-8).
// A stem equal to the id itself adds nothing (the id resolves first), so the
// walk over the entries is skipped then.
std::string_view owned_stem(const GraphIndex& index, std::string_view id) {
  const NodeIndexEntry* own = index.entry(id);
  std::string_view stem = file_stem(own->relative_path);
  if (stem.empty() || stem == id || !is_valid_utf8(stem)) return {};
  for (const auto& [other_id, entry] : index.entries()) {
    if (&entry == own) return stem;
    if (file_stem(entry.relative_path) == stem) return {};
  }
  return {};
}

}  // namespace

Result<std::vector<std::string>> backlinks(const GraphIndex& index, std::string_view id) {
  if (!index.contains(id)) return fail(LorewoodError::node_not_found(std::string(id)));
  // An id spelled like an unresolved key can be hidden by the seen-set rule;
  // only the full walk reproduces that.
  if (id.starts_with(kUnresolvedKeyPrefix)) return adjacency(index).incoming(id).to_vector();
  std::string_view stem = owned_stem(index, id);
  std::vector<std::string> sources;
  for (const auto& [source_id, entry] : index.entries())
    if (links_to(entry, index, id, stem)) sources.push_back(source_id);
  std::sort(sources.begin(), sources.end());
  return sources;
}

}  // namespace lorewood
