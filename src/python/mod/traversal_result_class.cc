// The Python class TraversalResult.
#include "traversal_result_class.h"

namespace lorewood::python {

PyObject* create_traversal_result_class(PyObject* module) {
  return TraversalResultClass::create(module, {.name = "_lorewood.TraversalResult"});
}

}  // namespace lorewood::python
