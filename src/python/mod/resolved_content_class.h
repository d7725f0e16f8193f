// The Python class ResolvedContent: the content of one node ("local", "text"
// or "external_asset").
#pragma once

#include "lakehouse/content/resolved_content.h"
#include "py_class.h"
#include "py_ref.h"

namespace lorewood::python {

using ResolvedContentClass = BindingClass<ResolvedContent>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_resolved_content_class(PyObject* module);

}  // namespace lorewood::python
