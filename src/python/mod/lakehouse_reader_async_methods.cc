// LakehouseReader.read_node_async: the reader's read of a node with its
// content, run in the worker pool on a copy of the index and a new share of the
// same locked reader.
#include "lakehouse_reader_async_methods.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "args.h"
#include "async_bridge.h"
#include "errors.h"
#include "graph_index_class.h"
#include "lakehouse_reader_class.h"
#include "node_with_content_class.h"

namespace lorewood::python {
namespace {

constexpr Signature kReadNodeAsync{"LakehouseReader.read_node_async",
                                   arg::object<GraphIndexClass>("index"), arg::text("node_id")};

PyRef new_py_node_with_content(NodeWithContent item) {
  return NodeWithContentClass::wrap(std::move(item));
}

// The worker-side read: holds the reader's lock only for the core call and
// never touches Python. An exception escaping the core call poisons the reader
// and propagates (it becomes the task join error).
Delivery read_under_lock(ReaderCell& cell, const GraphIndex& index, const std::string& node_id) {
  std::optional<Result<NodeWithContent>> item;
  {
    std::unique_lock lock(cell.mutex);
    if (cell.poisoned) {
      return [] { return raise_reader_poisoned().release(); };
    }
    try {
      item.emplace(cell.reader.read_node(index, node_id));
    } catch (...) {
      cell.poisoned = true;
      throw;
    }
  }
  return deliver(std::move(*item), new_py_node_with_content);
}

PyObject* read_node_async(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto bound = kReadNodeAsync.bind(args, nargs, kwnames);
    if (!bound) return nullptr;
    auto values = kReadNodeAsync.convert(*bound);
    if (!values) return nullptr;
    auto& [index_instance, node_id] = *values;
    std::shared_ptr<ReaderCell> cell = LakehouseReaderClass::value(self).cell;
    PyObject* index_object = reinterpret_cast<PyObject*>(index_instance);
    return shared_index_call(index_object, [&](const GraphIndex& index) -> PyRef {
      return PyRef::steal(start_awaitable(
          [snapshot = index, cell = std::move(cell), node_id = std::move(node_id)]() {
            return read_under_lock(*cell, snapshot, node_id);
          }));
    });
  });
}

const PyMethodDef kMethods[] = {
    {"read_node_async", fastcall(read_node_async), METH_FASTCALL | METH_KEYWORDS,
     "read_node_async($self, index, node_id)\n--\n\n"
     "Read a node and resolve its external content asynchronously.\n"
     "\n"
     "Returns an awaitable :class:`NodeWithContent`. The blocking I/O runs on a\n"
     "worker thread pool so the Python event loop stays responsive."},
};

}  // namespace

std::span<const PyMethodDef> lakehouse_reader_async_methods() { return kMethods; }

}  // namespace lorewood::python
