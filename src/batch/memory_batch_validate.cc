#include "batch/memory_batch_validate.h"

#include "platform/seeded_hash.h"

namespace lorewood {
namespace {

class BatchChecker {
 public:
  explicit BatchChecker(const GraphIndex& index) : index_(index) {}

  Status operator()(const memory_batch::Update& op) { return require_live(op.id); }
  Status operator()(const memory_batch::Suppress& op) { return require_live(op.id); }
  Status operator()(const memory_batch::Unsuppress& op) { return require_live(op.id); }
  Status operator()(const memory_batch::Merge& op) {
    if (op.target_id == op.source_id)
      return fail(LorewoodError::index("cannot merge a node into itself"));
    LW_RETURN_IF_ERROR(require_live(op.target_id));
    LW_RETURN_IF_ERROR(require_live(op.source_id));
    merged_away_.insert(op.source_id);
    return {};
  }

 private:
  Status require_live(const std::string& id) const {
    if (merged_away_.contains(id) || !index_.contains(id))
      return fail(LorewoodError::node_not_found(id));
    return {};
  }

  const GraphIndex& index_;
  TextSet merged_away_;
};

}  // namespace

Status validate_memory_batch(const GraphIndex& index, std::span<const MemoryBatchOperation> operations) {
  BatchChecker checker(index);
  for (const MemoryBatchOperation& op : operations) LW_RETURN_IF_ERROR(std::visit(checker, op));
  return {};
}

}  // namespace lorewood
