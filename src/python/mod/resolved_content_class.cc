// The Python class ResolvedContent.
#include "resolved_content_class.h"

namespace lorewood::python {

namespace {

constexpr char kDoc[] =
    "Content returned when reading a node in Python.\n"
    "\n"
    "`kind` is one of ``\"local\"``, ``\"text\"``, or ``\"external_asset\"``.\n"
    "Use `.to_markdown()` to get a human/agent-friendly string regardless of kind.";

}  // namespace

PyObject* create_resolved_content_class(PyObject* module) {
  return ResolvedContentClass::create(module, {.name = "_lorewood.ResolvedContent", .doc = kDoc});
}

}  // namespace lorewood::python
