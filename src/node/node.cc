#include "node/node.h"

#include "error/display_path.h"
#include "platform/file_system.h"
#include "security/node_path.h"

namespace lorewood {
namespace {

// The ordinary components of a path ("." and empty ones dropped).
std::vector<std::string_view> components(const std::filesystem::path& path) {
  std::vector<std::string_view> parts;
  const std::string& text = path.native();
  if (!text.empty() && text.front() == '/') parts.emplace_back("/");
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    std::string_view part(text.data() + start, end - start);
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::optional<std::filesystem::path> strip_root(const std::filesystem::path& path,
                                                const std::filesystem::path& root) {
  std::vector<std::string_view> full = components(path);
  std::vector<std::string_view> prefix = components(root);
  if (prefix.size() > full.size()) return std::nullopt;
  for (std::size_t k = 0; k < prefix.size(); ++k)
    if (full[k] != prefix[k]) return std::nullopt;
  std::string rest;
  for (std::size_t k = prefix.size(); k < full.size(); ++k) {
    if (!rest.empty()) rest += '/';
    rest += full[k];
  }
  return std::filesystem::path(std::move(rest));
}

std::filesystem::path node_path_for_id(std::string_view id) {
  return std::filesystem::path(std::string(id) + ".md");
}

Result<Node> Node::from_file(const std::filesystem::path& path, const std::filesystem::path& root) {
  auto text = platform::read_file(path);
  if (!text) return fail(LorewoodError::node_read(path, std::move(text.error())));
  if (!is_valid_utf8(*text))
    return fail(LorewoodError::node_read(path, IoError::custom("stream did not contain valid UTF-8")));
  auto parsed = parse_markdown_node(*text, path);
  if (!parsed) return fail(LorewoodError::node_parse(path, std::move(parsed.error())));
  auto relative = strip_root(path, root);
  if (!relative) {
    return fail(LorewoodError::node_parse(
        path, "node path " + display_path(path) + " is not under graph root " + display_path(root)));
  }
  return Node{std::move(parsed->metadata), std::move(parsed->body), std::move(*relative)};
}

Result<std::string> Node::to_markdown() const {
  auto text = serialize_markdown_node(metadata, body);
  if (!text) return fail(LorewoodError::node_parse(relative_path, std::move(text.error())));
  return std::move(*text);
}

Status Node::write_to(const std::filesystem::path& root) const {
  LW_RETURN_IF_ERROR(validate_relative_node_path(relative_path));
  const std::filesystem::path target = root / relative_path;
  if (auto made = platform::create_directories(target.parent_path()); !made)
    return fail(LorewoodError::node_write(target, std::move(made.error())));
  LW_ASSIGN_OR_RETURN(std::string text, to_markdown());
  if (auto written = platform::write_file_atomically(target, text, ".tmp"); !written)
    return fail(LorewoodError::node_write(target, std::move(written.error())));
  return {};
}

}  // namespace lorewood
