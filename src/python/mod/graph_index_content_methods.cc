// GraphIndex.read_node_with_content: a read through a LakehouseReader, called
// on the index.
#include "graph_index_class.h"
#include "graph_index_methods.h"
#include "lakehouse_reader_class.h"

namespace lorewood::python {
namespace {

constexpr Signature kReadNodeWithContent{"GraphIndex.read_node_with_content",
                                         arg::object<LakehouseReaderClass>("reader"),
                                         arg::text("node_id")};

PyObject* read_node_with_content(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                 PyObject* kwnames) {
  return shared_index_call(self, kReadNodeWithContent, args, nargs, kwnames,
                           [](const GraphIndex& index, LakehouseReaderClass::Instance* reader,
                              const std::string& node_id) {
                             return read_node_with_content(*reader->value.cell, index, node_id);
                           });
}

const PyMethodDef kMethods[] = {
    {"read_node_with_content", fastcall(read_node_with_content), METH_FASTCALL | METH_KEYWORDS,
     "read_node_with_content($self, reader, node_id)\n--\n\n"
     "Read a node with external content resolution via a :class:`LakehouseReader`.\n"
     "\n"
     "Equivalent to ``reader.read_node(index, node_id)`` but callable directly\n"
     "on the index. Useful when you already have a reader open."},
};

}  // namespace

std::span<const PyMethodDef> graph_index_content_methods() { return kMethods; }

}  // namespace lorewood::python
