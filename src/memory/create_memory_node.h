// Creating a memory node in the index: build it, then hand it to
// GraphIndex::create_node, which writes the file and indexes it.
//
//   std::optional<MemoryKind> kind = memory_kind_from_name(kind_text);
//   if (!kind) refuse(unsupported_memory_kind_message(kind_text));
//   Result<Node> created = create_memory_node(index, "pref-1", *kind, "Prefers tabs.", {}, {});
//
// The kind check is the caller's (its refusal is not a LorewoodError); the id
// is used verbatim, and the node path rules judge the file path it makes.
#pragma once

#include <string>
#include <vector>

#include "error/lorewood_error.h"
#include "index/graph_index.h"
#include "memory/memory_node.h"

namespace lorewood {

// Builds the memory node and creates it; the errors of create_node unchanged.
Result<Node> create_memory_node(GraphIndex& index, std::string id, MemoryKind kind,
                                std::string body, std::vector<std::string> links,
                                const MemoryContext& context);

}  // namespace lorewood
