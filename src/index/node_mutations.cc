// The six node mutations of GraphIndex. Each writes or removes the node file
// first and changes the index only after the disk operation succeeded, so the
// index never holds a state that is not on disk.
#include <string>

#include "error/display_path.h"
#include "index/graph_index.h"
#include "index/tree_walk.h"
#include "platform/file_system.h"
#include "security/node_path.h"

namespace lorewood {
namespace {

constexpr const char* kMergedFromKey = "merged_from";
constexpr const char* kSuppressedKey = "suppressed";
constexpr const char* kSuppressedReasonKey = "suppressed_reason";

// Refuses a node whose file the next scan would reject or skip, so that what
// create_node writes always comes back from the next open. The file text is
// read back exactly as a scan would read it from `scanned_path`, so a refusal
// carries the error that the scan would report (an empty or blank id or type,
// for example). Nothing is written.
Status check_reads_back(const Node& node, const std::filesystem::path& scanned_path) {
  LW_ASSIGN_OR_RETURN(std::string text, node.to_markdown());
  if (!is_valid_utf8(text)) {
    return fail(LorewoodError::node_read(scanned_path,
                                         IoError::custom("stream did not contain valid UTF-8")));
  }
  if (auto parsed = parse_markdown_node(text, scanned_path); !parsed)
    return fail(LorewoodError::node_parse(scanned_path, std::move(parsed.error())));
  const std::string& path_text = node.relative_path.native();
  if (!has_md_extension(node.relative_path) || path_text.find('\0') != std::string::npos) {
    return fail(LorewoodError::index("node relative_path " + display_path(node.relative_path) +
                                     " must end in a file name of the form <name>.md"));
  }
  return {};
}

// Whether a "merged_from" value (tags removed) lists `id` as a string.
bool lists_id(const YamlValue& value, std::string_view id) {
  const YamlValue& list = value.untagged();
  if (!list.is_sequence()) return false;
  for (const YamlValue& item : list.as_sequence()) {
    const YamlValue& text = item.untagged();
    if (text.is_string() && text.as_string() == id) return true;
  }
  return false;
}

// `value` with `id` appended to its sequence, keeping any tags around it; a
// value that is not a sequence is replaced by the sequence [id].
YamlValue with_merged_id(const YamlValue* value, const std::string& id) {
  if (value == nullptr || !value->untagged().is_sequence())
    return YamlValue::sequence({YamlValue::string(id)});
  if (value->kind() == YamlValue::Kind::Tagged)
    return YamlValue::tagged(value->tag(), with_merged_id(&value->tagged_value(), id));
  YamlSequence items = value->as_sequence();
  if (!lists_id(*value, id)) items.push_back(YamlValue::string(id));
  return YamlValue::sequence(std::move(items));
}

// The target's body with the source's body appended under a heading.
void append_merged_body(Node& target, const Node& source) {
  std::string& body = target.body;
  if (body.empty() || body.back() != '\n') body += '\n';
  body += "\n---\n\n## Merged from `";
  body += source.metadata.id;
  body += "`\n\n";
  body += source.body;
}

// The source's links appended to the target's, skipping the target's own id and
// links it already has.
void append_merged_links(Node& target, const Node& source, std::string_view target_id) {
  std::vector<std::string>& links = target.metadata.links;
  TextSet present(links.begin(), links.end());
  for (const std::string& link : source.metadata.links) {
    if (link == target_id || present.contains(link)) continue;
    present.insert(link);
    links.push_back(link);
  }
}

}  // namespace

Result<Node> GraphIndex::create_node(Node node) {
  LW_RETURN_IF_ERROR(validate_relative_node_path(node.relative_path));
  if (const NodeIndexEntry* holder = entry(node.metadata.id))
    return fail(LorewoodError::node_exists(node.metadata.id, holder->relative_path));
  if (id_at_path(node.relative_path) != nullptr) {
    return fail(LorewoodError::index("a node already exists at path " +
                                     display_path(node.relative_path)));
  }
  if (platform::entry_exists(root_path_ / node.relative_path))
    return fail(LorewoodError::node_exists(node.metadata.id, node.relative_path));
  LW_RETURN_IF_ERROR(
      check_reads_back(node, root_path_ / relative_path_key(node.relative_path)));
  LW_RETURN_IF_ERROR(node.write_to(root_path_));
  LW_RETURN_IF_ERROR(insert_entry(node.metadata, node.relative_path, node.body));
  return node;
}

Status GraphIndex::update_node(Node node) {
  auto found = entries_.find(node.metadata.id);
  if (found == entries_.end()) return fail(LorewoodError::node_not_found(node.metadata.id));
  const std::filesystem::path& stored = found->second.relative_path;
  if (relative_path_key(stored) != relative_path_key(node.relative_path)) {
    return fail(LorewoodError::index("cannot change node path for id " + node.metadata.id +
                                     " from " + display_path(stored) + " to " +
                                     display_path(node.relative_path)));
  }
  LW_RETURN_IF_ERROR(node.write_to(root_path_));
  // Same id and same path key: `paths_` already maps the path to this id.
  found->second = make_index_entry(std::move(node.metadata), std::move(node.relative_path),
                                   std::move(node.body));
  return {};
}

Status GraphIndex::delete_node(std::string_view id) {
  const NodeIndexEntry* found = entry(id);
  if (found == nullptr) return fail(LorewoodError::node_not_found(std::string(id)));
  const std::filesystem::path full = root_path_ / found->relative_path;
  if (platform::entry_exists(full)) {
    if (auto removed = platform::remove_file(full); !removed)
      return fail(LorewoodError::node_delete(full, std::move(removed.error())));
  }
  remove_entry(id);
  return {};
}

Status GraphIndex::merge_nodes(std::string_view target_id, std::string_view source_id) {
  if (target_id == source_id) return fail(LorewoodError::index("cannot merge a node into itself"));
  LW_ASSIGN_OR_RETURN(Node target, read_node(target_id));
  LW_ASSIGN_OR_RETURN(Node source, read_node(source_id));
  std::map<std::string, YamlValue>& extra = target.metadata.extra;
  auto merged_from = extra.find(kMergedFromKey);
  const bool merged_before =
      merged_from != extra.end() && lists_id(merged_from->second, source_id);
  if (!merged_before) {
    append_merged_body(target, source);
    append_merged_links(target, source, target_id);
  }
  const std::string source_key(source_id);
  YamlValue recorded =
      with_merged_id(merged_from == extra.end() ? nullptr : &merged_from->second, source_key);
  extra.insert_or_assign(kMergedFromKey, std::move(recorded));
  LW_RETURN_IF_ERROR(update_node(std::move(target)));
  return delete_node(source_id);
}

Status GraphIndex::suppress_node(std::string_view id, std::optional<std::string> reason) {
  LW_ASSIGN_OR_RETURN(Node node, read_node(id));
  std::map<std::string, YamlValue>& extra = node.metadata.extra;
  extra.insert_or_assign(kSuppressedKey, YamlValue::boolean(true));
  if (reason) extra.insert_or_assign(kSuppressedReasonKey, YamlValue::string(std::move(*reason)));
  return update_node(std::move(node));
}

Status GraphIndex::unsuppress_node(std::string_view id) {
  LW_ASSIGN_OR_RETURN(Node node, read_node(id));
  node.metadata.extra.erase(kSuppressedKey);
  node.metadata.extra.erase(kSuppressedReasonKey);
  return update_node(std::move(node));
}

}  // namespace lorewood
