// Node records and node files.
//
// A node file is Markdown with YAML frontmatter:
//
//   ---
//   id: alpha
//   type: note
//   links:
//   - beta
//   ---
//   Body text with [[wikilinks]].
//
// `parse_markdown_node` and `serialize_markdown_node` convert between text and
// records; `Node::from_file` and `Node::write_to` add the file I/O (atomic
// writes: temporary file, sync, rename).
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error/lorewood_error.h"
#include "node/yaml_value.h"

namespace lorewood {

// The frontmatter record.
struct NodeMetadata {
  std::string id;
  std::string node_type;
  std::vector<std::string> links;
  std::optional<std::string> source;
  // Every other top-level key, ordered by key (byte order).
  std::map<std::string, YamlValue> extra;

  bool operator==(const NodeMetadata&) const = default;
};

struct ParsedNode {
  NodeMetadata metadata;
  std::string body;
};

// Parses a node file's text. `path` only appears in failure texts. On failure
// returns the failure text (which `Node::from_file` wraps into NodeParse).
std::expected<ParsedNode, std::string> parse_markdown_node(std::string_view text,
                                                            const std::filesystem::path& path);

// Renders the complete file text, or the failure text of the YAML writer.
std::expected<std::string, std::string> serialize_markdown_node(const NodeMetadata& metadata,
                                                                std::string_view body);

struct Node {
  NodeMetadata metadata;
  std::string body;
  std::filesystem::path relative_path;

  // Reads and parses `path` (under `root`). NodeRead on I/O failure or invalid
  // UTF-8; NodeParse on a malformed file or a path outside `root`.
  static Result<Node> from_file(const std::filesystem::path& path,
                                const std::filesystem::path& root);

  // Writes the node to root / relative_path atomically. Index error for a bad
  // relative path, NodeWrite for I/O failures, NodeParse for writer failures.
  Status write_to(const std::filesystem::path& root) const;

  // The node's file text; NodeParse (relative path, text) on writer failure.
  Result<std::string> to_markdown() const;
};

// The relative path of a node created by id: "<id>.md" under the root.
std::filesystem::path node_path_for_id(std::string_view id);

// `path` with the `root` prefix removed, compared component by component;
// nullopt when `path` does not lie under `root`.
std::optional<std::filesystem::path> strip_root(const std::filesystem::path& path,
                                                const std::filesystem::path& root);

}  // namespace lorewood
