// Errors at the Python boundary: core errors, internal faults, entry guards.
//
// Every function the interpreter calls (methods, getters, slots, module init)
// wraps its body in `guarded`, so that no C++ exception ever crosses into the
// interpreter:
//
//   static PyObject* read_node(PyObject* self, PyObject* const* args, ...) {
//     return guarded([&]() -> PyObject* {
//       ...
//       Result<Node> node = index.read_node(id);
//       if (!node) return map_err(node.error());
//       return new_py_node(std::move(*node));
//     });
//   }
#pragma once

#include <cxxabi.h>

#include <type_traits>
#include <utility>

#include "error/lorewood_error.h"
#include "python_api.h"

namespace lorewood::python {

// Creates the exception class "_lorewood.PyLorewoodError" (base Exception) once
// per process. Returns the class (borrowed, lives forever) or nullptr with the
// exception set.
PyObject* create_lorewood_error_type();

// The exception class; only valid after `create_lorewood_error_type` succeeded.
PyObject* lorewood_error_type();

// Raises PyLorewoodError with the error's message as its only argument. Always
// returns nullptr, so that `return map_err(result.error());` reads naturally.
PyObject* map_err(const LorewoodError& error);

// Sets the Python exception for the C++ exception being handled: MemoryError
// for std::bad_alloc, SystemError ("internal error in _lorewood: ...") for any
// other. Call only inside a catch block.
void set_error_from_current_exception() noexcept;

// Runs `body` and returns its result; a C++ exception becomes the Python
// exception of `set_error_from_current_exception` and the error return value
// (nullptr for pointers, -1 for integers). The one thing let through is the
// forced unwind of a thread that the interpreter ends during finalisation
// (it no longer holds the interpreter lock, so it must not touch Python).
template <typename F>
auto guarded(F&& body) -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  try {
    return body();
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (...) {
    set_error_from_current_exception();
    if constexpr (std::is_pointer_v<R>) {
      return nullptr;
    } else {
      return static_cast<R>(-1);
    }
  }
}

}  // namespace lorewood::python
