// The Python class LakehouseReader: shared ownership of one core reader behind
// a lock. Every use of the reader (direct reads, cache queries, awaitable reads
// on worker threads) goes through `ReaderCell::lock`.
#pragma once

#include <memory>
#include <mutex>

#include "lakehouse/lakehouse_reader.h"
#include "py_class.h"
#include "py_ref.h"

namespace lorewood::python {

// The reader and its lock. `poisoned` is set when a holder failed with an
// internal fault while holding the lock; the reader is unusable from then on.
struct ReaderCell {
  explicit ReaderCell(LakehouseReader value) : reader(std::move(value)) {}
  std::mutex mutex;
  bool poisoned = false;
  LakehouseReader reader;
};

struct LakehouseReaderValue {
  std::shared_ptr<ReaderCell> cell;
};

using LakehouseReaderClass = BindingClass<LakehouseReaderValue>;

// Creates the class (once per process); a new reference or nullptr.
PyObject* create_lakehouse_reader_class(PyObject* module);

// A new LakehouseReader object owning a fresh cell around `reader`.
PyRef new_py_lakehouse_reader(LakehouseReader reader);

// Runs `use(reader)` under the cell's lock. A poisoned lock gives the
// PyLorewoodError "reader lock poisoned: ..."; an exception escaping `use`
// poisons the lock and is rethrown. Returns what `use` returns (a PyRef).
template <typename Use>
PyRef with_reader(ReaderCell& cell, Use&& use);

// Raises the poison error; returns an empty PyRef.
PyRef raise_reader_poisoned();

template <typename Use>
PyRef with_reader(ReaderCell& cell, Use&& use) {
  std::unique_lock lock(cell.mutex);
  if (cell.poisoned) return raise_reader_poisoned();
  try {
    return use(cell.reader);
  } catch (...) {
    cell.poisoned = true;
    throw;
  }
}

// Reads a node with its content through the reader (shared with
// GraphIndex.read_node_with_content); a new NodeWithContent or empty.
PyRef read_node_with_content(ReaderCell& cell, const GraphIndex& index, const std::string& node_id);

}  // namespace lorewood::python
