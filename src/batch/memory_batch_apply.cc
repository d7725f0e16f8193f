#include "batch/memory_batch_apply.h"

#include "batch/journal.h"
#include "batch/memory_batch_validate.h"

namespace lorewood {
namespace {

// Applies one operation through the index mutations.
struct Applier {
  GraphIndex& index;

  Status operator()(const memory_batch::Update& op) const {
    // Read again: an earlier operation of the batch may have changed the node.
    LW_ASSIGN_OR_RETURN(Node node, index.read_node(op.id));
    node.body = op.body;
    return index.update_node(std::move(node));
  }
  Status operator()(const memory_batch::Suppress& op) const {
    return index.suppress_node(op.id, op.reason);
  }
  Status operator()(const memory_batch::Unsuppress& op) const { return index.unsuppress_node(op.id); }
  Status operator()(const memory_batch::Merge& op) const {
    return index.merge_nodes(op.target_id, op.source_id);
  }
};

// Puts the touched nodes back after a failed operation and reloads the index.
// Returns the error that the batch reports: the restore's or the rescan's when
// they fail, otherwise `failure`. A failed restore leaves the batch directory
// (manifest included) for recovery at the next open.
LorewoodError roll_back(GraphIndex& index, const PreparedBatch& batch, LorewoodError failure) {
  if (Status restored = restore_journal(index.root_path(), batch.dir); !restored)
    return std::move(restored.error());
  if (Status rescanned = index.rescan(); !rescanned) return std::move(rescanned.error());
  return failure;
}

}  // namespace

std::set<std::string> touched_ids(std::span<const MemoryBatchOperation> operations) {
  struct Collect {
    std::set<std::string>& ids;
    void operator()(const memory_batch::Update& op) const { ids.insert(op.id); }
    void operator()(const memory_batch::Suppress& op) const { ids.insert(op.id); }
    void operator()(const memory_batch::Unsuppress& op) const { ids.insert(op.id); }
    void operator()(const memory_batch::Merge& op) const {
      ids.insert(op.target_id);
      ids.insert(op.source_id);
    }
  };
  std::set<std::string> ids;
  for (const MemoryBatchOperation& op : operations) std::visit(Collect{ids}, op);
  return ids;
}

Result<std::map<std::string, Node>> snapshots(const GraphIndex& index,
                                              const std::set<std::string>& ids) {
  std::map<std::string, Node> nodes;
  for (const std::string& id : ids) {
    LW_ASSIGN_OR_RETURN(Node node, index.read_node(id));
    nodes.emplace_hint(nodes.end(), id, std::move(node));
  }
  return nodes;
}

Result<std::vector<std::string>> apply_memory_batch(GraphIndex& index,
                                                    std::span<const MemoryBatchOperation> operations) {
  LW_RETURN_IF_ERROR(validate_memory_batch(index, operations));
  using NodeMap = std::map<std::string, Node>;
  LW_ASSIGN_OR_RETURN(NodeMap pre_batch, snapshots(index, touched_ids(operations)));
  // `batch.lock` stays held until this function returns, after the batch
  // directory is gone (or left behind for recovery).
  LW_ASSIGN_OR_RETURN(PreparedBatch batch, write_batch_journal(index.root_path(), pre_batch));
  pre_batch.clear();

  std::vector<std::string> labels;
  labels.reserve(operations.size());
  const Applier apply{index};
  for (const MemoryBatchOperation& op : operations) {
    if (Status applied = std::visit(apply, op); !applied)
      return fail(roll_back(index, batch, std::move(applied.error())));
    labels.push_back(applied_label(op));
  }
  LW_RETURN_IF_ERROR(finish_batch(batch.dir));
  return labels;
}

}  // namespace lorewood
