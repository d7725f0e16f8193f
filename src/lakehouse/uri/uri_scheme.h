// URI schemes of content sources and the allowed-scheme check.
//
//   uri_scheme("file:///srv/a.csv")   -> "file"
//   uri_scheme("file:/srv/a.csv")     -> nullopt (a scheme needs "://")
//   uri_scheme("S3://bucket/key")     -> "S3" (as written; refused later)
#pragma once

#include <optional>
#include <string_view>

#include "error/lorewood_error.h"

namespace lorewood {

// The text before the first ':' when it is non-empty, made only of ASCII
// letters and digits, and the colon is followed by "//". A slice of `uri`.
std::optional<std::string_view> uri_scheme(std::string_view uri);

// Accepts exactly "file", "http", "https" and "s3" (case-sensitive); anything
// else fails with SchemeNotAllowed carrying the scheme.
Status validate_scheme(std::string_view scheme);

}  // namespace lorewood
