// The Python class LakehouseReader.
#include "lakehouse_reader_class.h"

#include <optional>

#include "args.h"
#include "errors.h"
#include "graph_index_class.h"
#include "lakehouse_reader_async_methods.h"
#include "node_with_content_class.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

constexpr char kDoc[] =
    "Reads node content according to the configured storage mode.\n"
    "\n"
    "In ``\"local\"`` mode, returns the markdown body from disk.\n"
    "In ``\"lakehouse\"`` mode, resolves the ``source`` / ``source_uri`` field\n"
    "against the configured remote sources and returns the external content.\n"
    "\n"
    "Construct via :meth:`ResolvedConfig.open_lakehouse_reader`.\n"
    "\n"
    "Example::\n"
    "\n"
    "    config = lorewood.load_config(\"lorewood.toml\")\n"
    "    index  = config.open_index()\n"
    "    reader = config.open_lakehouse_reader()\n"
    "\n"
    "    result = reader.read_node(index, \"my_asset\")\n"
    "    print(result.content.to_markdown())";

constexpr Signature kReadNode{"LakehouseReader.read_node", arg::object<GraphIndexClass>("index"),
                              arg::text("node_id")};

ReaderCell& cell_of(PyObject* self) { return *LakehouseReaderClass::value(self).cell; }

PyObject* read_node(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    auto bound = kReadNode.bind(args, nargs, kwnames);
    if (!bound) return nullptr;
    auto values = kReadNode.convert(*bound);
    if (!values) return nullptr;
    auto& [index_instance, node_id] = *values;
    PyObject* index_object = reinterpret_cast<PyObject*>(index_instance);
    return shared_index_call(index_object, [&](const GraphIndex& index) {
      return read_node_with_content(cell_of(self), index, node_id);
    });
  });
}

PyObject* cache_len(PyObject* self, PyObject*) {
  return guarded([&] {
    return with_reader(cell_of(self), [](LakehouseReader& reader) {
             return to_py_uint(reader.cache().size());
           })
        .release();
  });
}

PyObject* cache_bytes(PyObject* self, PyObject*) {
  return guarded([&] {
    return with_reader(cell_of(self), [](LakehouseReader& reader) {
             return to_py_uint(reader.cache().bytes());
           })
        .release();
  });
}

PyMethodDef kMethods[] = {
    {"read_node", fastcall(read_node), METH_FASTCALL | METH_KEYWORDS,
     "read_node($self, index, node_id)\n--\n\n"
     "Read a node and resolve its external content synchronously.\n"
     "\n"
     "Returns a :class:`NodeWithContent` with both the node metadata/body\n"
     "and the resolved content (local or external)."},
    {"cache_len", cache_len, METH_NOARGS,
     "cache_len($self)\n--\n\nNumber of entries currently in the in-memory content cache."},
    {"cache_bytes", cache_bytes, METH_NOARGS,
     "cache_bytes($self)\n--\n\nTotal bytes currently held in the in-memory content cache."},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* reader_repr(PyObject*) {
  return guarded([] { return to_py_text("LakehouseReader()").release(); });
}

}  // namespace

PyRef raise_reader_poisoned() {
  PyErr_SetString(lorewood_error_type(),
                  "reader lock poisoned: poisoned lock: another task failed inside");
  return PyRef();
}

PyRef read_node_with_content(ReaderCell& cell, const GraphIndex& index, const std::string& node_id) {
  std::optional<Result<NodeWithContent>> item;
  {
    // Only the core read runs under the reader's lock; the Python objects are
    // built after it is released.
    std::unique_lock lock(cell.mutex);
    if (cell.poisoned) return raise_reader_poisoned();
    try {
      item.emplace(cell.reader.read_node(index, node_id));
    } catch (...) {
      cell.poisoned = true;
      throw;
    }
  }
  if (!*item) return PyRef::steal(map_err(item->error()));
  return NodeWithContentClass::wrap(std::move(**item));
}

PyObject* create_lakehouse_reader_class(PyObject* module) {
  return LakehouseReaderClass::create(
      module, {.name = "_lorewood.LakehouseReader",
               .doc = kDoc,
               .methods = [] {  // kMethods, then the awaitable methods
                 static std::vector<PyMethodDef> table = [] {
                   std::vector<PyMethodDef> all(std::begin(kMethods), std::end(kMethods) - 1);
                   for (const PyMethodDef& def : lakehouse_reader_async_methods()) all.push_back(def);
                   all.push_back({nullptr, nullptr, 0, nullptr});
                   return all;
                 }();
                 return table.data();
               }(),
               .slots = {{Py_tp_repr, reinterpret_cast<void*>(reader_repr)}}});
}

PyRef new_py_lakehouse_reader(LakehouseReader reader) {
  return LakehouseReaderClass::wrap(
      LakehouseReaderValue{std::make_shared<ReaderCell>(std::move(reader))});
}

}  // namespace lorewood::python
