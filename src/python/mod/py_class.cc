// Heap type creation for the binding classes.
#include "py_class.h"

#include <cstring>

namespace lorewood::python {

const char* bare_type_name(const char* dotted) {
  const char* dot = std::strrchr(dotted, '.');
  return dot == nullptr ? dotted : dot + 1;
}

PyObject* create_binding_type(PyObject* module, const ClassSpec& spec, int basicsize,
                              destructor dealloc) {
  std::vector<PyType_Slot> slots;
  slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(dealloc)});
  if (spec.doc != nullptr) slots.push_back({Py_tp_doc, const_cast<char*>(spec.doc)});
  if (spec.methods != nullptr) slots.push_back({Py_tp_methods, spec.methods});
  if (spec.getsets != nullptr) slots.push_back({Py_tp_getset, spec.getsets});
  slots.insert(slots.end(), spec.slots.begin(), spec.slots.end());
  slots.push_back({0, nullptr});

  // The interpreter keeps a pointer to the name: it must be a static string.
  PyType_Spec type_spec{};
  type_spec.name = spec.name;
  type_spec.basicsize = basicsize;
  type_spec.itemsize = 0;
  type_spec.flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION |
                    Py_TPFLAGS_IMMUTABLETYPE;
  type_spec.slots = slots.data();
  return PyType_FromModuleAndSpec(module, &type_spec, nullptr);
}

}  // namespace lorewood::python
