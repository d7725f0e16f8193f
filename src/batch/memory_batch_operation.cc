#include "batch/memory_batch_operation.h"

namespace lorewood {
namespace {

struct LabelOf {
  std::string operator()(const memory_batch::Update& op) const { return "update:" + op.id; }
  std::string operator()(const memory_batch::Suppress& op) const { return "suppress:" + op.id; }
  std::string operator()(const memory_batch::Unsuppress& op) const { return "unsuppress:" + op.id; }
  std::string operator()(const memory_batch::Merge& op) const {
    return "merge:" + op.source_id + "->" + op.target_id;
  }
};

}  // namespace

std::string applied_label(const MemoryBatchOperation& operation) {
  return std::visit(LabelOf{}, operation);
}

}  // namespace lorewood
