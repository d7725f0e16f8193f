// Applying a memory batch all-or-nothing under an on-disk journal.
//
//   Result<std::vector<std::string>> labels = apply_memory_batch(index, operations);
//   // labels: {"update:a", "merge:b->a"}
//
// Order: validate; snapshot every touched node (ascending id); write the journal
// (backups, then the manifest) while holding the batch's lock; apply the
// operations in order; then either finish the batch (manifest removed first,
// so a crash from then on keeps it applied) or, when an operation fails,
// restore every touched node from the journal and rescan the index. A crash at
// any point leaves a journal that the next GraphIndex::open resolves, and no
// other process rolls the batch back while it runs (it holds the lock until
// the batch directory is gone).
#pragma once

#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "batch/memory_batch_operation.h"
#include "error/lorewood_error.h"
#include "index/graph_index.h"
#include "node/node.h"

namespace lorewood {

// Every id the batch touches (updated, suppressed, unsuppressed, merge target
// or source), ascending in byte order, each once.
std::set<std::string> touched_ids(std::span<const MemoryBatchOperation> operations);

// The pre-batch nodes, read from their files in ascending id order; the first
// read failure unchanged.
Result<std::map<std::string, Node>> snapshots(const GraphIndex& index,
                                              const std::set<std::string>& ids);

// Validates, journals and applies the batch; the applied labels in operation
// order. Errors: validation's, snapshot reads', the journal's, or (after the
// rollback) the failing operation's; a failed rollback's or rescan's error
// takes precedence; Index "failed to remove completed batch journal: {}" when
// the applied batch's journal cannot be removed (the edits stay applied).
Result<std::vector<std::string>> apply_memory_batch(GraphIndex& index,
                                                    std::span<const MemoryBatchOperation> operations);

}  // namespace lorewood
