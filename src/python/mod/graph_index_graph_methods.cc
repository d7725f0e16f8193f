// GraphIndex methods that walk and change the graph: traverse, backlinks and
// the node mutations.
#include <string>

#include "graph/adjacency.h"
#include "graph/traversal.h"
#include "graph_index_class.h"
#include "graph_index_methods.h"
#include "node_class.h"
#include "quoted_form.h"
#include "to_python.h"
#include "traversal_result_class.h"

namespace lorewood::python {
namespace {

constexpr Signature kTraverse{"GraphIndex.traverse", arg::text("from_id"), arg::uint32("depth", 2),
                              arg::text("order", "bfs")};
constexpr Signature kBacklinks{"GraphIndex.backlinks", arg::text("node_id")};
constexpr Signature kCreateNode{"GraphIndex.create_node", arg::text("node_id"),
                                arg::text("node_type", "note"), arg::text("body", ""),
                                arg::optional_text_list("links")};
constexpr Signature kDeleteNode{"GraphIndex.delete_node", arg::text("node_id")};
constexpr Signature kMergeNodes{"GraphIndex.merge_nodes", arg::text("target_id"),
                                arg::text("source_id")};
constexpr Signature kUpdateFile{"GraphIndex.update_file", arg::text("path")};
constexpr Signature kUpdateNode{"GraphIndex.update_node", arg::text("node_id"), arg::text("body")};
constexpr Signature kSuppressNode{"GraphIndex.suppress_node", arg::text("node_id"),
                                  arg::optional_text("reason")};
constexpr Signature kUnsuppressNode{"GraphIndex.unsuppress_node", arg::text("node_id")};

// None on success, PyLorewoodError with the core message otherwise.
PyRef none_or_error(const Status& status) {
  if (!status) return PyRef::steal(map_err(status.error()));
  return to_py_none();
}

PyObject* traverse(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return shared_index_call(
      self, kTraverse, args, nargs, kwnames,
      [](const GraphIndex& index, const std::string& from_id, std::uint32_t depth,
         const std::string& order_text) -> PyRef {
        std::optional<TraversalOrder> order = parse_order_or_raise(order_text);
        if (!order) return PyRef();
        // Resolving only the links of expanded nodes gives exactly the walk over
        // the whole graph's adjacency, at a fraction of the cost.
        Result<TraversalResult> result = lorewood::traverse(index, from_id, depth, *order);
        if (!result) return PyRef::steal(map_err(result.error()));
        return new_py_traversal_result(std::move(*result));
      });
}

PyObject* backlinks(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return shared_index_call(self, kBacklinks, args, nargs, kwnames,
                           [](const GraphIndex& index, const std::string& node_id) -> PyRef {
                             auto ids = lorewood::backlinks(index, node_id);
                             if (!ids) return PyRef::steal(map_err(ids.error()));
                             return to_py_text_list(*ids);
                           });
}

PyObject* create_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return exclusive_index_call(
      self, kCreateNode, args, nargs, kwnames,
      [](GraphIndex& index, std::string& node_id, std::string& node_type, std::string& body,
         std::optional<std::vector<std::string>>& links) -> PyRef {
        Node node;
        node.relative_path = node_path_for_id(node_id);
        node.metadata.id = std::move(node_id);
        node.metadata.node_type = std::move(node_type);
        if (links) node.metadata.links = std::move(*links);
        node.body = std::move(body);
        Result<Node> created = index.create_node(std::move(node));
        if (!created) return PyRef::steal(map_err(created.error()));
        return new_py_node(std::move(*created));
      });
}

PyObject* delete_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return exclusive_index_call(self, kDeleteNode, args, nargs, kwnames,
                              [](GraphIndex& index, const std::string& node_id) {
                                return none_or_error(index.delete_node(node_id));
                              });
}

PyObject* merge_nodes(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return exclusive_index_call(
      self, kMergeNodes, args, nargs, kwnames,
      [](GraphIndex& index, const std::string& target_id, const std::string& source_id) {
        return none_or_error(index.merge_nodes(target_id, source_id));
      });
}

PyObject* update_file(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return exclusive_index_call(self, kUpdateFile, args, nargs, kwnames,
                              [](GraphIndex& index, const std::string& path) -> PyRef {
                                auto id = index.update_file(std::filesystem::path(path));
                                if (!id) return PyRef::steal(map_err(id.error()));
                                return to_py_optional_text(*id);
                              });
}

PyObject* update_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return exclusive_index_call(
      self, kUpdateNode, args, nargs, kwnames,
      [](GraphIndex& index, const std::string& node_id, std::string& body) -> PyRef {
        Result<Node> node = index.read_node(node_id);
        if (!node) return PyRef::steal(map_err(node.error()));
        node->body = std::move(body);
        return none_or_error(index.update_node(std::move(*node)));
      });
}

PyObject* suppress_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return exclusive_index_call(
      self, kSuppressNode, args, nargs, kwnames,
      [](GraphIndex& index, const std::string& node_id, std::optional<std::string>& reason) {
        return none_or_error(index.suppress_node(node_id, std::move(reason)));
      });
}

PyObject* unsuppress_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return exclusive_index_call(self, kUnsuppressNode, args, nargs, kwnames,
                              [](GraphIndex& index, const std::string& node_id) {
                                return none_or_error(index.unsuppress_node(node_id));
                              });
}

constexpr int kFast = METH_FASTCALL | METH_KEYWORDS;

const PyMethodDef kMethods[] = {
    {"traverse", fastcall(traverse), kFast, "traverse($self, from_id, depth=2, order=\"bfs\")\n--\n\n"},
    {"backlinks", fastcall(backlinks), kFast, "backlinks($self, node_id)\n--\n\n"},
    {"create_node", fastcall(create_node), kFast,
     "create_node($self, node_id, node_type=\"note\", body=\"\", links=None)\n--\n\n"},
    {"delete_node", fastcall(delete_node), kFast, "delete_node($self, node_id)\n--\n\n"},
    {"merge_nodes", fastcall(merge_nodes), kFast, "merge_nodes($self, target_id, source_id)\n--\n\n"},
    {"update_file", fastcall(update_file), kFast, "update_file($self, path)\n--\n\n"},
    {"update_node", fastcall(update_node), kFast, "update_node($self, node_id, body)\n--\n\n"},
    {"suppress_node", fastcall(suppress_node), kFast,
     "suppress_node($self, node_id, reason=None)\n--\n\n"},
    {"unsuppress_node", fastcall(unsuppress_node), kFast, "unsuppress_node($self, node_id)\n--\n\n"},
};

}  // namespace

std::span<const PyMethodDef> graph_index_graph_methods() { return kMethods; }

}  // namespace lorewood::python
