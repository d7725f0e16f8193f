// GraphIndex: the in-memory index of one graph root.
//
//   Result<GraphIndex> index = GraphIndex::open("notes");
//   for (const std::string& id : index->sorted_ids()) ...
//   Result<Node> node = index->read_node("alpha");
//
// `open` recovers interrupted memory batches, then scans every `.md` file under
// the root (except under `.lorewood`). Entries keep each node's metadata, body,
// summary and wikilinks, so reads of the index never touch the disk; `read_node`
// goes back to the file. A copy is an independent snapshot sharing the bodies.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"
#include "node/node.h"
#include "platform/seeded_hash.h"

namespace lorewood {

struct NodeIndexEntry {
  NodeMetadata metadata;
  std::filesystem::path relative_path;
  std::string summary;
  std::vector<std::string> wikilinks;
  std::shared_ptr<const std::string> body;
};

class GraphIndex {
 public:
  // Checks the root, recovers interrupted batches, scans. No partial index.
  static Result<GraphIndex> open(const std::filesystem::path& root);

  // Rebuilds both maps from the files under the root. On failure the maps hold
  // the entries inserted before the failing file.
  Status rescan();

  // The node with that id, read afresh from its file. NodeNotFound when absent.
  Result<Node> read_node(std::string_view id) const;

  // Re-indexes one file after the caller changed, created or removed it.
  // Returns the id the file now holds, nullopt when it is not a node file or is
  // gone. Every failure leaves the index unchanged.
  Result<std::optional<std::string>> update_file(const std::filesystem::path& path);

  // The one way an entry enters the maps. DuplicateId or Index on conflicts.
  Status insert_entry(NodeMetadata metadata, std::filesystem::path relative_path,
                      std::string body);

  // Node mutations: file first, index after.
  Result<Node> create_node(Node node);
  Status update_node(Node node);
  Status delete_node(std::string_view id);
  Status merge_nodes(std::string_view target_id, std::string_view source_id);
  Status suppress_node(std::string_view id, std::optional<std::string> reason);
  Status unsuppress_node(std::string_view id);

  const std::filesystem::path& root_path() const { return root_path_; }
  bool contains(std::string_view id) const { return entries_.find(id) != entries_.end(); }
  // The entry of an id, or nullptr.
  const NodeIndexEntry* entry(std::string_view id) const;
  const TextMap<NodeIndexEntry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  // All ids, ascending in byte order.
  std::vector<std::string> sorted_ids() const;
  // The id indexed at a relative path (compared component by component).
  const std::string* id_at_path(const std::filesystem::path& relative) const;

 private:
  explicit GraphIndex(std::filesystem::path root) : root_path_(std::move(root)) {}

  // Builds an entry from already computed parts (used by the parallel scan).
  Status insert_prepared(NodeIndexEntry entry);
  void remove_entry(std::string_view id);

  std::filesystem::path root_path_;
  TextMap<NodeIndexEntry> entries_;
  // relative_path_key(relative path) -> id
  TextMap<std::string> paths_;
};

// Builds an entry: the metadata, path, summary, wikilinks and shared body.
NodeIndexEntry make_index_entry(NodeMetadata metadata, std::filesystem::path relative_path,
                                std::string body);

}  // namespace lorewood
