#include <sys/stat.h>

#include "error/display_path.h"
#include "index/graph_index.h"
#include "index/tree_walk.h"
#include "security/node_path.h"

namespace lorewood {

Result<std::optional<std::string>> GraphIndex::update_file(const std::filesystem::path& path) {
  const std::filesystem::path full = path.is_absolute() ? path : root_path_ / path;
  std::optional<std::filesystem::path> relative = strip_root(full, root_path_);
  if (!relative) {
    return fail(LorewoodError::index("path " + display_path(full) + " is not under graph root " +
                                     display_path(root_path_)));
  }
  LW_RETURN_IF_ERROR(validate_relative_node_path(*relative));
  if (!has_md_extension(*relative)) return std::optional<std::string>();

  struct stat info;
  if (::stat(full.c_str(), &info) != 0) {
    if (const std::string* held = id_at_path(*relative)) remove_entry(std::string(*held));
    return std::optional<std::string>();
  }

  LW_ASSIGN_OR_RETURN(Node node, Node::from_file(full, root_path_));
  const std::string key = relative_path_key(*relative);
  if (const NodeIndexEntry* existing = entry(node.metadata.id);
      existing != nullptr && relative_path_key(existing->relative_path) != key) {
    return fail(LorewoodError::duplicate_id(node.metadata.id, existing->relative_path, *relative));
  }
  if (const std::string* held = id_at_path(*relative)) remove_entry(std::string(*held));
  std::string id = node.metadata.id;
  LW_RETURN_IF_ERROR(insert_entry(std::move(node.metadata), std::move(*relative), std::move(node.body)));
  return std::optional<std::string>(std::move(id));
}

}  // namespace lorewood
