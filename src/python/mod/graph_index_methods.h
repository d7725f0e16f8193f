// Method tables of GraphIndex, one per group, each defined in its own file and
// joined into the class's table by graph_index_class.cc. Each span excludes the
// terminating sentinel.
#pragma once

#include <span>

#include "python_api.h"

namespace lorewood::python {

// traverse, backlinks, create_node, delete_node, merge_nodes, update_file,
// update_node, suppress_node, unsuppress_node.
std::span<const PyMethodDef> graph_index_graph_methods();

// search, changed_since, hybrid_search.
std::span<const PyMethodDef> graph_index_query_methods();

// recall_bundle, create_memory_node, apply_memory_batch.
std::span<const PyMethodDef> graph_index_memory_methods();

// read_node_with_content.
std::span<const PyMethodDef> graph_index_content_methods();

// traverse_async, read_node_async.
std::span<const PyMethodDef> graph_index_async_methods();

}  // namespace lorewood::python
