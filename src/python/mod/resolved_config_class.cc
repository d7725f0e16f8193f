// The Python class ResolvedConfig.
#include "resolved_config_class.h"

namespace lorewood::python {

PyObject* create_resolved_config_class(PyObject* module) {
  return ResolvedConfigClass::create(module, {.name = "_lorewood.ResolvedConfig"});
}

}  // namespace lorewood::python
