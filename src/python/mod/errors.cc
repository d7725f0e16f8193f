// The exception class, core error mapping and internal fault reporting.
#include "errors.h"

#include <exception>
#include <new>
#include <string>

#include "py_ref.h"

namespace lorewood::python {
namespace {

// Created once per process and never released: the class outlives every
// module object that refers to it.
PyObject* g_lorewood_error = nullptr;

}  // namespace

PyObject* create_lorewood_error_type() {
  if (g_lorewood_error == nullptr) {
    g_lorewood_error = PyErr_NewException("_lorewood.PyLorewoodError", PyExc_Exception, nullptr);
  }
  return g_lorewood_error;
}

PyObject* lorewood_error_type() { return g_lorewood_error; }

PyObject* map_err(const LorewoodError& error) {
  const std::string message = error.message();
  // Messages embed component texts (OS, YAML and TOML readers); decoding with
  // replacement guarantees that a core error always reaches Python as itself.
  PyRef text = PyRef::steal(PyUnicode_DecodeUTF8(message.data(),
                                                 static_cast<Py_ssize_t>(message.size()),
                                                 "replace"));
  if (!text) return nullptr;
  PyErr_SetObject(g_lorewood_error, text.get());
  return nullptr;
}

void set_error_from_current_exception() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_Format(PyExc_SystemError, "internal error in _lorewood: %s", e.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "internal error in _lorewood: unknown exception");
  }
}

}  // namespace lorewood::python
