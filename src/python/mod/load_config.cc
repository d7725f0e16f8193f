// load_config(path): loads a configuration file into a ResolvedConfig.
#include "args.h"
#include "config/schema/lorewood_config.h"
#include "errors.h"
#include "module_functions.h"
#include "resolved_config_class.h"

namespace lorewood::python {
namespace {

constexpr Signature kLoadConfig{"load_config", arg::text("path")};

PyObject* load_config(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto values = kLoadConfig.parse(args, nargs, kwnames);
    if (!values) return nullptr;
    Result<ResolvedConfig> config = LorewoodConfig::load(std::filesystem::path(std::get<0>(*values)));
    if (!config) return map_err(config.error());
    return new_py_resolved_config(std::move(*config)).release();
  });
}

PyMethodDef kLoadConfigDef = {"load_config", fastcall(load_config),
                              METH_FASTCALL | METH_KEYWORDS, "load_config(path)\n--\n\n"};

}  // namespace

PyMethodDef* load_config_function() { return &kLoadConfigDef; }

}  // namespace lorewood::python
