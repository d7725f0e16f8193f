// PyRef: an owned (strong) reference to a Python object, released on scope exit.
//
//   PyRef list = PyRef::steal(PyList_New(0));
//   if (!list) return nullptr;             // the exception is set
//   ...
//   return list.release();                 // hand the reference to the caller
#pragma once

#include <utility>

#include "python_api.h"

namespace lorewood::python {

class PyRef {
 public:
  PyRef() = default;
  // Takes over a new reference (may be null, as returned by a failed C-API call).
  static PyRef steal(PyObject* object) { return PyRef(object); }
  // Adds a reference to a borrowed object.
  static PyRef borrow(PyObject* object) {
    Py_XINCREF(object);
    return PyRef(object);
  }

  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  PyRef(PyRef&& other) noexcept : object_(other.release()) {}
  PyRef& operator=(PyRef&& other) noexcept {
    PyRef old(std::exchange(object_, other.release()));
    return *this;
  }
  ~PyRef() { Py_XDECREF(object_); }

  PyObject* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Gives up ownership without releasing the reference.
  PyObject* release() { return std::exchange(object_, nullptr); }

 private:
  explicit PyRef(PyObject* object) : object_(object) {}
  PyObject* object_ = nullptr;
};

}  // namespace lorewood::python
