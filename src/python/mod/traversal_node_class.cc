// The Python class TraversalNode.
#include "traversal_node_class.h"

#include "errors.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

const TraversalNode& node_of(PyObject* self) { return TraversalNodeClass::value(self); }

PyObject* get_id(PyObject* self, void*) {
  return guarded([&] { return to_py_text(node_of(self).id).release(); });
}
PyObject* get_depth(PyObject* self, void*) {
  return guarded([&] { return to_py_uint(node_of(self).depth).release(); });
}
PyObject* get_path(PyObject* self, void*) {
  return guarded([&] { return to_py_text_list(node_of(self).path).release(); });
}

PyGetSetDef kGetSets[] = {
    property("id", get_id),
    property("depth", get_depth),
    property("path", get_path),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

PyObject* create_traversal_node_class(PyObject* module) {
  return TraversalNodeClass::create(module, {.name = "_lorewood.TraversalNode", .getsets = kGetSets});
}

}  // namespace lorewood::python
