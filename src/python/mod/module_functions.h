// The module-level functions load_config and open_index.
#pragma once

#include "python_api.h"

namespace lorewood::python {

// Static method definitions for PyCFunction_NewEx.
PyMethodDef* open_index_function();
PyMethodDef* load_config_function();

}  // namespace lorewood::python
