// load_config(path): loads a configuration file into a ResolvedConfig.
//
// Configuration loading is not wired up yet: the function checks its argument
// and raises NotImplementedError.
#include "args.h"
#include "errors.h"
#include "module_functions.h"

namespace lorewood::python {
namespace {

constexpr Signature kLoadConfig{"load_config", arg::text("path")};

PyObject* load_config(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto values = kLoadConfig.parse(args, nargs, kwnames);
    if (!values) return nullptr;
    PyErr_SetString(PyExc_NotImplementedError, "load_config is not implemented yet");
    return nullptr;
  });
}

PyMethodDef kLoadConfigDef = {"load_config", fastcall(load_config),
                              METH_FASTCALL | METH_KEYWORDS, "load_config(path)\n--\n\n"};

}  // namespace

PyMethodDef* load_config_function() { return &kLoadConfigDef; }

}  // namespace lorewood::python
