// An in-memory graph for graph tests: an empty temporary root opened as an
// index, with entries inserted directly (no node files are written).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/graph_index.h"
#include "support/temp_root.h"

namespace lorewood::testing {

class MemoryGraph {
 public:
  MemoryGraph() : index_(open_empty(root_)) {}

  // Adds node `id` with frontmatter `links` and `body`, stored at `path`
  // (default "<id>.md").
  MemoryGraph& add(const std::string& id, std::vector<std::string> links = {},
                   const std::string& body = "", const std::string& path = "",
                   const std::string& type = "note") {
    NodeMetadata metadata;
    metadata.id = id;
    metadata.node_type = type;
    metadata.links = std::move(links);
    Status inserted = index_.insert_entry(std::move(metadata), path.empty() ? id + ".md" : path, body);
    EXPECT_TRUE(inserted) << inserted.error().message();
    return *this;
  }

  GraphIndex& index() { return index_; }

 private:
  static GraphIndex open_empty(const TempRoot& root) {
    auto index = GraphIndex::open(root.path());
    EXPECT_TRUE(index) << index.error().message();
    return std::move(*index);
  }

  TempRoot root_;
  GraphIndex index_;
};

}  // namespace lorewood::testing
