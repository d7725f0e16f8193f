#include "memory/create_memory_node.h"

namespace lorewood {

Result<Node> create_memory_node(GraphIndex& index, std::string id, MemoryKind kind,
                                std::string body, std::vector<std::string> links,
                                const MemoryContext& context) {
  return index.create_node(
      new_memory_node_with_context(std::move(id), kind, std::move(body), std::move(links), context));
}

}  // namespace lorewood
