// FileResolver: reads local files, but only under allow-listed directories.
//
// The allowlist holds canonical absolute directories; a file is admitted when
// its own canonical path (every symbolic link resolved) lies under one of them,
// so a link inside an allowed directory that points outside is refused.
// Parquet files are described (size, magic bytes, a 256-byte snippet), not
// read; other files are read whole as UTF-8 text.
#pragma once

#include <filesystem>
#include <vector>

#include "lakehouse/resolver/content_resolver.h"

namespace lorewood {

using FileAllowlist = std::vector<std::filesystem::path>;

// The canonical directory of every "file://" remote-source uri that exists, in
// order; other schemes and paths that cannot be canonicalised are skipped.
FileAllowlist file_allowlist_from_remotes(std::span<const std::string> remote_uris);

class FileResolver final : public ContentResolver {
 public:
  explicit FileResolver(FileAllowlist allowlist) : allowlist_(std::move(allowlist)) {}

  std::span<const std::string_view> schemes() const override;

  // ContentResolve (with the URI as passed) when the path does not exist, no
  // allowlist is configured, the canonical path lies outside it, or the file
  // cannot be examined or read; "text" or a Parquet "external_asset" otherwise.
  Result<ResolvedContent> fetch(std::string_view uri, std::string_view format_hint) const override;

  const FileAllowlist& allowlist() const { return allowlist_; }

 private:
  bool is_allowed(const std::filesystem::path& canonical) const;

  FileAllowlist allowlist_;
};

}  // namespace lorewood
