// The Python class NodeWithContent.
#include "node_with_content_class.h"

#include <string>

#include "errors.h"
#include "node_class.h"
#include "quoted_form.h"
#include "resolved_content_class.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

constexpr char kDoc[] =
    "A graph node paired with its resolved external content.\n"
    "\n"
    "Access the raw node via `.node` and the resolved content via `.content`.";

const NodeWithContent& item_of(PyObject* self) { return NodeWithContentClass::value(self); }

PyObject* get_node(PyObject* self, void*) {
  return guarded([&] { return new_py_node(item_of(self).node).release(); });
}
PyObject* get_content(PyObject* self, void*) {
  return guarded([&] { return ResolvedContentClass::wrap(item_of(self).content).release(); });
}

PyGetSetDef kGetSets[] = {
    {"node", get_node, nullptr, "The graph node (metadata + markdown body).", nullptr},
    {"content", get_content, nullptr, "The resolved content (local markdown or external asset).",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* item_repr(PyObject* self) {
  return guarded([&]() -> PyObject* {
    const NodeWithContent& item = item_of(self);
    const std::string text = "NodeWithContent(id=" + quoted_form(item.node.metadata.id) +
                             ", kind=" + quoted_form(std::string(item.content.kind_name())) + ")";
    return to_py_text(text).release();
  });
}

}  // namespace

PyObject* create_node_with_content_class(PyObject* module) {
  return NodeWithContentClass::create(
      module, {.name = "_lorewood.NodeWithContent",
               .doc = kDoc,
               .getsets = kGetSets,
               .slots = {{Py_tp_repr, reinterpret_cast<void*>(item_repr)}}});
}

}  // namespace lorewood::python
