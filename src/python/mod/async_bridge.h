// The bridge from worker-pool work to asyncio futures.
//
//   return start_awaitable([copy = index]() {             // on a pool thread,
//     return deliver(copy.read_node(id), new_py_node);    // without the GIL
//   });
//
// `start_awaitable` runs on the calling thread with the interpreter lock held:
// it requires a running event loop (asyncio's RuntimeError otherwise, and no
// work starts), creates the future with `loop.create_future()`, copies the
// caller's context and queues the work on the worker pool. When the work
// returns, the pool thread takes the interpreter lock, runs the delivery to
// build the value (or the exception) and schedules it onto the loop with
// `loop.call_soon_threadsafe(..., context=<copied context>)`. There the
// future receives it unless it is already done (cancelled meanwhile). A closed
// loop swallows the delivery. A C++ exception escaping the work becomes
// PyLorewoodError "task join error: {}".
//
// Once interpreter shutdown has begun (an atexit hook registered on first
// use), pool threads no longer touch Python: outcomes are dropped.
#pragma once

#include <functional>
#include <utility>

#include "error/lorewood_error.h"
#include "errors.h"
#include "py_ref.h"
#include "python_api.h"

namespace lorewood::python {

// Runs under the interpreter lock: a new reference to the value to set on the
// future, or nullptr with the exception to set on it.
using Delivery = std::move_only_function<PyObject*()>;

// Runs on a pool thread without the interpreter lock and must not touch
// Python; returns how to deliver its outcome.
using BlockingWork = std::move_only_function<Delivery()>;

// The future of `work` (a new reference), or nullptr with the exception set:
// RuntimeError without a running event loop, or a failure to create the future,
// copy the context or start the pool.
PyObject* start_awaitable(BlockingWork work);

// A delivery of a core result: PyLorewoodError with the core message for an
// error, otherwise `convert(value)` (a PyRef, empty with the exception set).
template <typename T, typename Convert>
Delivery deliver(Result<T> result, Convert convert) {
  return [result = std::move(result), convert]() mutable -> PyObject* {
    if (!result) return map_err(result.error());
    return convert(std::move(*result)).release();
  };
}

}  // namespace lorewood::python
