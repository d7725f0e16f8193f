// Core values to new Python objects.
//
// Every function returns a new reference, or nullptr with the exception set.
// Texts must be UTF-8 (the core validates node text); paths are shown in
// display form (invalid UTF-8 replaced by U+FFFD).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "node/yaml_value.h"
#include "py_ref.h"

namespace lorewood::python {

PyRef to_py_text(std::string_view text);
// None for an absent text.
PyRef to_py_optional_text(const std::optional<std::string>& text);
// The path's display form as text.
PyRef to_py_path(const std::filesystem::path& path);
PyRef to_py_text_list(const std::vector<std::string>& texts);
PyRef to_py_int(std::int64_t value);
PyRef to_py_uint(std::uint64_t value);
PyRef to_py_float(double value);
PyRef to_py_bool(bool value);
PyRef to_py_none();

// A frontmatter value as a Python object: None, bool, int, float, str, list,
// dict (keys as text, see `yaml_key_text`); tags are dropped. Nesting is
// bounded by the interpreter's recursion limit (RecursionError).
PyRef yaml_value_to_py(const YamlValue& value);

// The dict key text of a mapping key: strings unchanged, booleans "true" or
// "false", numbers in YAML number text (shortest round-trip form for finite
// floats, ".nan", ".inf", "-.inf"); nullopt for keys that are skipped (null,
// sequence, mapping, tagged value).
std::optional<std::string> yaml_key_text(const YamlValue& key);

// Builds a dict key by key, in insertion order. The first failure (a null
// value or a failed insertion) is latched: later calls do nothing and
// `finish` returns nullptr with that exception set.
//
//   DictBuilder dict;
//   dict.set("id", to_py_text(id)).set("score", to_py_int(score));
//   return dict.finish();
class DictBuilder {
 public:
  DictBuilder();
  DictBuilder& set(const char* key, PyRef value);
  DictBuilder& set(std::string_view key, PyRef value);
  // The dict being built (for callers that insert by other means).
  PyObject* get() const { return dict_.get(); }
  PyRef finish();

 private:
  PyRef dict_;
};

}  // namespace lorewood::python
