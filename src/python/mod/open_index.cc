// open_index(root_path): opens a graph root into a new GraphIndex.
#include "args.h"
#include "errors.h"
#include "graph_index_class.h"
#include "module_functions.h"

namespace lorewood::python {
namespace {

constexpr Signature kOpenIndex{"open_index", arg::text("root_path")};

PyObject* open_index(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto values = kOpenIndex.parse(args, nargs, kwnames);
    if (!values) return nullptr;
    return open_py_graph_index(std::get<0>(*values)).release();
  });
}

PyMethodDef kOpenIndexDef = {"open_index", fastcall(open_index), METH_FASTCALL | METH_KEYWORDS,
                             "open_index(root_path)\n--\n\n"};

}  // namespace

PyMethodDef* open_index_function() { return &kOpenIndexDef; }

}  // namespace lorewood::python
