#include "query/keyword_search.h"

#include <algorithm>

#include "error/display_path.h"
#include "query/field_scoring.h"
#include "query/folded_text.h"
#include "query/frontmatter_fields.h"
#include "query/modified_time.h"
#include "query/result_order.h"
#include "query/tags.h"

namespace lorewood {

namespace {

struct Candidate {
  const std::string* id;
  const NodeIndexEntry* entry;
  FieldScore fields;
  std::optional<std::int64_t> modified;
};

bool ranks_before(const Candidate& a, const Candidate& b) {
  if (a.fields.score != b.fields.score) return a.fields.score > b.fields.score;
  return newer_then_id_before(a.modified, *a.id, b.modified, *b.id);
}

// The filters that need no file system, in their fixed order.
class EntryFilter {
 public:
  explicit EntryFilter(const QueryOptions& options) : options_(options), tags_(options.tags) {}

  bool passes(const NodeIndexEntry& entry) const {
    if (options_.node_type && entry.metadata.node_type != *options_.node_type) return false;
    if (!options_.include_suppressed && is_suppressed(entry.metadata.extra)) return false;
    return tags_.matches(entry.metadata.extra);
  }

 private:
  const QueryOptions& options_;
  TagFilter tags_;
};

SearchResult to_result(const Candidate& c, bool empty_query) {
  return SearchResult{
      .id = *c.id,
      .node_type = c.entry->metadata.node_type,
      .relative_path = display_path(c.entry->relative_path),
      .score = c.fields.score,
      .matched = empty_query ? std::vector<std::string>{"all"} : label_names(c.fields.labels),
      .summary = c.entry->summary,
      .modified_unix = c.modified,
  };
}

}  // namespace

std::vector<SearchResult> search_index(const GraphIndex& index, const QueryOptions& options) {
  const FoldedPattern query(fold_ascii(options.query.value_or("")));
  const std::uint64_t limit = options.limit == 0 ? kDefaultSearchLimit : options.limit;
  const EntryFilter filter(options);
  FieldScorer scorer(query);
  const ModifiedTimeReader modified_time(index.root_path());

  // Scoring runs before the time is read: both only drop entries, so the order
  // does not change the outcome, and a time is then read for hits only.
  std::vector<Candidate> candidates;
  for (const auto& [id, entry] : index.entries()) {
    if (!filter.passes(entry)) continue;
    FieldScore fields{1, 0};
    if (!query.empty()) {
      fields = scorer.score(id, entry);
      if (fields.score <= 0) continue;
    }
    std::optional<std::int64_t> modified = modified_time(entry.relative_path);
    if (options.modified_since_unix && !(modified && *modified > *options.modified_since_unix))
      continue;
    candidates.push_back(Candidate{&id, &entry, fields, modified});
  }

  std::size_t kept = keep_first(candidates, limit, ranks_before);
  std::vector<SearchResult> results;
  results.reserve(kept);
  for (std::size_t k = 0; k < kept; ++k) results.push_back(to_result(candidates[k], query.empty()));
  return results;
}

}  // namespace lorewood
