// The process-wide worker pool of the awaitable methods.
//
// A fixed set of our own threads, started by the first `submit`, runs jobs in
// the order they were queued. Jobs run without the interpreter lock; a job that
// needs Python takes the lock itself (async_bridge.h does). The pool is never
// stopped: its threads live until the process ends, so nothing has to join a
// thread that may be blocked in a job during interpreter shutdown.
#pragma once

#include <functional>

namespace lorewood::python {

using PoolJob = std::move_only_function<void() noexcept>;

// Queues `job` to run on a pool thread, starting the pool on first use. Throws
// std::system_error when not even one thread could be started; the job is then
// destroyed unrun.
void submit_to_worker_pool(PoolJob job);

}  // namespace lorewood::python
