// The Python class ResolvedConfig: a loaded configuration file.
#pragma once

#include "config/schema/lorewood_config.h"
#include "py_class.h"
#include "py_ref.h"

namespace lorewood::python {

using ResolvedConfigClass = BindingClass<ResolvedConfig>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_resolved_config_class(PyObject* module);

// A new ResolvedConfig object owning `config`.
PyRef new_py_resolved_config(ResolvedConfig config);

}  // namespace lorewood::python
