// The module _lorewood: initialisation and the order of its attributes.
//
// Single-phase initialisation: the module object is created once per process
// and belongs to the first interpreter that imports it. A repeated init in that
// interpreter returns the same object; an init in another sub-interpreter
// fails with ImportError (the classes and the exception are per process).
#include <cstdint>

#include "errors.h"
#include "graph_index_class.h"
#include "lakehouse_reader_class.h"
#include "module_functions.h"
#include "node_class.h"
#include "node_with_content_class.h"
#include "py_ref.h"
#include "python_api.h"
#include "resolved_config_class.h"
#include "resolved_content_class.h"
#include "traversal_node_class.h"
#include "traversal_result_class.h"

namespace lorewood::python {
namespace {

// m_size 0 (not -1): a repeated import calls the init function again instead
// of copying the first module's dict, so it can return the first module.
PyModuleDef g_module_def = {PyModuleDef_HEAD_INIT, "_lorewood", "", 0, nullptr};

PyObject* g_module = nullptr;
std::int64_t g_owner_interpreter = -1;

PyObject* new_error_type(PyObject*) { return Py_XNewRef(create_lorewood_error_type()); }

PyObject* new_function(PyObject* module, PyMethodDef* def) {
  PyRef module_name = PyRef::steal(PyUnicode_FromString("_lorewood"));
  if (!module_name) return nullptr;
  return PyCFunction_NewEx(def, module, module_name.get());
}

PyObject* new_load_config(PyObject* module) { return new_function(module, load_config_function()); }
PyObject* new_open_index(PyObject* module) { return new_function(module, open_index_function()); }

struct Attribute {
  const char* name;
  PyObject* (*create)(PyObject* module);  // new reference or nullptr
};

// The module's attributes, in the order they are created and listed in __all__.
constexpr Attribute kAttributes[] = {
    {"LorewoodError", new_error_type},
    {"ResolvedConfig", create_resolved_config_class},
    {"GraphIndex", create_graph_index_class},
    {"Node", create_node_class},
    {"TraversalNode", create_traversal_node_class},
    {"TraversalResult", create_traversal_result_class},
    {"ResolvedContent", create_resolved_content_class},
    {"NodeWithContent", create_node_with_content_class},
    {"LakehouseReader", create_lakehouse_reader_class},
    {"load_config", new_load_config},
    {"open_index", new_open_index},
};

bool add_attribute(PyObject* module, PyObject* all, const Attribute& attribute) {
  PyRef value = PyRef::steal(attribute.create(module));
  if (!value) return false;
  if (PyModule_AddObjectRef(module, attribute.name, value.get()) < 0) return false;
  PyRef name = PyRef::steal(PyUnicode_FromString(attribute.name));
  return name && PyList_Append(all, name.get()) == 0;
}

PyRef create_module() {
  PyRef module = PyRef::steal(PyModule_Create(&g_module_def));
  if (!module) return {};
  PyRef all = PyRef::steal(PyList_New(0));
  if (!all || PyModule_AddObjectRef(module.get(), "__all__", all.get()) < 0) return {};
  for (const Attribute& attribute : kAttributes) {
    if (!add_attribute(module.get(), all.get(), attribute)) return {};
  }
  return module;
}

PyObject* init_module() {
  const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (interpreter < 0) return nullptr;
  if (g_module != nullptr) {
    if (interpreter != g_owner_interpreter) {
      PyErr_SetString(PyExc_ImportError,
                      "_lorewood does not support sub-interpreters: it is already loaded in "
                      "another interpreter of this process");
      return nullptr;
    }
    return Py_NewRef(g_module);
  }
  PyRef module = create_module();
  if (!module) return nullptr;
  g_module = Py_NewRef(module.get());  // kept for the life of the process
  g_owner_interpreter = interpreter;
  return module.release();
}

}  // namespace
}  // namespace lorewood::python

PyMODINIT_FUNC PyInit__lorewood(void) {
  return lorewood::python::guarded([] { return lorewood::python::init_module(); });
}
