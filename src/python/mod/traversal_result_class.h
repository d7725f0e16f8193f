// The Python class TraversalResult: one traversal's answer (start, order, depth
// bound, reached nodes), rendered as a report against any index.
#pragma once

#include <optional>
#include <string_view>

#include "graph/traversal.h"
#include "py_class.h"
#include "py_ref.h"

namespace lorewood::python {

using TraversalResultClass = BindingClass<TraversalResult>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_traversal_result_class(PyObject* module);

// The order named by `text` ("bfs" or "dfs" in any ASCII letter case), or
// nullopt with ValueError "order must be 'bfs' or 'dfs', got {}" set.
std::optional<TraversalOrder> parse_order_or_raise(std::string_view text);

// A new TraversalResult object owning `result`; empty with the exception set on
// failure.
PyRef new_py_traversal_result(TraversalResult result);

}  // namespace lorewood::python
