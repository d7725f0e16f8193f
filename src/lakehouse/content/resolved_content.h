// ResolvedContent: what a node's content turned out to be.
//
//   "local"           the node's own Markdown body
//   "text"            the whole text of an allow-listed local file
//   "external_asset"  a description of content that is not read as text: a
//                     Parquet file (size, magic bytes, snippet), an HTTP URI
//                     (recorded, never fetched), an S3 object (parsed URI only)
//
// A self-contained value: copies are deep.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace lorewood {

struct LocalContent {
  std::string body;

  bool operator==(const LocalContent&) const = default;
};

struct TextContent {
  std::string uri;
  std::string body;

  bool operator==(const TextContent&) const = default;
};

struct ExternalAsset {
  std::string uri;
  std::string format;
  std::optional<std::uint64_t> size_bytes;
  std::optional<bool> parquet_magic_valid;
  std::optional<std::string> snippet;

  bool operator==(const ExternalAsset&) const = default;
};

enum class ContentKind : std::uint8_t { Local, Text, ExternalAsset };

struct ResolvedContent {
  std::variant<LocalContent, TextContent, ExternalAsset> value;

  static ResolvedContent local(std::string body) { return {LocalContent{std::move(body)}}; }
  static ResolvedContent text(std::string uri, std::string body) {
    return {TextContent{std::move(uri), std::move(body)}};
  }
  static ResolvedContent external(ExternalAsset asset) { return {std::move(asset)}; }

  ContentKind kind() const { return static_cast<ContentKind>(value.index()); }
  // "local", "text" or "external_asset".
  std::string_view kind_name() const;

  // The body of "local" and "text" content; nullptr for external assets.
  const std::string* body() const;
  // The URI of "text" and "external_asset" content; nullptr for local.
  const std::string* uri() const;
  // The asset, or nullptr for the other kinds.
  const ExternalAsset* asset() const { return std::get_if<ExternalAsset>(&value); }

  // Markdown for an agent: the body itself for "local"; a titled block with the
  // URI for "text"; heading, URI, format and the known optional fields for an
  // asset. No value is escaped.
  std::string to_markdown() const;

  bool operator==(const ResolvedContent&) const = default;
};

}  // namespace lorewood
