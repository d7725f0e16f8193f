// The Python class GraphIndex: open, root_path, list_nodes, read_node, len, repr.
#include "graph_index_class.h"

#include <vector>

#include "error/display_path.h"
#include "graph_index_methods.h"
#include "node_class.h"
#include "quoted_form.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

constexpr Signature kOpen{"GraphIndex.open", arg::text("root_path")};
constexpr Signature kReadNode{"GraphIndex.read_node", arg::text("node_id")};

// ---- Methods ----

PyObject* open_classmethod(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto values = kOpen.parse(args, nargs, kwnames);
    if (!values) return nullptr;
    return open_py_graph_index(std::get<0>(*values)).release();
  });
}

PyObject* list_nodes(PyObject* self, PyObject*) {
  return shared_index_call(
      self, [](const GraphIndex& index) { return to_py_text_list(index.sorted_ids()); });
}

PyObject* read_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return shared_index_call(self, kReadNode, args, nargs, kwnames,
                           [](const GraphIndex& index, const std::string& node_id) -> PyRef {
                             Result<Node> node = index.read_node(node_id);
                             if (!node) return PyRef::steal(map_err(node.error()));
                             return new_py_node(std::move(*node));
                           });
}

PyMethodDef kMethods[] = {
    {"open", fastcall(open_classmethod), METH_FASTCALL | METH_KEYWORDS | METH_CLASS,
     "open($cls, root_path)\n--\n\n"},
    {"list_nodes", list_nodes, METH_NOARGS, "list_nodes($self)\n--\n\n"},
    {"read_node", fastcall(read_node), METH_FASTCALL | METH_KEYWORDS,
     "read_node($self, node_id)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

// ---- Properties ----

PyObject* get_root_path(PyObject* self, void*) {
  return shared_index_call(self,
                           [](const GraphIndex& index) { return to_py_path(index.root_path()); });
}

PyGetSetDef kGetSets[] = {
    property("root_path", get_root_path),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// ---- Slots ----

Py_ssize_t length(PyObject* self) {
  return guarded([&]() -> Py_ssize_t {
    GraphIndexCell& cell = GraphIndexClass::value(self);
    SharedBorrow borrow(cell.borrow);
    if (!borrow) return -1;
    return static_cast<Py_ssize_t>(cell.index.size());
  });
}

PyObject* index_repr(PyObject* self) {
  return shared_index_call(self, [](const GraphIndex& index) {
    const std::string text = "GraphIndex(root_path=" + quoted_form(display_path(index.root_path())) +
                             ", nodes=" + std::to_string(index.size()) + ")";
    return to_py_text(text);
  });
}

// The class's whole method table: the basic methods, then each group's.
PyMethodDef* all_methods() {
  static std::vector<PyMethodDef> table = [] {
    std::vector<PyMethodDef> methods(std::begin(kMethods), std::end(kMethods) - 1);
    for (auto group : {graph_index_graph_methods(), graph_index_query_methods(),
                       graph_index_memory_methods(),
                       graph_index_content_methods(), graph_index_async_methods()})
      methods.insert(methods.end(), group.begin(), group.end());
    methods.push_back({nullptr, nullptr, 0, nullptr});
    return methods;
  }();
  return table.data();
}

}  // namespace

PyObject* create_graph_index_class(PyObject* module) {
  return GraphIndexClass::create(
      module, {.name = "_lorewood.GraphIndex",
               .methods = all_methods(),
               .getsets = kGetSets,
               .slots = {{Py_tp_repr, reinterpret_cast<void*>(index_repr)},
                         {Py_sq_length, reinterpret_cast<void*>(length)}}});
}

PyRef new_py_graph_index(GraphIndex index) { return GraphIndexClass::wrap(std::move(index)); }

PyRef open_py_graph_index(const std::string& root) {
  Result<GraphIndex> index = GraphIndex::open(std::filesystem::path(root));
  if (!index) return PyRef::steal(map_err(index.error()));
  return new_py_graph_index(std::move(*index));
}

}  // namespace lorewood::python
