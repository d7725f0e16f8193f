// Arguments from Python: parameter lists declared once, parsed in two steps.
//
// A callable declares its parameters as a constexpr Signature; every parameter
// can be passed by position or by keyword. Parsing is split so that a method
// can take its borrow between the steps:
//
//   constexpr Signature kTraverse{"GraphIndex.traverse",
//       arg::text("from_id"), arg::uint32("depth", 2), arg::text("order", "bfs")};
//
//   static PyObject* traverse(PyObject* self, PyObject* const* args,
//                             Py_ssize_t nargs, PyObject* kwnames) {
//     return guarded([&]() -> PyObject* {
//       auto bound = kTraverse.bind(args, nargs, kwnames);  // count, keywords
//       if (!bound) return nullptr;
//       SharedBorrow borrow(...);
//       if (!borrow) return nullptr;
//       auto values = kTraverse.convert(*bound);            // forms, in order
//       if (!values) return nullptr;
//       auto& [from_id, depth, order] = *values;
//       ...
//     });
//   }
//
// The method is registered with METH_FASTCALL | METH_KEYWORDS (`fastcall`).
// `bind` raises TypeError in the interpreter's wording for argument-count and
// keyword errors; `convert` converts in parameter order and reports the first
// failing parameter: TypeError "argument '<name>': ...", OverflowError
// "argument '<name>': ..." for integers out of range, or the interpreter's
// UnicodeEncodeError for a str holding lone surrogates.
//
// Forms (value type in parentheses):
//   text (std::string)            only str and its subclasses
//   optional_text (optional<std::string>)           None or text
//   text_list / optional_text_list (vector<std::string>, optional<...>)
//       a list, tuple or registered collections.abc.Sequence of str; a str
//       itself is refused
//   boolean (bool)                only True or False
//   int64 / uint64 / uint32, optional_int64 / optional_uint64 (the integer)
//       int or any object with __index__, within the native range
//   floating / optional_floating (double)   float, int or __float__
//   optional_float_dict (optional<vector<pair<std::string, double>>>)
//       a dict (subclasses included) of str to float, in dict order
//   object<Class> (Class::Instance*)        an instance of a module class
//   any (PyObject*, borrowed; nullptr when omitted)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "python_api.h"

namespace lorewood::python {

// ---- Single-value conversions (usable on their own, e.g. for dict items) ----
// Each returns false with the exception set; `param` names the parameter in
// the message.

bool text_from_py(PyObject* object, const char* param, std::string& out);
bool text_list_from_py(PyObject* object, const char* param, std::vector<std::string>& out);
bool bool_from_py(PyObject* object, const char* param, bool& out);
bool int64_from_py(PyObject* object, const char* param, std::int64_t& out);
bool uint64_from_py(PyObject* object, const char* param, std::uint64_t& out);
bool uint32_from_py(PyObject* object, const char* param, std::uint32_t& out);
bool float_from_py(PyObject* object, const char* param, double& out);
bool float_dict_from_py(PyObject* object, const char* param,
                        std::vector<std::pair<std::string, double>>& out);
// True for a list, tuple or registered collections.abc.Sequence that is not a
// str; -1 with the exception set when the check itself fails.
int is_sequence_not_text(PyObject* object);
// Raises TypeError "argument '<param>': expected <expected>, got <type name>".
void raise_argument_type_error(const char* param, const char* expected, PyObject* got);
// The type name of an object, for messages.
std::string type_name_of(PyObject* object);

// Binds fastcall arguments to parameter slots (borrowed, nullptr = omitted).
// Raises TypeError for unexpected or repeated keywords, too many positional
// arguments and missing required ones. `function` is the name in messages.
bool bind_arguments(const char* function, const char* const* names, const bool* required,
                    std::size_t count, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** slots);

// ---- Forms ----

namespace form {

struct Text {
  using value_type = std::string;
  using default_type = std::string_view;
  static value_type from_default(default_type d) { return std::string(d); }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    return text_from_py(o, name, out);
  }
};

struct OptionalText {
  using value_type = std::optional<std::string>;
  using default_type = std::nullopt_t;
  static value_type from_default(default_type) { return std::nullopt; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if (o == Py_None) return true;
    return text_from_py(o, name, out.emplace());
  }
};

struct TextList {
  using value_type = std::vector<std::string>;
  using default_type = std::nullptr_t;
  static value_type from_default(default_type) { return {}; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    return text_list_from_py(o, name, out);
  }
};

struct OptionalTextList {
  using value_type = std::optional<std::vector<std::string>>;
  using default_type = std::nullopt_t;
  static value_type from_default(default_type) { return std::nullopt; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if (o == Py_None) return true;
    return text_list_from_py(o, name, out.emplace());
  }
};

struct Bool {
  using value_type = bool;
  using default_type = bool;
  static value_type from_default(default_type d) { return d; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    return bool_from_py(o, name, out);
  }
};

template <typename I>
struct Int {
  using value_type = I;
  using default_type = I;
  static value_type from_default(default_type d) { return d; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if constexpr (std::is_same_v<I, std::int64_t>) return int64_from_py(o, name, out);
    if constexpr (std::is_same_v<I, std::uint64_t>) return uint64_from_py(o, name, out);
    if constexpr (std::is_same_v<I, std::uint32_t>) return uint32_from_py(o, name, out);
  }
};

template <typename I>
struct OptionalInt {
  using value_type = std::optional<I>;
  using default_type = std::nullopt_t;
  static value_type from_default(default_type) { return std::nullopt; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if (o == Py_None) return true;
    return Int<I>::convert(o, name, out.emplace());
  }
};

struct Float {
  using value_type = double;
  using default_type = double;
  static value_type from_default(default_type d) { return d; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    return float_from_py(o, name, out);
  }
};

struct OptionalFloat {
  using value_type = std::optional<double>;
  using default_type = std::nullopt_t;
  static value_type from_default(default_type) { return std::nullopt; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if (o == Py_None) return true;
    return float_from_py(o, name, out.emplace());
  }
};

struct OptionalFloatDict {
  using value_type = std::optional<std::vector<std::pair<std::string, double>>>;
  using default_type = std::nullopt_t;
  static value_type from_default(default_type) { return std::nullopt; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if (o == Py_None) return true;
    return float_dict_from_py(o, name, out.emplace());
  }
};

// An instance of a module class; `Class` is a BindingClass (py_class.h).
template <typename Class>
struct Object {
  using value_type = typename Class::Instance*;
  using default_type = std::nullptr_t;
  static value_type from_default(default_type) { return nullptr; }
  static bool convert(PyObject* o, const char* name, value_type& out) {
    if (!Class::check(o)) {
      raise_argument_type_error(name, Class::name(), o);
      return false;
    }
    out = Class::instance(o);
    return true;
  }
};

struct Any {
  using value_type = PyObject*;
  using default_type = std::nullptr_t;
  static value_type from_default(default_type) { return nullptr; }
  static bool convert(PyObject* o, const char*, value_type& out) {
    out = o;
    return true;
  }
};

}  // namespace form

// One declared parameter.
template <typename Form>
struct Param {
  using form_type = Form;
  using value_type = typename Form::value_type;
  const char* name;
  bool required;
  typename Form::default_type default_value;
};

namespace arg {

constexpr Param<form::Text> text(const char* name) { return {name, true, {}}; }
constexpr Param<form::Text> text(const char* name, std::string_view d) { return {name, false, d}; }
constexpr Param<form::OptionalText> optional_text(const char* name) {
  return {name, false, std::nullopt};
}
constexpr Param<form::TextList> text_list(const char* name) { return {name, true, nullptr}; }
constexpr Param<form::OptionalTextList> optional_text_list(const char* name) {
  return {name, false, std::nullopt};
}
constexpr Param<form::Bool> boolean(const char* name) { return {name, true, false}; }
constexpr Param<form::Bool> boolean(const char* name, bool d) { return {name, false, d}; }
constexpr Param<form::Int<std::int64_t>> int64(const char* name) { return {name, true, 0}; }
constexpr Param<form::Int<std::int64_t>> int64(const char* name, std::int64_t d) {
  return {name, false, d};
}
constexpr Param<form::Int<std::uint64_t>> uint64(const char* name) { return {name, true, 0}; }
constexpr Param<form::Int<std::uint64_t>> uint64(const char* name, std::uint64_t d) {
  return {name, false, d};
}
constexpr Param<form::Int<std::uint32_t>> uint32(const char* name) { return {name, true, 0}; }
constexpr Param<form::Int<std::uint32_t>> uint32(const char* name, std::uint32_t d) {
  return {name, false, d};
}
constexpr Param<form::OptionalInt<std::int64_t>> optional_int64(const char* name) {
  return {name, false, std::nullopt};
}
constexpr Param<form::OptionalInt<std::uint64_t>> optional_uint64(const char* name) {
  return {name, false, std::nullopt};
}
constexpr Param<form::Float> floating(const char* name) { return {name, true, 0.0}; }
constexpr Param<form::Float> floating(const char* name, double d) { return {name, false, d}; }
constexpr Param<form::OptionalFloat> optional_floating(const char* name) {
  return {name, false, std::nullopt};
}
constexpr Param<form::OptionalFloatDict> optional_float_dict(const char* name) {
  return {name, false, std::nullopt};
}
template <typename Class>
constexpr Param<form::Object<Class>> object(const char* name) {
  return {name, true, nullptr};
}
constexpr Param<form::Any> any(const char* name) { return {name, true, nullptr}; }
constexpr Param<form::Any> optional_any(const char* name) { return {name, false, nullptr}; }

}  // namespace arg

// The parameter slots of one call, bound but not yet converted (borrowed
// references from the caller's argument array).
template <std::size_t N>
struct BoundArguments {
  std::array<PyObject*, N> slots{};
};

template <typename... Params>
class Signature {
 public:
  static constexpr std::size_t kCount = sizeof...(Params);
  using Values = std::tuple<typename Params::value_type...>;

  constexpr Signature(const char* function, Params... params)
      : function_(function), params_(params...), names_{params.name...},
        required_{params.required...} {}

  // Step 1: binds positional and keyword arguments to the parameters.
  std::optional<BoundArguments<kCount>> bind(PyObject* const* args, Py_ssize_t nargs,
                                             PyObject* kwnames) const {
    BoundArguments<kCount> bound;
    if (!bind_arguments(function_, names_.data(), required_.data(), kCount, args, nargs, kwnames,
                        bound.slots.data())) {
      return std::nullopt;
    }
    return bound;
  }

  // Step 2: converts every bound value in parameter order; omitted ones take
  // their defaults.
  std::optional<Values> convert(const BoundArguments<kCount>& bound) const {
    Values values;
    if (!convert_all(bound, values, std::index_sequence_for<Params...>{})) return std::nullopt;
    return values;
  }

  // Both steps, for callables that need nothing in between.
  std::optional<Values> parse(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) const {
    auto bound = bind(args, nargs, kwnames);
    if (!bound) return std::nullopt;
    return convert(*bound);
  }

 private:
  template <std::size_t... I>
  bool convert_all(const BoundArguments<kCount>& bound, Values& values,
                   std::index_sequence<I...>) const {
    return (convert_one<I>(bound.slots[I], std::get<I>(values)) && ...);
  }

  template <std::size_t I, typename V>
  bool convert_one(PyObject* object, V& out) const {
    const auto& param = std::get<I>(params_);
    using Form = typename std::tuple_element_t<I, std::tuple<Params...>>::form_type;
    if (object == nullptr) {
      out = Form::from_default(param.default_value);
      return true;
    }
    return Form::convert(object, param.name, out);
  }

  const char* function_;
  std::tuple<Params...> params_;
  std::array<const char*, kCount> names_;
  std::array<bool, kCount> required_;
};

// Zero-parameter signatures still work (as do METH_NOARGS methods).
template <>
class Signature<> {
 public:
  constexpr explicit Signature(const char* function) : function_(function) {}
  bool parse(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) const {
    return bind_arguments(function_, nullptr, nullptr, 0, args, nargs, kwnames, nullptr);
  }

 private:
  const char* function_;
};

// Casts a fastcall-with-keywords function for a PyMethodDef entry.
template <typename F>
PyCFunction fastcall(F* function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

}  // namespace lorewood::python
