#include "graph_index_methods.h"

namespace lorewood::python {

std::span<const PyMethodDef> graph_index_memory_methods() { return {}; }

}  // namespace lorewood::python
