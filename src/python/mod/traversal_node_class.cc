// The Python class TraversalNode.
#include "traversal_node_class.h"

namespace lorewood::python {

PyObject* create_traversal_node_class(PyObject* module) {
  return TraversalNodeClass::create(module, {.name = "_lorewood.TraversalNode"});
}

}  // namespace lorewood::python
