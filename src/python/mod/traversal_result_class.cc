// The Python class TraversalResult.
#include "traversal_result_class.h"

#include <string>

#include "args.h"
#include "errors.h"
#include "graph_index_class.h"
#include "quoted_form.h"
#include "to_python.h"
#include "traversal_node_class.h"

namespace lorewood::python {
namespace {

const TraversalResult& result_of(PyObject* self) { return TraversalResultClass::value(self); }

constexpr Signature kToMarkdown{"TraversalResult.to_markdown", arg::object<GraphIndexClass>("index")};

// ---- Methods ----

PyObject* to_markdown(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto values = kToMarkdown.parse(args, nargs, kwnames);
    if (!values) return nullptr;
    PyObject* index_object = reinterpret_cast<PyObject*>(std::get<0>(*values));
    return shared_index_call(index_object, [&](const GraphIndex& index) {
      return to_py_text(result_of(self).to_markdown(index));
    });
  });
}

PyMethodDef kMethods[] = {
    {"to_markdown", fastcall(to_markdown), METH_FASTCALL | METH_KEYWORDS,
     "to_markdown($self, index)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

// ---- Properties ----

PyObject* get_start(PyObject* self, void*) {
  return guarded([&] { return to_py_text(result_of(self).start).release(); });
}
PyObject* get_order(PyObject* self, void*) {
  return guarded([&] { return to_py_text(order_name(result_of(self).order)).release(); });
}
PyObject* get_max_depth(PyObject* self, void*) {
  return guarded([&] { return to_py_uint(result_of(self).max_depth).release(); });
}
PyObject* get_nodes(PyObject* self, void*) {
  return guarded([&]() -> PyObject* {
    const TraversalResult& result = result_of(self);
    PyRef list = PyRef::steal(PyList_New(static_cast<Py_ssize_t>(result.size())));
    if (!list) return nullptr;
    for (std::size_t k = 0; k < result.size(); ++k) {
      PyRef item = TraversalNodeClass::wrap(result.node(k));
      if (!item) return nullptr;
      PyList_SetItem(list.get(), static_cast<Py_ssize_t>(k), item.release());
    }
    return list.release();
  });
}

PyGetSetDef kGetSets[] = {
    property("start", get_start),
    property("order", get_order),
    property("max_depth", get_max_depth),
    property("nodes", get_nodes),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// ---- Slots ----

PyObject* result_repr(PyObject* self) {
  return guarded([&]() -> PyObject* {
    const TraversalResult& result = result_of(self);
    const std::string text = "TraversalResult(start=" + quoted_form(result.start) +
                             ", nodes=" + std::to_string(result.size()) + ")";
    return to_py_text(text).release();
  });
}

}  // namespace

PyObject* create_traversal_result_class(PyObject* module) {
  return TraversalResultClass::create(
      module, {.name = "_lorewood.TraversalResult",
               .methods = kMethods,
               .getsets = kGetSets,
               .slots = {{Py_tp_repr, reinterpret_cast<void*>(result_repr)}}});
}

std::optional<TraversalOrder> parse_order_or_raise(std::string_view text) {
  std::optional<TraversalOrder> order = parse_order(text);
  if (!order) {
    const std::string message =
        "order must be 'bfs' or 'dfs', got " + quoted_form(lower_ascii_letters(text));
    PyErr_SetString(PyExc_ValueError, message.c_str());
  }
  return order;
}

PyRef new_py_traversal_result(TraversalResult result) {
  return TraversalResultClass::wrap(std::move(result));
}

}  // namespace lorewood::python
