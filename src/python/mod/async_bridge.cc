// The bridge from worker-pool work to asyncio futures: start, hand-back,
// delivery on the loop thread, and the shutdown guard.
#include "async_bridge.h"

#include <cxxabi.h>
#include <pthread.h>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

#include "worker_pool.h"

namespace lorewood::python {
namespace {

// ---- Shutdown guard ----
//
// A pool thread may enter Python only between `enter_python` and
// `leave_python`. The atexit hook closes the gate and waits (without the
// interpreter lock) until no pool thread is inside, so that after it returns no
// pool thread touches the interpreter again.

struct Gate {
  std::mutex mutex;
  std::condition_variable idle;
  bool shutting_down = false;
  int threads_inside = 0;
};

// Never destroyed (pool threads may use it until the process ends).
Gate* g_gate = nullptr;
bool g_hook_registered = false;  // only touched with the interpreter lock held

// A forked child has no pool threads inside Python, whatever the parent had,
// and may have inherited the gate's lock held: it starts with a fresh gate.
void reset_gate_in_child() { g_gate = new Gate(); }

Gate& gate() {
  static const bool once = [] {
    g_gate = new Gate();
    pthread_atfork(nullptr, nullptr, reset_gate_in_child);
    return true;
  }();
  (void)once;
  return *g_gate;
}

bool enter_python() {
  Gate& g = gate();
  std::lock_guard lock(g.mutex);
  if (g.shutting_down) return false;
  ++g.threads_inside;
  return true;
}

void leave_python() {
  Gate& g = gate();
  {
    std::lock_guard lock(g.mutex);
    --g.threads_inside;
  }
  g.idle.notify_all();
}

PyObject* close_gate(PyObject*, PyObject*) {
  Gate& g = gate();
  {
    std::lock_guard lock(g.mutex);
    g.shutting_down = true;
  }
  // Threads already inside need the interpreter lock to finish.
  PyThreadState* state = PyEval_SaveThread();
  {
    std::unique_lock lock(g.mutex);
    g.idle.wait(lock, [&g] { return g.threads_inside == 0; });
  }
  PyEval_RestoreThread(state);
  Py_RETURN_NONE;
}

PyMethodDef g_close_gate_def = {"_lorewood_async_shutdown", close_gate, METH_NOARGS, nullptr};

// Registers the atexit hook once; false with the exception set on failure.
bool ensure_shutdown_hook() {
  if (g_hook_registered) return true;
  PyRef atexit = PyRef::steal(PyImport_ImportModule("atexit"));
  if (!atexit) return false;
  PyRef hook = PyRef::steal(PyCFunction_New(&g_close_gate_def, nullptr));
  if (!hook) return false;
  PyRef done = PyRef::steal(PyObject_CallMethod(atexit.get(), "register", "O", hook.get()));
  if (!done) return false;
  g_hook_registered = true;
  return true;
}

// ---- Delivery on the loop thread ----

// self: (future, value, is_error). Leaves a future that is already done
// (cancelled) alone.
PyObject* settle_future(PyObject* self, PyObject*) {
  PyObject* future = PyTuple_GetItem(self, 0);
  PyObject* value = PyTuple_GetItem(self, 1);
  PyObject* is_error = PyTuple_GetItem(self, 2);
  if (future == nullptr || value == nullptr || is_error == nullptr) return nullptr;
  PyRef done = PyRef::steal(PyObject_CallMethod(future, "done", nullptr));
  if (!done) return nullptr;
  const int already_done = PyObject_IsTrue(done.get());
  if (already_done < 0) return nullptr;
  if (already_done) Py_RETURN_NONE;
  const char* setter = is_error == Py_True ? "set_exception" : "set_result";
  return PyObject_CallMethod(future, setter, "O", value);
}

PyMethodDef g_settle_def = {"_lorewood_settle_future", settle_future, METH_NOARGS, nullptr};

// What a call keeps for the hand-back: strong references, released by the
// pool thread under the interpreter lock (or leaked once shutdown began).
struct PendingFuture {
  PyObject* loop = nullptr;
  PyObject* future = nullptr;
  PyObject* context = nullptr;

  void release() {
    Py_CLEAR(loop);
    Py_CLEAR(future);
    Py_CLEAR(context);
  }
};

// The exception being raised, normalised, with its traceback attached; a
// SystemError when a delivery failed without setting one.
PyRef take_exception() {
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  if (type == nullptr) {
    PyErr_SetString(PyExc_SystemError, "awaitable result failed without an exception");
    PyErr_Fetch(&type, &value, &traceback);
  }
  PyErr_NormalizeException(&type, &value, &traceback);
  if (traceback != nullptr && value != nullptr) PyException_SetTraceback(value, traceback);
  Py_XDECREF(type);
  Py_XDECREF(traceback);
  return PyRef::steal(value);
}

// Builds the outcome and schedules it onto the loop. Interpreter lock held.
void schedule_on_loop(PendingFuture& pending, Delivery& delivery) {
  PyRef value = PyRef::steal(guarded([&]() -> PyObject* { return delivery(); }));
  const bool is_error = !value;
  if (is_error) value = take_exception();
  if (!value) {
    PyErr_WriteUnraisable(pending.future);
    return;
  }
  PyRef payload = PyRef::steal(
      PyTuple_Pack(3, pending.future, value.get(), is_error ? Py_True : Py_False));
  if (!payload) return PyErr_WriteUnraisable(pending.future);
  PyRef callback = PyRef::steal(PyCFunction_New(&g_settle_def, payload.get()));
  if (!callback) return PyErr_WriteUnraisable(pending.future);
  PyRef schedule = PyRef::steal(PyObject_GetAttrString(pending.loop, "call_soon_threadsafe"));
  PyRef args = PyRef::steal(PyTuple_Pack(1, callback.get()));
  PyRef kwargs = PyRef::steal(PyDict_New());
  if (!schedule || !args || !kwargs ||
      PyDict_SetItemString(kwargs.get(), "context", pending.context) < 0) {
    return PyErr_WriteUnraisable(pending.future);
  }
  PyRef scheduled = PyRef::steal(PyObject_Call(schedule.get(), args.get(), kwargs.get()));
  if (scheduled) return;
  // A closed loop refuses with RuntimeError: nobody is left to wait.
  if (PyErr_ExceptionMatches(PyExc_RuntimeError)) {
    PyErr_Clear();
  } else {
    PyErr_WriteUnraisable(pending.loop);
  }
}

// On the pool thread: hands the outcome back unless shutdown has begun.
void hand_back(PendingFuture& pending, Delivery delivery) noexcept {
  if (!enter_python()) return;  // the references are leaked on purpose
  PyGILState_STATE state = PyGILState_Ensure();
  schedule_on_loop(pending, delivery);
  delivery = nullptr;  // captured Python-free values, but drop them here
  pending.release();
  PyGILState_Release(state);
  leave_python();
}

Delivery join_error(std::string description) {
  return [message = "task join error: " + std::move(description)]() -> PyObject* {
    PyRef text = PyRef::steal(PyUnicode_DecodeUTF8(
        message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
    if (text) PyErr_SetObject(lorewood_error_type(), text.get());
    return nullptr;
  };
}

// Runs the work, turning an escaping C++ exception into the join error.
Delivery run_work(BlockingWork& work) noexcept {
  try {
    try {
      return work();
    } catch (const std::exception& error) {
      return join_error(std::string("work ended with an exception: ") + error.what());
    } catch (...) {
      return join_error("work ended with an unknown exception");
    }
  } catch (...) {
    // Not even the error could be built (out of memory).
    return [] { return PyErr_NoMemory(); };
  }
}

PyObject* running_loop() {
  PyRef asyncio = PyRef::steal(PyImport_ImportModule("asyncio"));
  if (!asyncio) return nullptr;
  return PyObject_CallMethod(asyncio.get(), "get_running_loop", nullptr);
}

PyObject* copy_context() {
  PyRef contextvars = PyRef::steal(PyImport_ImportModule("contextvars"));
  if (!contextvars) return nullptr;
  return PyObject_CallMethod(contextvars.get(), "copy_context", nullptr);
}

}  // namespace

PyObject* start_awaitable(BlockingWork work) {
  PyRef loop;
  PyRef future;
  PyRef context;
  try {
    // create_future and the imports may run Python code, where a daemon thread
    // can be ended by interpreter shutdown.
    loop = PyRef::steal(running_loop());
    if (!loop) return nullptr;
    future = PyRef::steal(PyObject_CallMethod(loop.get(), "create_future", nullptr));
    if (!future) return nullptr;
    context = PyRef::steal(copy_context());
    if (!context) return nullptr;
    if (!ensure_shutdown_hook()) return nullptr;
  } catch (abi::__forced_unwind&) {
    // The thread no longer holds the interpreter lock: leak, do not release.
    loop.release();
    future.release();
    context.release();
    throw;
  }

  auto pending = std::make_shared<PendingFuture>();
  pending->loop = Py_NewRef(loop.get());
  pending->future = Py_NewRef(future.get());
  pending->context = Py_NewRef(context.get());
  try {
    submit_to_worker_pool([pending, work = std::move(work)]() mutable noexcept {
      Delivery delivery = run_work(work);
      work = nullptr;  // drop the index copy before queueing for the interpreter lock
      hand_back(*pending, std::move(delivery));
    });
  } catch (...) {
    pending->release();  // the job never ran
    throw;
  }
  return future.release();
}

}  // namespace lorewood::python
