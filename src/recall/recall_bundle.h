// RecallBundle: one node packaged for recall by an agent.
//
//   Result<RecallBundle> bundle = recall_bundle(index, "alpha", "asked about deploys", 1200);
//   std::string block = bundle->to_markdown();
//
// The node is read from its file at the moment of the call, so the bundle shows
// what is on disk now; backlinks come from the index's current edges.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"
#include "index/graph_index.h"
#include "node/yaml_value.h"

namespace lorewood {

struct RecallBundle {
  std::string id;
  std::string node_type;
  // summarize_text of the whole body.
  std::string summary;
  // The first body_chars characters (Unicode scalars, at least one) of the body.
  std::string body_excerpt;
  // The frontmatter links, in file order (not the body's wikilinks).
  std::vector<std::string> links;
  // Ids of the nodes linking here, ascending.
  std::vector<std::string> backlinks;
  std::string relevance_reason;
  // A copy of the frontmatter's other keys, in key order.
  std::map<std::string, YamlValue> metadata;

  // The Markdown block: heading, reason/links/backlinks lines, summary, and the
  // excerpt in a ```markdown fence. Nothing is escaped; never fails.
  std::string to_markdown() const;
};

// Builds the bundle of node `id`. NodeNotFound, NodeRead or NodeParse from
// reading the file, or the backlink failure, unchanged; no partial bundle.
Result<RecallBundle> recall_bundle(const GraphIndex& index, std::string_view id,
                                   std::string_view reason, std::uint64_t body_chars);

}  // namespace lorewood
