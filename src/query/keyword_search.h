// Keyword search: every node that mentions a text, ranked by the fields that
// mention it, with filters on type, suppression, tags and modification time.
//
//   QueryOptions options;
//   options.query = "deploy";
//   options.tags = {"ops"};
//   std::vector<SearchResult> hits = search_index(index, options);
//
// A full scan of the index on every call. Scores are sums of fixed field
// weights (field_scoring.h); the empty query keeps every node that passes the
// filters with score 1 and the one label "all". Results are ordered by score
// (highest first), then modification time (newest first, unknown last), then
// id, and cut to the limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "index/graph_index.h"

namespace lorewood {

struct QueryOptions {
  // Absent behaves as the empty query. Not trimmed.
  std::optional<std::string> query;
  // Only nodes of exactly this type (when present).
  std::optional<std::string> node_type;
  // Tags every result must carry (tags.h); empty filters nothing.
  std::vector<std::string> tags;
  bool include_suppressed = false;
  // The most results returned; 0 means 50.
  std::uint64_t limit = 0;
  // Only nodes whose file was modified strictly after this time (when present).
  std::optional<std::int64_t> modified_since_unix;
};

inline constexpr std::uint64_t kDefaultSearchLimit = 50;

struct SearchResult {
  std::string id;
  std::string node_type;
  std::string relative_path;  // display form of the path
  std::int32_t score = 0;
  // Labels of the matching fields, ascending, each once: "body",
  // "frontmatter", "id", "links", "type"; or "all" for the empty query.
  std::vector<std::string> matched;
  std::string summary;
  std::optional<std::int64_t> modified_unix;

  bool operator==(const SearchResult&) const = default;
};

// Filters, scores, orders and cuts as described above. Never fails: a file
// whose time cannot be read has no time (and fails a time filter).
std::vector<SearchResult> search_index(const GraphIndex& index, const QueryOptions& options);

}  // namespace lorewood
