// The Python class GraphIndex: owns one core GraphIndex and its borrow flag.
//
// Methods are written with `shared_index_call` or `exclusive_index_call`,
// which bind the arguments, take the borrow, convert the arguments in order
// and then run the body with the index and the converted values:
//
//   constexpr Signature kReadNode{"GraphIndex.read_node", arg::text("node_id")};
//
//   PyObject* read_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
//                       PyObject* kwnames) {
//     return shared_index_call(self, kReadNode, args, nargs, kwnames,
//         [](const GraphIndex& index, const std::string& node_id) -> PyRef {
//           Result<Node> node = index.read_node(node_id);
//           if (!node) return PyRef::steal(map_err(node.error()));
//           return new_py_node(std::move(*node));
//         });
//   }
//
// The method table lives in graph_index_class.cc; methods of other files are
// declared in graph_index_methods.h and listed there.
#pragma once

#include <string>
#include <tuple>
#include <utility>

#include "args.h"
#include "borrow.h"
#include "errors.h"
#include "index/graph_index.h"
#include "py_class.h"

namespace lorewood::python {

struct GraphIndexCell {
  explicit GraphIndexCell(GraphIndex value) : index(std::move(value)) {}
  GraphIndex index;
  BorrowFlag borrow;
};

using GraphIndexClass = BindingClass<GraphIndexCell>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_graph_index_class(PyObject* module);

// A new GraphIndex object owning `index`.
PyRef new_py_graph_index(GraphIndex index);

// Runs GraphIndex::open on `root` and wraps the index; PyLorewoodError on a
// core error. Shared by open_index, GraphIndex.open and ResolvedConfig.
PyRef open_py_graph_index(const std::string& root);

namespace detail {

template <typename Borrow, typename Index, typename Sig, typename Body>
PyObject* index_call(PyObject* self, const Sig& signature, PyObject* const* args,
                     Py_ssize_t nargs, PyObject* kwnames, Body&& body) {
  return guarded([&]() -> PyObject* {
    auto bound = signature.bind(args, nargs, kwnames);
    if (!bound) return nullptr;
    GraphIndexCell& cell = GraphIndexClass::value(self);
    Borrow borrow(cell.borrow);
    if (!borrow) return nullptr;
    auto values = signature.convert(*bound);
    if (!values) return nullptr;
    Index& index = cell.index;
    return std::apply([&](auto&... v) { return body(index, v...); }, *values).release();
  });
}

template <typename Borrow, typename Index, typename Body>
PyObject* index_call_noargs(PyObject* self, Body&& body) {
  return guarded([&]() -> PyObject* {
    GraphIndexCell& cell = GraphIndexClass::value(self);
    Borrow borrow(cell.borrow);
    if (!borrow) return nullptr;
    Index& index = cell.index;
    return body(index).release();
  });
}

}  // namespace detail

// A method that reads the index: body(const GraphIndex&, values&...) -> PyRef.
template <typename Sig, typename Body>
PyObject* shared_index_call(PyObject* self, const Sig& signature, PyObject* const* args,
                            Py_ssize_t nargs, PyObject* kwnames, Body&& body) {
  return detail::index_call<SharedBorrow, const GraphIndex>(self, signature, args, nargs, kwnames,
                                                            std::forward<Body>(body));
}

// A method that changes the index: body(GraphIndex&, values&...) -> PyRef.
template <typename Sig, typename Body>
PyObject* exclusive_index_call(PyObject* self, const Sig& signature, PyObject* const* args,
                               Py_ssize_t nargs, PyObject* kwnames, Body&& body) {
  return detail::index_call<ExclusiveBorrow, GraphIndex>(self, signature, args, nargs, kwnames,
                                                         std::forward<Body>(body));
}

// The same for METH_NOARGS methods, getters and slots: body(const GraphIndex&).
template <typename Body>
PyObject* shared_index_call(PyObject* self, Body&& body) {
  return detail::index_call_noargs<SharedBorrow, const GraphIndex>(self,
                                                                   std::forward<Body>(body));
}

}  // namespace lorewood::python
