// The Markdown report of a traversal.
#include "error/display_path.h"
#include "graph/traversal.h"

namespace lorewood {
namespace {

void append_path(std::string& out, const TraversalResult& result, std::size_t k) {
  TraversalNode node = result.node(k);
  for (std::size_t i = 0; i < node.path.size(); ++i) {
    if (i > 0) out += " \u2192 ";
    out += node.path[i];
  }
}

void append_node_section(std::string& out, const TraversalResult& result, std::size_t k,
                         const GraphIndex& index) {
  const ReachedNode& node = result.reached[k];
  const NodeIndexEntry* entry = index.entry(node.id);
  out += "### " + node.id + " (depth " + std::to_string(node.depth) + ")\n\n";
  out += "- **Type:** ";
  out += entry ? entry->metadata.node_type : "unknown";
  out += "\n- **Path:** ";
  append_path(out, result, k);
  out += '\n';
  if (entry) out += "- **File:** `" + display_path(entry->relative_path) + "`\n";
  out += '\n';
}

}  // namespace

std::string TraversalResult::to_markdown(const GraphIndex& index) const {
  std::string out = "# Lorewood Traversal Report\n\n";
  out += "- **Start:** `" + start + "`\n";
  out += "- **Max depth:** " + std::to_string(max_depth) + "\n";
  out += "- **Order:** ";
  out += order == TraversalOrder::Bfs ? "BFS" : "DFS";
  out += "\n- **Nodes reached:** " + std::to_string(reached.size()) + "\n\n";
  if (reached.empty()) {
    out += "_No nodes reached at the requested depth._\n";
    return out;
  }
  out += "## Nodes\n\n";
  for (std::size_t k = 0; k < reached.size(); ++k) append_node_section(out, *this, k, index);
  return out;
}

}  // namespace lorewood
