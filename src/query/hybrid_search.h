// Hybrid search: ranks nodes by blending four signals, each between 0 and 1,
// into one explained score.
//
//   HybridQueryOptions options;
//   options.query = "deploy";
//   options.seed_ids = {"runbook"};
//   options.semantic_scores = {{"deploy-notes", 0.8}};
//   options.as_of_unix = now;
//   std::vector<HybridSearchResult> hits = hybrid_search_index(index, options);
//
// The signals: lexical (the keyword field score divided by 30, at most 1),
// semantic (the caller's score for the node, clamped to 0..1), graph (closeness
// to the seeds, graph_closeness.h) and recency (2^(-age / half-life) of the
// node file's modification time). Before scoring, nodes are filtered by type,
// suppression, supersession, tags, project and a validity window at the
// reference time. A non-empty query ranks every node that passes the filters;
// the empty query keeps only nodes with a semantic or graph signal.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "index/graph_index.h"
#include "platform/seeded_hash.h"

namespace lorewood {

struct HybridQueryOptions {
  // Absent behaves as the empty query. Not trimmed.
  std::optional<std::string> query;
  // When not empty, a node's type must equal one of these exactly.
  std::vector<std::string> node_types;
  // Tags every result must carry (tags.h).
  std::vector<std::string> tags;
  // When present: nodes of this project, or of no project.
  std::optional<std::string> project;
  // Nodes from which graph closeness is measured.
  std::vector<std::string> seed_ids;
  // Semantic similarity per node id, computed by the caller.
  TextMap<double> semantic_scores;
  bool include_suppressed = false;
  // When false, nodes that some node names in "supersedes" are left out.
  bool include_superseded = false;
  // The most results returned; 0 means 20.
  std::uint64_t limit = 20;
  // The reference time for validity and recency; absent means now.
  std::optional<std::int64_t> as_of_unix;
  // Age at which recency falls to one half; below 0.01 (or not a number)
  // counts as 0.01 days.
  double recency_half_life_days = 30.0;
  double lexical_weight = 0.45;
  double semantic_weight = 0.30;
  double graph_weight = 0.15;
  double recency_weight = 0.10;
};

inline constexpr std::uint64_t kDefaultHybridLimit = 20;

struct HybridSearchResult {
  std::string id;
  std::string node_type;
  std::string relative_path;  // display form of the path
  double score = 0.0;
  // Exactly "graph", "lexical", "recency", "semantic".
  std::map<std::string, double> signals;
  // In this order, each when it applies: "lexical match", "semantic match",
  // "graph relationship", "recent memory".
  std::vector<std::string> reasons;
  std::string summary;
  std::optional<std::int64_t> modified_unix;
  // The frontmatter "canonical_id" when it is a string, else the id.
  std::string canonical_id;
};

// Filters, scores, explains, orders (score descending by IEEE 754 totalOrder,
// then newest file, then id) and cuts to the limit. Never fails.
std::vector<HybridSearchResult> hybrid_search_index(const GraphIndex& index,
                                                    const HybridQueryOptions& options);

// The ids that some node names, as a string, under "supersedes".
TextSet superseded_ids(const GraphIndex& index);

}  // namespace lorewood
