// Closeness in the link graph to a set of seed nodes, for hybrid search.
//
//   GraphAdjacency graph = adjacency(index);
//   GraphCloseness near = graph_closeness(graph, {"alpha"});
//   double g = near.value("beta");   // 0.75 when alpha and beta are linked
//
// A seed has 1.0; a node linked to or from a seed has 0.75; a node two links
// from a seed (in any directions, through any node) has 0.4; every other node
// has none (0). The order of the seeds does not matter. A seed that is not
// indexed still has 1.0 but no neighbours.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "graph/adjacency.h"
#include "platform/seeded_hash.h"

namespace lorewood {

inline constexpr double kSeedCloseness = 1.0;
inline constexpr double kNeighbourCloseness = 0.75;
inline constexpr double kSecondNeighbourCloseness = 0.4;

class GraphCloseness {
 public:
  // The closeness of `id`, 0 when it has none.
  double value(std::string_view id) const;
  std::size_t size() const { return values_.size(); }

 private:
  friend GraphCloseness graph_closeness(const GraphAdjacency& graph,
                                        const std::vector<std::string>& seed_ids);
  // Raises the value of `id` to at least `value`.
  void raise(std::string_view id, double value);

  // Keys view the seed ids and the adjacency's ids.
  std::unordered_map<std::string_view, double, SeededHash, TextEqual> values_;
};

// Closeness to `seed_ids`, which must outlive the result, as must `graph`.
// Each node is expanded at most once, so the cost is bounded by the number of
// links around the seeds however many seeds are given.
GraphCloseness graph_closeness(const GraphAdjacency& graph,
                               const std::vector<std::string>& seed_ids);

}  // namespace lorewood
