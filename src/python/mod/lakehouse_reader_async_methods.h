// LakehouseReader's awaitable methods, joined into the class's method table by
// lakehouse_reader_class.cc.
#pragma once

#include <span>

#include "python_api.h"

namespace lorewood::python {

// read_node_async; the span excludes any terminating sentinel.
std::span<const PyMethodDef> lakehouse_reader_async_methods();

}  // namespace lorewood::python
