// The node file text format: "---", YAML frontmatter, a line starting with
// "---", then the Markdown body.
#include <string>
#include <string_view>

#include "error/display_path.h"
#include "node/frontmatter/yaml_reader.h"
#include "node/frontmatter/yaml_writer.h"
#include "node/node.h"
#include "platform/unicode_text.h"

namespace lorewood {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kDelimiter = "---";

std::string schema_error(const std::filesystem::path& path, std::string_view description) {
  return "invalid node frontmatter schema in " + display_path(path) + ": " + std::string(description);
}

std::string invalid_type(const YamlValue& value, std::string_view expected) {
  return "invalid type: " + describe_yaml_value(value) + ", expected " + std::string(expected);
}

// Position (1-based line, column in characters) of `offset` within `text`.
YamlTextOrigin origin_of(std::string_view text, std::size_t offset) {
  YamlTextOrigin origin;
  for (std::size_t k = 0; k < offset; ++k) {
    unsigned char c = static_cast<unsigned char>(text[k]);
    if (c == '\n') {
      ++origin.line;
      origin.column = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++origin.column;
    }
  }
  return origin;
}

// Fills `field` from a value that must be a string.
std::expected<void, std::string> take_string(YamlValue& value, std::string_view key,
                                             std::string& field) {
  if (!value.is_string())
    return std::unexpected(invalid_type(value, "a string for key `" + std::string(key) + "`"));
  field = std::move(value.as_string());
  return {};
}

std::expected<void, std::string> take_links(YamlValue& value, std::vector<std::string>& links) {
  if (value.is_null()) return {};
  if (!value.is_sequence())
    return std::unexpected(invalid_type(value, "a sequence of strings for key `links`"));
  YamlSequence& items = value.as_sequence();
  links.reserve(items.size());
  for (YamlValue& item : items) {
    if (!item.is_string()) return std::unexpected(invalid_type(item, "a string in `links`"));
    links.push_back(std::move(item.as_string()));
  }
  return {};
}

// The record held by the frontmatter value (a mapping, or null for none).
// Failure texts are the descriptions of the schema violation.
std::expected<NodeMetadata, std::string> to_metadata(YamlValue root) {
  NodeMetadata metadata;
  if (root.is_null()) return std::unexpected(std::string("missing field `id`"));
  if (!root.is_mapping()) return std::unexpected(invalid_type(root, "a map"));
  bool have_id = false, have_type = false, have_source = false;
  for (auto& [key, value] : root.as_mapping()) {
    if (!key.is_string()) return std::unexpected(invalid_type(key, "a string key"));
    std::string& name = key.as_string();
    std::expected<void, std::string> taken;
    if (name == "id") {
      have_id = true;
      taken = take_string(value, name, metadata.id);
    } else if (name == "type") {
      have_type = true;
      taken = take_string(value, name, metadata.node_type);
    } else if (name == "links") {
      taken = take_links(value, metadata.links);
    } else if (name == "source" || name == "source_uri") {
      if (have_source) return std::unexpected(std::string("duplicate field `source`"));
      have_source = true;
      if (!value.is_null()) {
        metadata.source.emplace();
        taken = take_string(value, name, *metadata.source);
      }
    } else {
      metadata.extra.insert_or_assign(std::move(name), std::move(value));
    }
    if (!taken) return std::unexpected(std::move(taken.error()));
  }
  if (!have_id) return std::unexpected(std::string("missing field `id`"));
  if (!have_type) return std::unexpected(std::string("missing field `type`"));
  return metadata;
}

// `text` without trailing Unicode white space.
std::string_view trim_end(std::string_view text) {
  std::string_view trimmed = trim_unicode_whitespace(text);
  if (trimmed.empty()) return {};
  return text.substr(0, static_cast<std::size_t>(trimmed.data() - text.data()) + trimmed.size());
}

}  // namespace

std::expected<ParsedNode, std::string> parse_markdown_node(std::string_view text,
                                                            const std::filesystem::path& path) {
  std::string_view rest = text;
  while (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
  if (!rest.starts_with(kDelimiter)) {
    return std::unexpected("node at " + display_path(path) +
                           " must start with YAML frontmatter delimited by ---");
  }
  rest.remove_prefix(kDelimiter.size());
  const std::size_t close = rest.find("\n---");
  if (close == std::string_view::npos)
    return std::unexpected(std::string("markdown file is missing closing frontmatter delimiter (---)"));

  // The YAML reader refuses malformed UTF-8 too, but trimming must not see it.
  if (!is_valid_utf8(rest.substr(0, close))) {
    return std::unexpected("invalid YAML frontmatter in " + display_path(path) +
                           ": frontmatter is not valid UTF-8");
  }
  std::string_view frontmatter = trim_unicode_whitespace(rest.substr(0, close));
  std::string_view body = rest.substr(close + 4);
  if (body.starts_with('\n')) body.remove_prefix(1);

  const std::size_t offset = static_cast<std::size_t>(frontmatter.data() - text.data());
  auto yaml = parse_yaml(frontmatter, origin_of(text, offset));
  if (!yaml) {
    return std::unexpected("invalid YAML frontmatter in " + display_path(path) + ": " +
                           yaml.error());
  }
  auto metadata = to_metadata(std::move(*yaml));
  if (!metadata) return std::unexpected(schema_error(path, metadata.error()));
  if (trim_unicode_whitespace(metadata->id).empty()) {
    return std::unexpected("node at " + display_path(path) +
                           " is missing required frontmatter field `id`");
  }
  if (trim_unicode_whitespace(metadata->node_type).empty()) {
    return std::unexpected("node at " + display_path(path) +
                           " is missing required frontmatter field `type`");
  }
  return ParsedNode{std::move(*metadata), std::string(body)};
}

std::expected<std::string, std::string> serialize_markdown_node(const NodeMetadata& metadata,
                                                                std::string_view body) {
  auto yaml = write_frontmatter_yaml(metadata);
  if (!yaml) return std::unexpected("failed to serialize frontmatter: " + yaml.error());
  std::string_view frontmatter = trim_end(*yaml);
  std::string text;
  text.reserve(frontmatter.size() + body.size() + 16);
  text.append("---\n").append(frontmatter).append("\n---\n").append(body);
  if (!body.empty() && body.back() != '\n') text.push_back('\n');
  return text;
}

}  // namespace lorewood
