// GraphIndex methods that return awaitables: traverse_async and
// read_node_async. Each converts its arguments on the calling thread, copies
// the index (a snapshot sharing the bodies) and runs the core call on the copy
// in the worker pool.
#include <cstdint>
#include <string>

#include "async_bridge.h"
#include "graph/traversal.h"
#include "graph_index_class.h"
#include "graph_index_methods.h"
#include "node_class.h"
#include "quoted_form.h"
#include "traversal_result_class.h"

namespace lorewood::python {
namespace {

constexpr Signature kTraverseAsync{"GraphIndex.traverse_async", arg::text("from_id"),
                                   arg::uint32("depth", 2), arg::text("order", "bfs")};
constexpr Signature kReadNodeAsync{"GraphIndex.read_node_async", arg::text("node_id")};

PyObject* traverse_async(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
  return shared_index_call(
      self, kTraverseAsync, args, nargs, kwnames,
      [](const GraphIndex& index, std::string& from_id, std::uint32_t depth,
         const std::string& order_text) -> PyRef {
        std::optional<TraversalOrder> order = parse_order_or_raise(order_text);
        if (!order) return PyRef();
        return PyRef::steal(start_awaitable(
            [snapshot = index, from_id = std::move(from_id), depth, order = *order]() {
              return deliver(lorewood::traverse(snapshot, from_id, depth, order),
                             new_py_traversal_result);
            }));
      });
}

PyObject* read_node_async(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return shared_index_call(
      self, kReadNodeAsync, args, nargs, kwnames,
      [](const GraphIndex& index, std::string& node_id) -> PyRef {
        return PyRef::steal(
            start_awaitable([snapshot = index, node_id = std::move(node_id)]() {
              return deliver(snapshot.read_node(node_id), new_py_node);
            }));
      });
}

constexpr int kFast = METH_FASTCALL | METH_KEYWORDS;

const PyMethodDef kMethods[] = {
    {"traverse_async", fastcall(traverse_async), kFast,
     "traverse_async($self, from_id, depth=2, order=\"bfs\")\n--\n\n"},
    {"read_node_async", fastcall(read_node_async), kFast, "read_node_async($self, node_id)\n--\n\n"},
};

}  // namespace

std::span<const PyMethodDef> graph_index_async_methods() { return kMethods; }

}  // namespace lorewood::python
