#include "lakehouse/content/resolved_content.h"

namespace lorewood {
namespace {

std::string asset_markdown(const ExternalAsset& asset) {
  std::string out = "## External asset\n\n**URI:** `" + asset.uri + "`\n\n**Format:** `" +
                    asset.format + "`";
  if (asset.size_bytes) out += "\n\n**Size:** " + std::to_string(*asset.size_bytes) + " bytes";
  if (asset.parquet_magic_valid)
    out += std::string("\n\n**Parquet magic valid:** ") + (*asset.parquet_magic_valid ? "true" : "false");
  if (asset.snippet) out += "\n\n### Snippet\n\n" + *asset.snippet;
  return out;
}

}  // namespace

std::string_view ResolvedContent::kind_name() const {
  switch (kind()) {
    case ContentKind::Local: return "local";
    case ContentKind::Text: return "text";
    case ContentKind::ExternalAsset: return "external_asset";
  }
  return "";
}

const std::string* ResolvedContent::body() const {
  if (const auto* local = std::get_if<LocalContent>(&value)) return &local->body;
  if (const auto* text = std::get_if<TextContent>(&value)) return &text->body;
  return nullptr;
}

const std::string* ResolvedContent::uri() const {
  if (const auto* text = std::get_if<TextContent>(&value)) return &text->uri;
  if (const auto* external = std::get_if<ExternalAsset>(&value)) return &external->uri;
  return nullptr;
}

std::string ResolvedContent::to_markdown() const {
  if (const auto* local = std::get_if<LocalContent>(&value)) return local->body;
  if (const auto* text = std::get_if<TextContent>(&value))
    return "## Resolved content\n\n**URI:** `" + text->uri + "`\n\n" + text->body;
  return asset_markdown(std::get<ExternalAsset>(value));
}

}  // namespace lorewood
