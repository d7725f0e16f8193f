// The Python class TraversalNode: one node reached by a traversal (id, depth,
// path from the start).
#pragma once

#include "graph/traversal.h"
#include "py_class.h"

namespace lorewood::python {

using TraversalNodeClass = BindingClass<TraversalNode>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_traversal_node_class(PyObject* module);

}  // namespace lorewood::python
