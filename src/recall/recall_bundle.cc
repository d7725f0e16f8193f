#include "recall/recall_bundle.h"

#include <algorithm>
#include <limits>

#include "graph/adjacency.h"
#include "platform/unicode_text.h"
#include "query/summary.h"

namespace lorewood {
namespace {

// The first `chars` scalars of `body` (at least one), or all of it.
std::string excerpt_of(std::string_view body, std::uint64_t chars) {
  const std::uint64_t wanted = std::max<std::uint64_t>(chars, 1);
  const std::size_t count =
      static_cast<std::size_t>(std::min<std::uint64_t>(wanted, std::numeric_limits<std::size_t>::max()));
  return std::string(body.substr(0, prefix_bytes_for_scalars(body, count)));
}

}  // namespace

Result<RecallBundle> recall_bundle(const GraphIndex& index, std::string_view id,
                                   std::string_view reason, std::uint64_t body_chars) {
  LW_ASSIGN_OR_RETURN(Node node, index.read_node(id));
  LW_ASSIGN_OR_RETURN(std::vector<std::string> incoming, backlinks(index, id));

  RecallBundle bundle;
  bundle.body_excerpt = excerpt_of(node.body, body_chars);
  bundle.summary = summarize_text(node.body);
  bundle.id = std::move(node.metadata.id);
  bundle.node_type = std::move(node.metadata.node_type);
  bundle.links = std::move(node.metadata.links);
  bundle.backlinks = std::move(incoming);
  bundle.relevance_reason = std::string(reason);
  bundle.metadata = std::move(node.metadata.extra);
  return bundle;
}

}  // namespace lorewood
