// The Python class NodeWithContent: a node paired with its resolved content.
#pragma once

#include "lakehouse/lakehouse_reader.h"
#include "py_class.h"
#include "py_ref.h"

namespace lorewood::python {

using NodeWithContentClass = BindingClass<NodeWithContent>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_node_with_content_class(PyObject* module);

}  // namespace lorewood::python
