// BindingClass<T>: a Python class whose instances each own one C++ value T.
//
// Classes are heap types created once per process; Python cannot instantiate
// them (TypeError), subclass them, set attributes on them or their instances,
// or weakly reference their instances (no instance dict, no weakref slot).
// Instances come only from `wrap`, which places the value after the object
// header; dealloc destroys it.
//
//   using NodeClass = BindingClass<Node>;              // one value type per class
//   NodeClass::create(module, {.name = "_lorewood.Node", .methods = kMethods,
//                              .getsets = kGetSets,
//                              .slots = {{Py_tp_repr, (void*)node_repr}}});
//   PyRef obj = NodeClass::wrap(std::move(node));     // new instance
//   Node& node = NodeClass::value(self);              // inside a method
//
// Method tables: METH_FASTCALL | METH_KEYWORDS entries with `fastcall(fn)`
// (args.h), METH_NOARGS for no parameters; each docstring starts with the text
// signature, "--" and a blank line. Properties: PyGetSetDef with getter only
// and "" as docstring (`property` below).
#pragma once

#include <initializer_list>
#include <new>
#include <utility>
#include <vector>

#include "py_ref.h"
#include "python_api.h"

namespace lorewood::python {

struct ClassSpec {
  // "_lorewood.<Name>": __name__ and __qualname__ are <Name>, __module__ is
  // _lorewood. A static string (the interpreter keeps the pointer).
  const char* name = nullptr;
  // Class docstring; nullptr for none.
  const char* doc = nullptr;
  PyMethodDef* methods = nullptr;  // static, terminated by {nullptr}
  PyGetSetDef* getsets = nullptr;  // static, terminated by {nullptr}
  // Further slots (Py_tp_repr, Py_sq_length, ...).
  std::initializer_list<PyType_Slot> slots = {};
};

// Creates a heap type for instances of `basicsize` bytes with the given
// dealloc. Returns a new reference or nullptr with the exception set.
PyObject* create_binding_type(PyObject* module, const ClassSpec& spec, int basicsize,
                              destructor dealloc);

// The part of a dotted type name after the last dot.
const char* bare_type_name(const char* dotted);

// A read-only property entry with an empty docstring.
constexpr PyGetSetDef property(const char* name, getter get) {
  return PyGetSetDef{name, get, nullptr, "", nullptr};
}

template <typename T>
class BindingClass {
 public:
  using value_type = T;

  struct Instance {
    PyObject_HEAD
    T value;
  };

  // Creates the class once per process and returns it (a new reference), or
  // nullptr with the exception set. Later calls return the same class.
  static PyObject* create(PyObject* module, const ClassSpec& spec) {
    if (type_ == nullptr) {
      PyObject* type = create_binding_type(module, spec, static_cast<int>(sizeof(Instance)),
                                           &dealloc);
      if (type == nullptr) return nullptr;
      type_ = reinterpret_cast<PyTypeObject*>(type);  // keeps this reference forever
      name_ = bare_type_name(spec.name);
    }
    return Py_NewRef(reinterpret_cast<PyObject*>(type_));
  }

  static PyTypeObject* type() { return type_; }
  static const char* name() { return name_; }
  // The class cannot be subclassed, so an exact type test suffices.
  static bool check(PyObject* object) { return type_ != nullptr && Py_TYPE(object) == type_; }
  static Instance* instance(PyObject* self) { return reinterpret_cast<Instance*>(self); }
  static T& value(PyObject* self) { return instance(self)->value; }

  // A new instance whose value is constructed from `args`, or an empty PyRef
  // with the exception set.
  template <typename... Args>
  static PyRef wrap(Args&&... args) {
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type_, Py_tp_alloc));
    PyObject* self = alloc(type_, 0);
    if (self == nullptr) return {};
    try {
      new (&instance(self)->value) T(std::forward<Args>(args)...);
    } catch (...) {
      // The value was never constructed: free without running dealloc.
      free_object(self);
      throw;
    }
    return PyRef::steal(self);
  }

 private:
  static void dealloc(PyObject* self) {
    instance(self)->value.~T();
    free_object(self);
  }

  static void free_object(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    auto free_function = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    free_function(self);
    Py_DECREF(reinterpret_cast<PyObject*>(type));  // instances of heap types own a type reference
  }

  static inline PyTypeObject* type_ = nullptr;
  static inline const char* name_ = nullptr;
};

}  // namespace lorewood::python
