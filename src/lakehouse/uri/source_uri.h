// Turning a node's `source` into the URI to fetch.
//
//   remote sources: file:///data/lake/ (parquet)
//   resolve_source_uri("/tables/a.parquet", ...)    -> "file:///data/lake/tables/a.parquet"
//   resolve_source_uri("https://example.com/x", ...) -> unchanged after the host check
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "config/schema/lorewood_config.h"
#include "error/lorewood_error.h"

namespace lorewood {

// The URI for a source: trimmed of Unicode white space; an http(s) URI after
// its host check; a file or s3 URI unchanged; a relative source joined with one
// '/' to the base chosen by `pick_remote_base`. Nothing is normalised ("." and
// ".." stay; the file resolver's allowlist judges the canonical path).
// Lakehouse for an empty source, a refused host or a relative source without
// remote sources; SchemeNotAllowed for any other scheme.
Result<std::string> resolve_source_uri(std::string_view source,
                                       std::span<const RemoteSource> remote_sources);

// The remote source a relative source is joined to: among those whose uri
// without trailing '/' is a byte-wise prefix of `source`, the longest uri
// (later wins a tie); the first one when none qualifies. `remote_sources` must
// not be empty.
const RemoteSource& pick_remote_base(std::string_view source,
                                     std::span<const RemoteSource> remote_sources);

}  // namespace lorewood
