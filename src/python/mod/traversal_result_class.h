// The Python class TraversalResult: one traversal's answer (start, order, depth
// bound, reached nodes), rendered as a report against any index.
#pragma once

#include "graph/traversal.h"
#include "py_class.h"
#include "py_ref.h"

namespace lorewood::python {

using TraversalResultClass = BindingClass<TraversalResult>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_traversal_result_class(PyObject* module);

// A new TraversalResult object owning `result`; empty with the exception set on
// failure.
PyRef new_py_traversal_result(TraversalResult result);

}  // namespace lorewood::python
