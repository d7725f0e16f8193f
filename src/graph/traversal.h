// Graph traversal: breadth-first or pre-order depth-first walks along outgoing
// edges from one start node, up to a depth limit, and their Markdown report.
//
//   GraphAdjacency graph = adjacency(index);
//   Result<TraversalResult> walk = traverse(graph, index, "alpha", 2, TraversalOrder::Bfs);
//   std::string report = walk->to_markdown(index);
//
// Every reached node is reported once, at its first discovery, with the route by
// which it was first reached. Routes are stored as parent links, so a walk down
// a long chain costs memory linear in the nodes reached; `node(k)` spells one
// route out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"
#include "graph/adjacency.h"
#include "index/graph_index.h"

namespace lorewood {

enum class TraversalOrder { Bfs, Dfs };

// "bfs" or "dfs", matched after lowering ASCII letters (nothing is trimmed);
// nullopt for anything else.
std::optional<TraversalOrder> parse_order(std::string_view text);

// `text` with ASCII letters A to Z lowered, every other character unchanged (the
// form in which a refused order is shown).
std::string lower_ascii_letters(std::string_view text);

// The text form: "bfs" or "dfs".
std::string_view order_name(TraversalOrder order);

// One reached node, with its route spelled out.
struct TraversalNode {
  std::string id;
  // Number of edges on `path`; 0 for the start.
  std::uint32_t depth = 0;
  // The ids from the start to this node, both included.
  std::vector<std::string> path;

  bool operator==(const TraversalNode&) const = default;
};

// One reached node as the walk stores it: the route is the parent's route plus
// this node.
struct ReachedNode {
  static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

  std::string id;
  std::uint32_t depth = 0;
  // Index in `TraversalResult::reached` of the node it was reached from;
  // kNoParent for the start.
  std::size_t parent = kNoParent;
};

struct TraversalResult {
  // The start id as the caller gave it.
  std::string start;
  TraversalOrder order = TraversalOrder::Bfs;
  std::uint32_t max_depth = 0;
  // Every reached node once, in the order the walk first reached it; the start
  // is first.
  std::vector<ReachedNode> reached;

  std::size_t size() const { return reached.size(); }

  // The k-th reached node with its path (k < size()).
  TraversalNode node(std::size_t k) const;

  // All reached nodes with their paths, in order.
  std::vector<TraversalNode> nodes() const;

  // The Markdown report; node types and files are looked up in `index`, which
  // need not be the index the walk ran on. Never fails.
  std::string to_markdown(const GraphIndex& index) const;
};

// Walks `graph` from `start`. Reads `index` only to check that `start` exists:
// NodeNotFound otherwise. The walk never recurses, whatever the depth.
Result<TraversalResult> traverse(const GraphAdjacency& graph, const GraphIndex& index,
                                 std::string_view start, std::uint32_t max_depth,
                                 TraversalOrder order);

// The same walk, resolving the links of only the nodes it expands instead of
// the whole graph's. Gives exactly the result of traverse(adjacency(index), ...).
Result<TraversalResult> traverse(const GraphIndex& index, std::string_view start,
                                 std::uint32_t max_depth, TraversalOrder order);

}  // namespace lorewood
