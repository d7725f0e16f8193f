// Core values to Python objects, and frontmatter values to Python objects.
#include "to_python.h"

#include <charconv>
#include <cmath>

#include "error/display_path.h"

namespace lorewood::python {
namespace {

Py_ssize_t ssize(std::size_t n) { return static_cast<Py_ssize_t>(n); }

PyRef sequence_to_py(const YamlSequence& items) {
  PyRef list = PyRef::steal(PyList_New(ssize(items.size())));
  if (!list) return {};
  for (std::size_t i = 0; i < items.size(); ++i) {
    PyRef item = yaml_value_to_py(items[i]);
    if (!item) return {};
    PyList_SetItem(list.get(), ssize(i), item.release());  // steals
  }
  return list;
}

PyRef mapping_to_py(const YamlMapping& entries) {
  PyRef dict = PyRef::steal(PyDict_New());
  if (!dict) return {};
  for (const auto& [key, value] : entries) {
    std::optional<std::string> key_text = yaml_key_text(key);
    if (!key_text) continue;
    PyRef py_key = to_py_text(*key_text);
    if (!py_key) return {};
    PyRef py_value = yaml_value_to_py(value);
    if (!py_value) return {};
    if (PyDict_SetItem(dict.get(), py_key.get(), py_value.get()) < 0) return {};
  }
  return dict;
}

std::string float_key_text(double value) {
  if (std::isnan(value)) return ".nan";
  if (std::isinf(value)) return value > 0 ? ".inf" : "-.inf";
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

}  // namespace

PyRef to_py_text(std::string_view text) {
  return PyRef::steal(PyUnicode_FromStringAndSize(text.data(), ssize(text.size())));
}

PyRef to_py_optional_text(const std::optional<std::string>& text) {
  return text ? to_py_text(*text) : to_py_none();
}

PyRef to_py_path(const std::filesystem::path& path) { return to_py_text(display_path(path)); }

PyRef to_py_text_list(const std::vector<std::string>& texts) {
  PyRef list = PyRef::steal(PyList_New(ssize(texts.size())));
  if (!list) return {};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    PyRef item = to_py_text(texts[i]);
    if (!item) return {};
    PyList_SetItem(list.get(), ssize(i), item.release());  // steals
  }
  return list;
}

PyRef to_py_int(std::int64_t value) { return PyRef::steal(PyLong_FromLongLong(value)); }
PyRef to_py_uint(std::uint64_t value) { return PyRef::steal(PyLong_FromUnsignedLongLong(value)); }
PyRef to_py_float(double value) { return PyRef::steal(PyFloat_FromDouble(value)); }
PyRef to_py_bool(bool value) { return PyRef::steal(PyBool_FromLong(value ? 1 : 0)); }
PyRef to_py_none() { return PyRef::borrow(Py_None); }

std::optional<std::string> yaml_key_text(const YamlValue& key) {
  switch (key.kind()) {
    case YamlValue::Kind::String: return key.as_string();
    case YamlValue::Kind::Bool: return key.as_bool() ? "true" : "false";
    case YamlValue::Kind::Int: return std::to_string(key.as_int());
    case YamlValue::Kind::UInt: return std::to_string(key.as_uint());
    case YamlValue::Kind::Float: return float_key_text(key.as_float());
    case YamlValue::Kind::Null:
    case YamlValue::Kind::Sequence:
    case YamlValue::Kind::Mapping:
    case YamlValue::Kind::Tagged: return std::nullopt;
  }
  return std::nullopt;
}

PyRef yaml_value_to_py(const YamlValue& value) {
  const YamlValue& v = value.untagged();
  switch (v.kind()) {
    case YamlValue::Kind::Null: return to_py_none();
    case YamlValue::Kind::Bool: return to_py_bool(v.as_bool());
    case YamlValue::Kind::Int: return to_py_int(v.as_int());
    case YamlValue::Kind::UInt: return to_py_uint(v.as_uint());
    case YamlValue::Kind::Float: return to_py_float(v.as_float());
    case YamlValue::Kind::String: return to_py_text(v.as_string());
    case YamlValue::Kind::Sequence:
    case YamlValue::Kind::Mapping: {
      if (Py_EnterRecursiveCall(" while converting a frontmatter value") != 0) return {};
      PyRef result = v.is_sequence() ? sequence_to_py(v.as_sequence())
                                     : mapping_to_py(v.as_mapping());
      Py_LeaveRecursiveCall();
      return result;
    }
    case YamlValue::Kind::Tagged: break;  // removed by untagged()
  }
  PyErr_SetString(PyExc_SystemError, "internal error in _lorewood: unknown frontmatter value");
  return {};
}

DictBuilder::DictBuilder() : dict_(PyRef::steal(PyDict_New())) {}

DictBuilder& DictBuilder::set(const char* key, PyRef value) {
  if (!dict_) return *this;
  if (!value || PyDict_SetItemString(dict_.get(), key, value.get()) < 0) dict_ = PyRef();
  return *this;
}

DictBuilder& DictBuilder::set(std::string_view key, PyRef value) {
  if (!dict_) return *this;
  PyRef py_key = to_py_text(key);
  if (!py_key || !value || PyDict_SetItem(dict_.get(), py_key.get(), value.get()) < 0) {
    dict_ = PyRef();
  }
  return *this;
}

PyRef DictBuilder::finish() { return std::move(dict_); }

}  // namespace lorewood::python
