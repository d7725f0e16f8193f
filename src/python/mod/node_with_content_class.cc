// The Python class NodeWithContent.
#include "node_with_content_class.h"

namespace lorewood::python {

namespace {

constexpr char kDoc[] =
    "A graph node paired with its resolved external content.\n"
    "\n"
    "Access the raw node via `.node` and the resolved content via `.content`.";

}  // namespace

PyObject* create_node_with_content_class(PyObject* module) {
  return NodeWithContentClass::create(module, {.name = "_lorewood.NodeWithContent", .doc = kDoc});
}

}  // namespace lorewood::python
