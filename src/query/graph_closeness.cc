#include "query/graph_closeness.h"

#include <algorithm>

namespace lorewood {

double GraphCloseness::value(std::string_view id) const {
  auto found = values_.find(id);
  return found == values_.end() ? 0.0 : found->second;
}

void GraphCloseness::raise(std::string_view id, double value) {
  auto [it, inserted] = values_.try_emplace(id, value);
  if (!inserted) it->second = std::max(it->second, value);
}

namespace {

// Calls `visit` with each id `id` links to, then each id linking to it.
template <typename Visit>
void for_each_neighbour(const GraphAdjacency& graph, std::string_view id, Visit visit) {
  for (const std::string& n : graph.outgoing(id)) visit(n);
  for (const std::string& n : graph.incoming(id)) visit(n);
}

}  // namespace

GraphCloseness graph_closeness(const GraphAdjacency& graph,
                               const std::vector<std::string>& seed_ids) {
  GraphCloseness closeness;
  std::unordered_set<std::string_view, SeededHash, TextEqual> seeds;
  for (const std::string& seed : seed_ids) {
    if (!seeds.insert(seed).second) continue;
    closeness.raise(seed, kSeedCloseness);
  }
  // Neighbours of any seed, each once, in the order they were met.
  std::unordered_set<std::string_view, SeededHash, TextEqual> met;
  std::vector<std::string_view> neighbours;
  for (std::string_view seed : seeds) {
    for_each_neighbour(graph, seed, [&](const std::string& n) {
      closeness.raise(n, kNeighbourCloseness);
      if (met.insert(n).second) neighbours.push_back(n);
    });
  }
  for (std::string_view n : neighbours) {
    for_each_neighbour(graph, n,
                       [&](const std::string& m) { closeness.raise(m, kSecondNeighbourCloseness); });
  }
  return closeness;
}

}  // namespace lorewood
