#include "lakehouse/resolver/file_resolver.h"

#include <algorithm>
#include <array>
#include <string>

#include "error/display_path.h"
#include "lakehouse/uri/infer_format.h"
#include "platform/file_system.h"

namespace lorewood {
namespace {

constexpr std::string_view kFilePrefix = "file://";
constexpr std::size_t kSnippetBytes = 256;

std::unexpected<LorewoodError> resolve_failure(std::string_view uri, std::string text) {
  return fail(LorewoodError::content_resolve(std::string(uri), std::move(text)));
}

// True when `path` equals `dir` or lies beneath it, component by component.
bool lies_under(const std::filesystem::path& path, const std::filesystem::path& dir) {
  // Both are canonical, so neither has "." or ".." components or a trailing '/'.
  auto mismatch = std::mismatch(dir.begin(), dir.end(), path.begin(), path.end());
  return mismatch.first == dir.end();
}

ResolvedContent describe_parquet(std::string_view uri, const std::filesystem::path& path,
                                 std::uint64_t size) {
  ExternalAsset asset{std::string(uri), "parquet", size, false, std::nullopt};
  // Failures here are not reported: they leave the magic false and no snippet.
  if (auto head = platform::read_prefix(path, 4)) asset.parquet_magic_valid = *head == "PAR1";
  if (auto head = platform::read_prefix(path, kSnippetBytes)) asset.snippet = utf8_lossy(*head);
  return ResolvedContent::external(std::move(asset));
}

}  // namespace

FileAllowlist file_allowlist_from_remotes(std::span<const std::string> remote_uris) {
  FileAllowlist allowlist;
  for (const std::string& uri : remote_uris) {
    if (!std::string_view(uri).starts_with(kFilePrefix)) continue;
    if (auto canonical = platform::canonical_path(uri.substr(kFilePrefix.size())))
      allowlist.push_back(std::move(*canonical));
  }
  return allowlist;
}

std::span<const std::string_view> FileResolver::schemes() const {
  static constexpr std::array<std::string_view, 1> kSchemes{"file"};
  return kSchemes;
}

bool FileResolver::is_allowed(const std::filesystem::path& canonical) const {
  return std::any_of(allowlist_.begin(), allowlist_.end(),
                     [&](const std::filesystem::path& dir) { return lies_under(canonical, dir); });
}

Result<ResolvedContent> FileResolver::fetch(std::string_view uri,
                                            std::string_view format_hint) const {
  std::string_view path_text = uri.starts_with(kFilePrefix) ? uri.substr(kFilePrefix.size()) : uri;
  std::filesystem::path path(path_text);
  auto canonical = platform::canonical_path(path);
  if (!canonical)
    return resolve_failure(uri, "failed to read file " + display_path(path) + ": " +
                                    canonical.error().description);
  if (allowlist_.empty())
    return resolve_failure(uri, "file:// reads require a configured file allowlist");
  if (!is_allowed(*canonical))
    return resolve_failure(uri, "path " + display_path(*canonical) +
                                    " is outside configured file allowlist");

  auto size = platform::file_size(*canonical);
  if (!size) return resolve_failure(uri, "metadata: " + size.error().description);

  std::string format = format_hint == "unknown" ? infer_format(uri) : std::string(format_hint);
  if (format == "parquet" || canonical->extension() == ".parquet")
    return describe_parquet(uri, *canonical, *size);

  auto text = platform::read_file(*canonical);
  if (!text) return resolve_failure(uri, "read: " + text.error().description);
  if (!is_valid_utf8(*text)) return resolve_failure(uri, "read: stream did not contain valid UTF-8");
  return ResolvedContent::text(std::string(uri), std::move(*text));
}

}  // namespace lorewood
