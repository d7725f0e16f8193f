// The Python class LakehouseReader.
#include "lakehouse_reader_class.h"

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

}  // namespace

PyObject* create_lakehouse_reader_class(PyObject* module) {
  return LakehouseReaderClass::create(module, {.name = "_lorewood.LakehouseReader", .doc = kDoc});
}

}  // namespace lorewood::python
