// Checking a memory batch against the index before anything is written.
//
//   Status checked = validate_memory_batch(index, operations);
//
// One pass in list order over the in-memory index only (no file is read or
// written). An id merged away earlier in the batch counts as absent from then
// on; suppression plays no part.
#pragma once

#include <span>

#include "batch/memory_batch_operation.h"
#include "error/lorewood_error.h"
#include "index/graph_index.h"

namespace lorewood {

// NodeNotFound for the first id that is absent or merged away, Index "cannot
// merge a node into itself" for a merge of an id with itself (checked before
// existence).
Status validate_memory_batch(const GraphIndex& index, std::span<const MemoryBatchOperation> operations);

}  // namespace lorewood
