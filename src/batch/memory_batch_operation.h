// Memory batch operations: the four edits a memory batch applies in order.
//
//   std::vector<MemoryBatchOperation> ops = {
//       memory_batch::Update{"a", "New body"},
//       memory_batch::Merge{"a", "b"},          // b is merged into a
//   };
//   applied_label(ops[1]);                      // "merge:b->a"
#pragma once

#include <optional>
#include <string>
#include <variant>

namespace lorewood {
namespace memory_batch {

// Replace the node's body; metadata and path stay as the file holds them.
struct Update {
  std::string id;
  std::string body;
  bool operator==(const Update&) const = default;
};

// Mark the node suppressed; a reason (the empty one included) is recorded.
struct Suppress {
  std::string id;
  std::optional<std::string> reason;
  bool operator==(const Suppress&) const = default;
};

// Remove the node's suppression marks.
struct Unsuppress {
  std::string id;
  bool operator==(const Unsuppress&) const = default;
};

// Merge `source_id` into `target_id`; the source is deleted.
struct Merge {
  std::string target_id;
  std::string source_id;
  bool operator==(const Merge&) const = default;
};

}  // namespace memory_batch

using MemoryBatchOperation = std::variant<memory_batch::Update, memory_batch::Suppress,
                                          memory_batch::Unsuppress, memory_batch::Merge>;

// The label reported once the operation is applied: "update:{id}",
// "suppress:{id}", "unsuppress:{id}" or "merge:{source}->{target}".
std::string applied_label(const MemoryBatchOperation& operation);

}  // namespace lorewood
