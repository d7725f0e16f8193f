// Shared set-up for the memory batch tests: a temporary root of small nodes,
// an index over it, and views of the disk that compare node contents.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "batch/journal.h"
#include "batch/memory_batch_apply.h"
#include "batch/memory_batch_validate.h"
#include "index/graph_index.h"
#include "platform/file_system.h"
#include "support/temp_root.h"

namespace lorewood::testing {

namespace fs = std::filesystem;

// A node file's content as it matters: parsed metadata and body, or absent.
struct NodeState {
  std::optional<NodeMetadata> metadata;
  std::string body;
  bool operator==(const NodeState&) const = default;
};

inline void PrintTo(const NodeState& state, std::ostream* out) {
  if (!state.metadata) {
    *out << "<absent>";
    return;
  }
  *out << state.metadata->id << "|" << state.metadata->node_type << "|"
       << state.metadata->extra.size() << " extra|" << ::testing::PrintToString(state.body);
}

// The node file `<id>.md` under `root`, parsed (absent when there is no file).
inline NodeState node_state(const fs::path& root, const std::string& id) {
  const fs::path path = root / (id + ".md");
  if (!fs::exists(path)) return {};
  auto node = Node::from_file(path, root);
  if (!node) return {NodeMetadata{.id = "<unreadable: " + node.error().message() + ">"}, ""};
  return {std::move(node->metadata), std::move(node->body)};
}

// The names of the batch directories under root (order-free).
inline std::vector<std::string> batch_dirs(const fs::path& root) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(transactions_dir(root), ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class MemoryBatchTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::set_fault_injector({}); }

  // Writes node `id` with `body` and optional extra frontmatter lines.
  void put(const std::string& id, const std::string& body, const std::string& more = "") {
    root_.node(id + ".md", id, body, more);
  }

  GraphIndex open() {
    auto index = GraphIndex::open(root());
    EXPECT_TRUE(index) << index.error().message();
    return std::move(*index);
  }

  std::map<std::string, NodeState> states(const std::vector<std::string>& ids) const {
    std::map<std::string, NodeState> out;
    for (const std::string& id : ids) out[id] = node_state(root(), id);
    return out;
  }

  const fs::path& root() const { return root_.path(); }

  TempRoot root_;
};

}  // namespace lorewood::testing
