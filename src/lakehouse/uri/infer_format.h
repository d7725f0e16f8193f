// Guessing a content format from a URI: by file suffix, then by remote source.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "config/schema/lorewood_config.h"

namespace lorewood {

// "parquet", "json" or "csv" when the URI's path part (after "://" when it has
// a scheme) ends with that suffix, case-sensitively; otherwise the format of
// the first remote source whose uri is a byte-wise prefix of `uri`; otherwise
// "unknown".
std::string infer_format(std::string_view uri, std::span<const RemoteSource> remote_sources = {});

}  // namespace lorewood
