// The Python class Node.
#include "node_class.h"

#include <string>

#include "errors.h"
#include "quoted_form.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

const Node& node_of(PyObject* self) { return NodeClass::value(self); }

// ---- Methods ----

PyObject* to_dict(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    const Node& node = node_of(self);
    const NodeMetadata& meta = node.metadata;
    DictBuilder dict;
    dict.set("id", to_py_text(meta.id)).set("type", to_py_text(meta.node_type));
    if (meta.source) dict.set("source", to_py_text(*meta.source));
    dict.set("links", to_py_text_list(meta.links));
    for (const auto& [key, value] : meta.extra) dict.set(std::string_view(key), yaml_value_to_py(value));
    // An extra key "body" or "relative_path" keeps its place but ends with the
    // node's own value.
    dict.set("body", to_py_text(node.body)).set("relative_path", to_py_path(node.relative_path));
    return dict.finish().release();
  });
}

PyObject* to_markdown(PyObject* self, PyObject*) {
  return guarded([&]() -> PyObject* {
    Result<std::string> text = node_of(self).to_markdown();
    if (!text) return map_err(text.error());
    return to_py_text(*text).release();
  });
}

PyMethodDef kMethods[] = {
    {"to_dict", to_dict, METH_NOARGS, "to_dict($self)\n--\n\n"},
    {"to_markdown", to_markdown, METH_NOARGS, "to_markdown($self)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

// ---- Properties ----

PyObject* get_id(PyObject* self, void*) {
  return guarded([&] { return to_py_text(node_of(self).metadata.id).release(); });
}
PyObject* get_node_type(PyObject* self, void*) {
  return guarded([&] { return to_py_text(node_of(self).metadata.node_type).release(); });
}
PyObject* get_source(PyObject* self, void*) {
  return guarded([&] { return to_py_optional_text(node_of(self).metadata.source).release(); });
}
PyObject* get_links(PyObject* self, void*) {
  return guarded([&] { return to_py_text_list(node_of(self).metadata.links).release(); });
}
PyObject* get_body(PyObject* self, void*) {
  return guarded([&] { return to_py_text(node_of(self).body).release(); });
}
PyObject* get_relative_path(PyObject* self, void*) {
  return guarded([&] { return to_py_path(node_of(self).relative_path).release(); });
}

PyGetSetDef kGetSets[] = {
    property("id", get_id),
    property("node_type", get_node_type),
    property("source", get_source),
    property("links", get_links),
    property("body", get_body),
    property("relative_path", get_relative_path),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// ---- Slots ----

PyObject* node_repr(PyObject* self) {
  return guarded([&]() -> PyObject* {
    const NodeMetadata& meta = node_of(self).metadata;
    const std::string text =
        "Node(id=" + quoted_form(meta.id) + ", type=" + quoted_form(meta.node_type) + ")";
    return to_py_text(text).release();
  });
}

}  // namespace

PyObject* create_node_class(PyObject* module) {
  return NodeClass::create(module, {.name = "_lorewood.Node",
                                    .methods = kMethods,
                                    .getsets = kGetSets,
                                    .slots = {{Py_tp_repr, reinterpret_cast<void*>(node_repr)}}});
}

PyRef new_py_node(Node node) { return NodeClass::wrap(std::move(node)); }

}  // namespace lorewood::python
