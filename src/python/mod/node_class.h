// The Python class Node: a snapshot of one node (metadata, body, path).
#pragma once

#include "node/node.h"
#include "py_class.h"

namespace lorewood::python {

using NodeClass = BindingClass<Node>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_node_class(PyObject* module);

// A new Node object owning `node`; empty with the exception set on failure.
PyRef new_py_node(Node node);

}  // namespace lorewood::python
