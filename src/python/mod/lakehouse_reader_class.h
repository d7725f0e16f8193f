// The Python class LakehouseReader. Instances are made by later parts of the module; for
// now the class is registered so that the module's names are complete.
#pragma once

#include "py_class.h"

namespace lorewood::python {

// The value an instance owns (to be replaced by the core record it wraps).
struct LakehouseReaderValue {};

using LakehouseReaderClass = BindingClass<LakehouseReaderValue>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_lakehouse_reader_class(PyObject* module);

}  // namespace lorewood::python
