#include "index/graph_index.h"

#include <sys/stat.h>

#include <algorithm>

#include "batch/journal.h"
#include "error/display_path.h"
#include "query/summary.h"
#include "security/node_path.h"
#include "wikilink/wikilink.h"

namespace lorewood {

NodeIndexEntry make_index_entry(NodeMetadata metadata, std::filesystem::path relative_path,
                                std::string body) {
  NodeIndexEntry entry;
  entry.summary = summarize_text(body);
  entry.wikilinks = extract_wikilink_targets(body);
  entry.metadata = std::move(metadata);
  entry.relative_path = std::move(relative_path);
  entry.body = std::make_shared<const std::string>(std::move(body));
  return entry;
}

Result<GraphIndex> GraphIndex::open(const std::filesystem::path& root) {
  struct stat info;
  if (::stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return fail(LorewoodError::index("graph root " + display_path(root) +
                                     " does not exist or is not a directory"));
  }
  LW_RETURN_IF_ERROR(recover_incomplete_batches(root));
  GraphIndex index(root);
  LW_RETURN_IF_ERROR(index.rescan());
  return index;
}

Status GraphIndex::insert_entry(NodeMetadata metadata, std::filesystem::path relative_path,
                                std::string body) {
  // Conflicts are checked before the (comparatively costly) entry is built.
  if (auto existing = entries_.find(metadata.id); existing != entries_.end())
    return fail(LorewoodError::duplicate_id(metadata.id, existing->second.relative_path, relative_path));
  if (auto held = paths_.find(relative_path_key(relative_path)); held != paths_.end()) {
    return fail(LorewoodError::index("path " + display_path(relative_path) +
                                     " is already indexed as node `" + held->second + "`"));
  }
  return insert_prepared(make_index_entry(std::move(metadata), std::move(relative_path), std::move(body)));
}

Status GraphIndex::insert_prepared(NodeIndexEntry entry) {
  if (auto existing = entries_.find(entry.metadata.id); existing != entries_.end()) {
    return fail(LorewoodError::duplicate_id(entry.metadata.id, existing->second.relative_path,
                                            entry.relative_path));
  }
  std::string key = relative_path_key(entry.relative_path);
  if (auto held = paths_.find(key); held != paths_.end()) {
    return fail(LorewoodError::index("path " + display_path(entry.relative_path) +
                                     " is already indexed as node `" + held->second + "`"));
  }
  std::string id = entry.metadata.id;
  paths_.emplace(std::move(key), id);
  entries_.emplace(std::move(id), std::move(entry));
  return {};
}

void GraphIndex::remove_entry(std::string_view id) {
  auto found = entries_.find(id);
  if (found == entries_.end()) return;
  paths_.erase(relative_path_key(found->second.relative_path));
  entries_.erase(found);
}

const NodeIndexEntry* GraphIndex::entry(std::string_view id) const {
  auto found = entries_.find(id);
  return found == entries_.end() ? nullptr : &found->second;
}

const std::string* GraphIndex::id_at_path(const std::filesystem::path& relative) const {
  auto found = paths_.find(relative_path_key(relative));
  return found == paths_.end() ? nullptr : &found->second;
}

std::vector<std::string> GraphIndex::sorted_ids() const {
  std::vector<std::string> ids;
  ids.reserve(entries_.size());
  for (const auto& [id, entry] : entries_) ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

Result<Node> GraphIndex::read_node(std::string_view id) const {
  const NodeIndexEntry* found = entry(id);
  if (found == nullptr) return fail(LorewoodError::node_not_found(std::string(id)));
  return Node::from_file(root_path_ / found->relative_path, root_path_);
}

}  // namespace lorewood
