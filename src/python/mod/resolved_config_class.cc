// The Python class ResolvedConfig.
#include "resolved_config_class.h"

#include <string>

#include "error/display_path.h"
#include "errors.h"
#include "graph_index_class.h"
#include "lakehouse_reader_class.h"
#include "quoted_form.h"
#include "to_python.h"

namespace lorewood::python {
namespace {

const ResolvedConfig& config_of(PyObject* self) { return ResolvedConfigClass::value(self); }

PyObject* open_index(PyObject* self, PyObject*) {
  return guarded([&] { return open_py_graph_index(config_of(self).root_path.native()).release(); });
}

PyObject* open_lakehouse_reader(PyObject* self, PyObject*) {
  return guarded(
      [&] { return new_py_lakehouse_reader(LakehouseReader::from_config(config_of(self))).release(); });
}

PyMethodDef kMethods[] = {
    {"open_index", open_index, METH_NOARGS, "open_index($self)\n--\n\n"},
    {"open_lakehouse_reader", open_lakehouse_reader, METH_NOARGS,
     "open_lakehouse_reader($self)\n--\n\n"
     "Open a :class:`LakehouseReader` configured from this config.\n"
     "\n"
     "In ``\"local\"`` mode the reader simply returns markdown bodies.\n"
     "In ``\"lakehouse\"`` mode it resolves ``source`` URIs against remote sources."},
    {nullptr, nullptr, 0, nullptr},
};

PyObject* get_root_path(PyObject* self, void*) {
  return guarded([&] { return to_py_path(config_of(self).root_path).release(); });
}
PyObject* get_config_path(PyObject* self, void*) {
  return guarded([&] { return to_py_path(config_of(self).config_path).release(); });
}
PyObject* get_storage_mode(PyObject* self, void*) {
  return guarded(
      [&] { return to_py_text(storage_mode_name(config_of(self).storage_mode())).release(); });
}

PyGetSetDef kGetSets[] = {
    property("root_path", get_root_path),
    property("config_path", get_config_path),
    property("storage_mode", get_storage_mode),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* config_repr(PyObject* self) {
  return guarded([&]() -> PyObject* {
    const ResolvedConfig& config = config_of(self);
    const std::string text =
        "ResolvedConfig(root_path=" + quoted_form(display_path(config.root_path)) +
        ", storage_mode=" + quoted_form(std::string(storage_mode_name(config.storage_mode()))) + ")";
    return to_py_text(text).release();
  });
}

}  // namespace

PyObject* create_resolved_config_class(PyObject* module) {
  return ResolvedConfigClass::create(
      module, {.name = "_lorewood.ResolvedConfig",
               .methods = kMethods,
               .getsets = kGetSets,
               .slots = {{Py_tp_repr, reinterpret_cast<void*>(config_repr)}}});
}

PyRef new_py_resolved_config(ResolvedConfig config) {
  return ResolvedConfigClass::wrap(std::move(config));
}

}  // namespace lorewood::python
