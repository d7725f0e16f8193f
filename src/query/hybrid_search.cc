#include "query/hybrid_search.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>

#include "error/display_path.h"
#include "graph/adjacency.h"
#include "query/field_scoring.h"
#include "query/folded_text.h"
#include "query/frontmatter_fields.h"
#include "query/graph_closeness.h"
#include "query/modified_time.h"
#include "query/result_order.h"
#include "query/tags.h"
#include "query/time_value.h"

namespace lorewood {

namespace {

constexpr double kMinHalfLifeDays = 0.01;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kRecentThreshold = 0.5;

struct Signals {
  double lexical = 0, semantic = 0, graph = 0, recency = 0;
};

struct Candidate {
  const std::string* id;
  const NodeIndexEntry* entry;
  Signals signals;
  double score;
  std::optional<std::int64_t> modified;
};

std::int64_t reference_time(const HybridQueryOptions& options) {
  if (options.as_of_unix) return *options.as_of_unix;
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

double half_life_seconds(double days) {
  // Written so that a NaN falls to the minimum too.
  return (days >= kMinHalfLifeDays ? days : kMinHalfLifeDays) * kSecondsPerDay;
}

// Clamped to 0..1; a NaN stays a NaN.
double unit_clamp(double value) {
  if (value < 0.0) return 0.0;
  if (value > 1.0) return 1.0;
  return value;
}

double recency(std::optional<std::int64_t> modified, std::int64_t reference, double half_life) {
  if (!modified) return 0.0;
  // Computed wide: the reference time may be any 64-bit value.
  const __int128 age = static_cast<__int128>(reference) - *modified;
  if (age <= 0) return 1.0;
  return std::min(std::exp2(-static_cast<double>(age) / half_life), 1.0);
}

// A key whose signed order is the IEEE 754 totalOrder of the doubles.
std::int64_t total_order_key(double value) {
  auto bits = std::bit_cast<std::int64_t>(value);
  return bits ^ static_cast<std::int64_t>(static_cast<std::uint64_t>(bits >> 63) >> 1);
}

bool ranks_before(const Candidate& a, const Candidate& b) {
  std::int64_t ka = total_order_key(a.score), kb = total_order_key(b.score);
  if (ka != kb) return ka > kb;
  return newer_then_id_before(a.modified, *a.id, b.modified, *b.id);
}

// The filters, in their fixed order; none needs the file system.
class HybridFilter {
 public:
  HybridFilter(const HybridQueryOptions& options, const TextSet& superseded,
               std::int64_t reference)
      : options_(options), superseded_(superseded), tags_(options.tags), reference_(reference) {
    // A long list of types is hashed, so that the filter stays cheap per entry.
    if (options.node_types.size() > kLinearTypeLimit)
      type_set_.insert(options.node_types.begin(), options.node_types.end());
  }

  bool passes(const std::string& id, const NodeIndexEntry& entry) const {
    const ExtraMap& extra = entry.metadata.extra;
    return type_passes(entry.metadata.node_type) &&
           (options_.include_suppressed || !is_suppressed(extra)) &&
           (options_.include_superseded || !superseded_.contains(id)) && tags_.matches(extra) &&
           project_passes(extra) && valid_at_reference(extra);
  }

 private:
  bool type_passes(const std::string& type) const {
    const std::vector<std::string>& types = options_.node_types;
    if (types.empty()) return true;
    if (!type_set_.empty()) return type_set_.contains(type);
    return std::find(types.begin(), types.end(), type) != types.end();
  }

  // "project" decides when it holds a string, else "project_id"; a node with
  // neither is visible in every project.
  bool project_passes(const ExtraMap& extra) const {
    if (!options_.project) return true;
    const std::string* own = string_field(extra, "project");
    if (own == nullptr) own = string_field(extra, "project_id");
    return own == nullptr || *own == *options_.project;
  }

  bool valid_at_reference(const ExtraMap& extra) const {
    std::optional<std::int64_t> from = time_field(extra, "valid_from");
    if (from && *from > reference_) return false;
    std::optional<std::int64_t> until = time_field(extra, "valid_until");
    return !until || *until > reference_;
  }

  static std::optional<std::int64_t> time_field(const ExtraMap& extra, const char* key) {
    auto found = extra.find(key);
    if (found == extra.end()) return std::nullopt;
    return parse_time_value(found->second);
  }

  static constexpr std::size_t kLinearTypeLimit = 8;

  const HybridQueryOptions& options_;
  const TextSet& superseded_;
  TextSet type_set_;
  TagFilter tags_;
  std::int64_t reference_;
};

std::vector<std::string> reasons_for(const Signals& s) {
  std::vector<std::string> reasons;
  if (s.lexical > 0) reasons.emplace_back("lexical match");
  if (s.semantic > 0) reasons.emplace_back("semantic match");
  if (s.graph > 0) reasons.emplace_back("graph relationship");
  if (s.recency >= kRecentThreshold) reasons.emplace_back("recent memory");
  return reasons;
}

HybridSearchResult to_result(const Candidate& c) {
  const std::string* canonical = string_field(c.entry->metadata.extra, "canonical_id");
  return HybridSearchResult{
      .id = *c.id,
      .node_type = c.entry->metadata.node_type,
      .relative_path = display_path(c.entry->relative_path),
      .score = c.score,
      .signals = {{"graph", c.signals.graph},
                  {"lexical", c.signals.lexical},
                  {"recency", c.signals.recency},
                  {"semantic", c.signals.semantic}},
      .reasons = reasons_for(c.signals),
      .summary = c.entry->summary,
      .modified_unix = c.modified,
      .canonical_id = canonical != nullptr ? *canonical : *c.id,
  };
}

double semantic_signal(const HybridQueryOptions& options, const std::string& id) {
  if (options.semantic_scores.empty()) return 0.0;
  auto found = options.semantic_scores.find(id);
  return found == options.semantic_scores.end() ? 0.0 : unit_clamp(found->second);
}

}  // namespace

TextSet superseded_ids(const GraphIndex& index) {
  TextSet superseded;
  for (const auto& [id, entry] : index.entries())
    if (const std::string* target = string_field(entry.metadata.extra, "supersedes"))
      superseded.insert(*target);
  return superseded;
}

std::vector<HybridSearchResult> hybrid_search_index(const GraphIndex& index,
                                                    const HybridQueryOptions& options) {
  const std::int64_t reference = reference_time(options);
  const FoldedPattern query(fold_ascii(options.query.value_or("")));
  // Without seeds no node has a graph signal, so the graph is not built.
  const GraphAdjacency graph = options.seed_ids.empty() ? GraphAdjacency{} : adjacency(index);
  const GraphCloseness closeness = graph_closeness(graph, options.seed_ids);
  const TextSet superseded = superseded_ids(index);
  const double half_life = half_life_seconds(options.recency_half_life_days);
  const HybridFilter filter(options, superseded, reference);
  FieldScorer scorer(query);
  const ModifiedTimeReader modified_time(index.root_path());

  std::vector<Candidate> candidates;
  for (const auto& [id, entry] : index.entries()) {
    if (!filter.passes(id, entry)) continue;
    Signals s;
    s.semantic = semantic_signal(options, id);
    s.graph = closeness.size() == 0 ? 0.0 : closeness.value(id);
    // The keep rule of the empty query needs no time, so it runs first and
    // spares the file system the entries it drops.
    if (query.empty() && s.semantic == 0.0 && s.graph == 0.0) continue;
    if (!query.empty())
      s.lexical = unit_clamp(scorer.score(id, entry).score / static_cast<double>(kIdWeight));
    std::optional<std::int64_t> modified = modified_time(entry.relative_path);
    s.recency = recency(modified, reference, half_life);
    double score = s.lexical * options.lexical_weight + s.semantic * options.semantic_weight +
                   s.graph * options.graph_weight + s.recency * options.recency_weight;
    candidates.push_back(Candidate{&id, &entry, s, score, modified});
  }

  const std::uint64_t limit = options.limit == 0 ? kDefaultHybridLimit : options.limit;
  std::size_t kept = keep_first(candidates, limit, ranks_before);
  std::vector<HybridSearchResult> results;
  results.reserve(kept);
  for (std::size_t k = 0; k < kept; ++k) results.push_back(to_result(candidates[k]));
  return results;
}

}  // namespace lorewood
