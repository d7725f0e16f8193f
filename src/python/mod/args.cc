// Argument binding and the conversions of single Python values.
#include "args.h"

#include <limits>

#include "py_ref.h"

namespace lorewood::python {
namespace {

// collections.abc.Sequence, imported on first use and kept for the process.
PyObject* g_sequence_abc = nullptr;

PyObject* sequence_abc() {
  if (g_sequence_abc == nullptr) {
    PyRef abc = PyRef::steal(PyImport_ImportModule("collections.abc"));
    if (!abc) return nullptr;
    g_sequence_abc = PyObject_GetAttrString(abc.get(), "Sequence");
  }
  return g_sequence_abc;
}

// The text of the exception being raised, cleared; "" when it has none.
std::string take_exception_text() {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  PyRef owned_type = PyRef::steal(type);
  PyRef owned_value = PyRef::steal(value);
  PyRef owned_traceback = PyRef::steal(traceback);
  if (!owned_value) return "";
  PyRef text = PyRef::steal(PyObject_Str(owned_value.get()));
  if (!text) {
    PyErr_Clear();
    return "";
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text.get(), &size);
  if (data == nullptr) {
    PyErr_Clear();
    return "";
  }
  return std::string(data, static_cast<std::size_t>(size));
}

// Replaces a pending exception of class `type` by the same class carrying
// "argument '<param>': <its message>"; other exceptions are left alone.
void prefix_pending_error(PyObject* type, const char* param) {
  if (!PyErr_ExceptionMatches(type)) return;
  const std::string text = take_exception_text();
  PyErr_Format(type, "argument '%s': %s", param, text.c_str());
}

void raise_out_of_range(const char* param, const char* width) {
  PyErr_Format(PyExc_OverflowError, "argument '%s': value out of range for %s", param, width);
}

// The index integer of `object` (new reference), or nullptr with TypeError.
PyRef index_integer(PyObject* object, const char* param) {
  if (!PyIndex_Check(object)) {
    raise_argument_type_error(param, "an integer", object);
    return {};
  }
  PyRef integer = PyRef::steal(PyNumber_Index(object));
  if (!integer) prefix_pending_error(PyExc_TypeError, param);
  return integer;
}

std::string join_missing(const std::vector<const char*>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += names.size() == 2 ? " and " : (i + 1 == names.size() ? ", and " : ", ");
    text += "'";
    text += names[i];
    text += "'";
  }
  return text;
}

void raise_too_many_positional(const char* function, std::size_t required, std::size_t count,
                               Py_ssize_t given) {
  std::string takes = required == count
                          ? std::to_string(count)
                          : "from " + std::to_string(required) + " to " + std::to_string(count);
  PyErr_Format(PyExc_TypeError, "%s() takes %s positional argument%s but %zd %s given", function,
               takes.c_str(), count == 1 && required == count ? "" : "s", given,
               given == 1 ? "was" : "were");
}

// The slot of the parameter named `keyword`, or `count` when there is none.
std::size_t find_parameter(PyObject* keyword, const char* const* names, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (PyUnicode_CompareWithASCIIString(keyword, names[i]) == 0) return i;
  }
  return count;
}

}  // namespace

std::string type_name_of(PyObject* object) {
  PyRef name = PyRef::steal(
      PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "__name__"));
  if (name) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_Check(name.get()) ? PyUnicode_AsUTF8AndSize(name.get(), &size)
                                                    : nullptr;
    if (data != nullptr) return std::string(data, static_cast<std::size_t>(size));
  }
  PyErr_Clear();
  return "object";
}

void raise_argument_type_error(const char* param, const char* expected, PyObject* got) {
  const std::string got_name = type_name_of(got);
  PyErr_Format(PyExc_TypeError, "argument '%s': expected %s, got %s", param, expected,
               got_name.c_str());
}

bool text_from_py(PyObject* object, const char* param, std::string& out) {
  if (!PyUnicode_Check(object)) {
    raise_argument_type_error(param, "str", object);
    return false;
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(object, &size);  // UnicodeEncodeError
  if (data == nullptr) return false;
  out.assign(data, static_cast<std::size_t>(size));
  return true;
}

int is_sequence_not_text(PyObject* object) {
  if (PyUnicode_Check(object)) return 0;
  if (PyList_Check(object) || PyTuple_Check(object)) return 1;
  PyObject* abc = sequence_abc();
  if (abc == nullptr) return -1;
  return PyObject_IsInstance(object, abc);
}

bool text_list_from_py(PyObject* object, const char* param, std::vector<std::string>& out) {
  const int is_sequence = is_sequence_not_text(object);
  if (is_sequence < 0) return false;
  if (is_sequence == 0) {
    raise_argument_type_error(param, "a sequence of str", object);
    return false;
  }
  PyRef iterator = PyRef::steal(PyObject_GetIter(object));
  if (!iterator) return false;
  out.clear();
  std::size_t position = 0;
  while (PyRef item = PyRef::steal(PyIter_Next(iterator.get()))) {
    if (!PyUnicode_Check(item.get())) {
      const std::string got = type_name_of(item.get());
      PyErr_Format(PyExc_TypeError, "argument '%s': item %zu is %s, expected str", param,
                   position, got.c_str());
      return false;
    }
    if (!text_from_py(item.get(), param, out.emplace_back())) return false;
    ++position;
  }
  return !PyErr_Occurred();
}

bool bool_from_py(PyObject* object, const char* param, bool& out) {
  if (object != Py_True && object != Py_False) {
    raise_argument_type_error(param, "bool", object);
    return false;
  }
  out = object == Py_True;
  return true;
}

bool int64_from_py(PyObject* object, const char* param, std::int64_t& out) {
  PyRef integer = index_integer(object, param);
  if (!integer) return false;
  const long long value = PyLong_AsLongLong(integer.get());
  if (value == -1 && PyErr_Occurred()) {
    if (PyErr_ExceptionMatches(PyExc_OverflowError)) {
      PyErr_Clear();
      raise_out_of_range(param, "a signed 64-bit integer");
    }
    return false;
  }
  out = value;
  return true;
}

bool uint64_from_py(PyObject* object, const char* param, std::uint64_t& out) {
  PyRef integer = index_integer(object, param);
  if (!integer) return false;
  const unsigned long long value = PyLong_AsUnsignedLongLong(integer.get());
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
    if (PyErr_ExceptionMatches(PyExc_OverflowError)) {
      PyErr_Clear();
      raise_out_of_range(param, "an unsigned 64-bit integer");
    }
    return false;
  }
  out = value;
  return true;
}

bool uint32_from_py(PyObject* object, const char* param, std::uint32_t& out) {
  std::uint64_t wide = 0;
  if (!uint64_from_py(object, param, wide)) {
    if (PyErr_ExceptionMatches(PyExc_OverflowError)) {
      PyErr_Clear();
      raise_out_of_range(param, "an unsigned 32-bit integer");
    }
    return false;
  }
  if (wide > std::numeric_limits<std::uint32_t>::max()) {
    raise_out_of_range(param, "an unsigned 32-bit integer");
    return false;
  }
  out = static_cast<std::uint32_t>(wide);
  return true;
}

bool float_from_py(PyObject* object, const char* param, double& out) {
  const double value = PyFloat_AsDouble(object);
  if (value == -1.0 && PyErr_Occurred()) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
      raise_argument_type_error(param, "a float", object);
    } else {
      prefix_pending_error(PyExc_OverflowError, param);
    }
    return false;
  }
  out = value;
  return true;
}

bool float_dict_from_py(PyObject* object, const char* param,
                        std::vector<std::pair<std::string, double>>& out) {
  if (!PyDict_Check(object)) {
    raise_argument_type_error(param, "a dict of str to float", object);
    return false;
  }
  // A snapshot of the items: converting a value may run Python code that
  // changes the dict.
  PyRef items = PyRef::steal(PyDict_Items(object));
  if (!items) return false;
  const Py_ssize_t count = PyList_Size(items.get());
  out.clear();
  out.reserve(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* pair = PyList_GetItem(items.get(), i);  // borrowed, kept by `items`
    PyObject* key = PyTuple_GetItem(pair, 0);
    PyObject* value = PyTuple_GetItem(pair, 1);
    if (key == nullptr || value == nullptr) return false;
    if (!PyUnicode_Check(key)) {
      const std::string got = type_name_of(key);
      PyErr_Format(PyExc_TypeError, "argument '%s': key is %s, expected str", param, got.c_str());
      return false;
    }
    auto& entry = out.emplace_back();
    if (!text_from_py(key, param, entry.first)) return false;
    if (!float_from_py(value, param, entry.second)) return false;
  }
  return true;
}

bool bind_arguments(const char* function, const char* const* names, const bool* required,
                    std::size_t count, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** slots) {
  const std::size_t positional = static_cast<std::size_t>(nargs);
  for (std::size_t i = 0; i < positional && i < count; ++i) slots[i] = args[i];

  const Py_ssize_t keyword_count = kwnames == nullptr ? 0 : PyTuple_Size(kwnames);
  for (Py_ssize_t k = 0; k < keyword_count; ++k) {
    PyObject* keyword = PyTuple_GetItem(kwnames, k);
    if (keyword == nullptr) return false;
    const std::size_t slot = find_parameter(keyword, names, count);
    if (slot == count) {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", function,
                   keyword);
      return false;
    }
    if (slots[slot] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", function,
                   names[slot]);
      return false;
    }
    slots[slot] = args[nargs + k];
  }

  if (positional > count) {
    std::size_t required_count = 0;
    for (std::size_t i = 0; i < count; ++i) required_count += required[i] ? 1 : 0;
    raise_too_many_positional(function, required_count, count, nargs);
    return false;
  }

  std::vector<const char*> missing;
  for (std::size_t i = 0; i < count; ++i) {
    if (required[i] && slots[i] == nullptr) missing.push_back(names[i]);
  }
  if (!missing.empty()) {
    const std::string list = join_missing(missing);
    PyErr_Format(PyExc_TypeError, "%s() missing %zu required positional argument%s: %s",
                 function, missing.size(), missing.size() == 1 ? "" : "s", list.c_str());
    return false;
  }
  return true;
}

}  // namespace lorewood::python
