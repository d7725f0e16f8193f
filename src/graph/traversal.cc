#include "graph/traversal.h"

#include <unordered_set>

#include "graph/link_resolver.h"

namespace lorewood {
namespace {

using Neighbours = std::vector<std::string_view>;
using VisitedSet = std::unordered_set<std::string_view, SeededHash, TextEqual>;

// The walk itself, over any source of neighbour lists. `neighbours(id)` returns
// views that stay valid for the whole walk; `start` is such a view too.
template <typename NeighboursOf>
class Walk {
 public:
  Walk(TraversalResult& result, NeighboursOf& neighbours_of)
      : result_(result), neighbours_of_(neighbours_of) {}

  void run(std::string_view start) {
    visited_.insert(start);
    views_.push_back(start);
    result_.reached.push_back(ReachedNode{std::string(start), 0, ReachedNode::kNoParent});
    if (result_.order == TraversalOrder::Bfs)
      breadth_first();
    else
      depth_first();
  }

 private:
  // Reports `id` as reached from node `parent` if it is new; returns its index.
  std::optional<std::size_t> discover(std::string_view id, std::size_t parent) {
    if (!visited_.insert(id).second) return std::nullopt;
    views_.push_back(id);
    std::uint32_t depth = result_.reached[parent].depth + 1;
    result_.reached.push_back(ReachedNode{std::string(id), depth, parent});
    return result_.reached.size() - 1;
  }

  bool expands(std::size_t k) const { return result_.reached[k].depth < result_.max_depth; }

  // The reached list doubles as the queue: discovery order is queue order.
  void breadth_first() {
    for (std::size_t k = 0; k < result_.reached.size(); ++k) {
      if (!expands(k)) continue;
      for (std::string_view next : neighbours_of_(views_[k])) discover(next, k);
    }
  }

  // Pre-order with an explicit stack: a frame per node on the current route,
  // resuming at its next unexamined neighbour.
  void depth_first() {
    struct Frame {
      std::size_t node;
      Neighbours neighbours;
      std::size_t next = 0;
    };
    std::vector<Frame> route;
    if (expands(0)) route.push_back(Frame{0, neighbours_of_(views_[0])});
    while (!route.empty()) {
      Frame& top = route.back();
      if (top.next == top.neighbours.size()) {
        route.pop_back();
        continue;
      }
      std::string_view next = top.neighbours[top.next++];
      std::optional<std::size_t> child = discover(next, top.node);
      if (child && expands(*child)) route.push_back(Frame{*child, neighbours_of_(next)});
    }
  }

  TraversalResult& result_;
  NeighboursOf& neighbours_of_;
  VisitedSet visited_;
  // views_[k] is the id of reached[k], as a view that outlives the walk.
  std::vector<std::string_view> views_;
};

template <typename NeighboursOf>
Result<TraversalResult> run_walk(const GraphIndex& index, std::string_view start,
                                 std::uint32_t max_depth, TraversalOrder order,
                                 NeighboursOf neighbours_of) {
  auto it = index.entries().find(start);
  if (it == index.entries().end()) return fail(LorewoodError::node_not_found(std::string(start)));
  TraversalResult result{std::string(start), order, max_depth, {}};
  Walk<NeighboursOf> walk(result, neighbours_of);
  walk.run(it->first);
  return result;
}

}  // namespace

std::string lower_ascii_letters(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lowered;
}

std::optional<TraversalOrder> parse_order(std::string_view text) {
  const std::string lowered = lower_ascii_letters(text);
  if (lowered == "bfs") return TraversalOrder::Bfs;
  if (lowered == "dfs") return TraversalOrder::Dfs;
  return std::nullopt;
}

std::string_view order_name(TraversalOrder order) {
  return order == TraversalOrder::Bfs ? "bfs" : "dfs";
}

TraversalNode TraversalResult::node(std::size_t k) const {
  TraversalNode out{reached[k].id, reached[k].depth, {}};
  out.path.resize(static_cast<std::size_t>(reached[k].depth) + 1);
  for (std::size_t at = k, slot = out.path.size(); at != ReachedNode::kNoParent;
       at = reached[at].parent)
    out.path[--slot] = reached[at].id;
  return out;
}

std::vector<TraversalNode> TraversalResult::nodes() const {
  std::vector<TraversalNode> out;
  out.reserve(reached.size());
  for (std::size_t k = 0; k < reached.size(); ++k) out.push_back(node(k));
  return out;
}

Result<TraversalResult> traverse(const GraphAdjacency& graph, const GraphIndex& index,
                                 std::string_view start, std::uint32_t max_depth,
                                 TraversalOrder order) {
  auto neighbours_of = [&graph](std::string_view id) {
    GraphAdjacency::IdList targets = graph.outgoing(id);
    return Neighbours(targets.begin(), targets.end());
  };
  return run_walk(index, start, max_depth, order, neighbours_of);
}

Result<TraversalResult> traverse(const GraphIndex& index, std::string_view start,
                                 std::uint32_t max_depth, TraversalOrder order) {
  LinkResolver resolver(index);
  auto neighbours_of = [&](std::string_view id) {
    Neighbours out;
    if (const NodeIndexEntry* entry = index.entry(id))
      resolver.for_each_link(
          *entry, [&](const std::string& target) { out.push_back(target); },
          [](std::string_view) {});
    return out;
  };
  return run_walk(index, start, max_depth, order, neighbours_of);
}

}  // namespace lorewood
